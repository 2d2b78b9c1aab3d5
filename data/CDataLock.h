#pragma once

#include <QString>

// The lock that keeps a second Sorvane away from a data folder: an exclusive
// flock() on "sorvane.lock", held on an open file for the lock's life. The
// file is never opened through a symbolic link, and only written (its
// holder's pid and host) once the lock is ours. The
// operating system lets go of it when the process ends however it ends, so
// a file left by a crash, an empty or garbled one, or one from another
// machine is never a lock; it is simply taken over.
class CDataLock
{
public:
    enum class State {
        Unlocked,  // not tried yet, or released
        Held,      // this process holds the data folder
        Busy,      // another process holds it
        Unusable,  // no lock can be made here (a folder in the way, a full or read-only disk)
    };

    struct Result
    {
        State state = State::Unlocked;
        QString message; // for the window's user, empty when held
        QString reason;  // the same in a few words, for a line of the command line
        bool held() const { return state == State::Held; }
    };

    // The lock file is "sorvane.lock", or another one of the folder's (a
    // query run without a window also holds "query.lock", so that a second
    // one can tell the window from another run).
    explicit CDataLock(const QString &dataDirectory, const QString &lockFileName = fileName());
    ~CDataLock();
    CDataLock(const CDataLock &) = delete;
    CDataLock &operator=(const CDataLock &) = delete;

    static QString fileName() { return QStringLiteral("sorvane.lock"); }
    QString path() const { return m_path; }

    // Never waits for another holder.
    Result acquire();
    bool isHeld() const { return m_fd >= 0; }
    void release();

private:
    QString m_dataDirectory;
    QString m_path;
    int m_fd = -1;
};
