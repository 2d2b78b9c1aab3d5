#pragma once

#include <QString>

#include <memory>

class QLockFile;

// A lock file in the data folder that only one process holds at a time. A
// lock left by a process that no longer runs is taken over.
class CDataLock
{
public:
    enum class State { Taken, Held, Failed };

    // "sorvane.lock": held by the window and by a query run without a window.
    static QString dataLockPath(const QString &dataDirectory);
    // "query.lock": held by a query run without a window, so that another
    // one can tell it apart from the window.
    static QString queryLockPath(const QString &dataDirectory);

    explicit CDataLock(const QString &path);
    ~CDataLock();
    CDataLock(const CDataLock &) = delete;
    CDataLock &operator=(const CDataLock &) = delete;

    // Held: another running process has it; Failed: the file cannot be made.
    State take();

private:
    std::unique_ptr<QLockFile> m_file;
};
