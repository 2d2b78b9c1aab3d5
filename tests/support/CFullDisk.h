#pragma once

#include <sys/resource.h>

// While alive, every write past a given size of a file fails, as it does on
// a full disk (the file size limit, with its signal ignored). Works for root
// too, unlike a read-only folder.
class CFullDisk
{
public:
    explicit CFullDisk(rlim_t bytes);
    ~CFullDisk();
    CFullDisk(const CFullDisk &) = delete;
    CFullDisk &operator=(const CFullDisk &) = delete;

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int);
};
