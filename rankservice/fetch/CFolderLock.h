#pragma once

#include "base/CResult.h"

#include <QString>

#include <chrono>
#include <functional>

// An exclusive lock on a folder, held through a lock file in it, so that two
// updates never fetch into the same folder at once. The lock file is opened
// without following a link and never truncated; the lock goes with the
// object (or the process).
class CFolderLock
{
public:
    static inline const QString FileName = QStringLiteral(".sorvane-update.lock");

    CFolderLock() = default;
    ~CFolderLock();
    CFolderLock(const CFolderLock &) = delete;
    CFolderLock &operator=(const CFolderLock &) = delete;

    // Takes the lock of folder, waiting up to wait for another holder to let
    // it go; fails naming the holder's lock file, or the system's reason.
    // sleep, when given, makes each step of the wait, and ends it by false.
    CResult<void> take(const QString &folder, std::chrono::milliseconds wait,
                       const std::function<bool(std::chrono::milliseconds)> &sleep = {});
    void release();

private:
    int m_fd = -1;
};
