#pragma once

#include "base/CResult.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// A file written whole or not at all: into a new temporary file made in the
// target's folder (never through a link), renamed over the target's name
// once complete. Writes through the descriptor, so that a full disk or a
// file-size limit is told in the system's own words; the first failure
// stands, and the temporary file goes with it.
class CReplacingFile
{
public:
    explicit CReplacingFile(const QString &path);
    ~CReplacingFile();
    CReplacingFile(const CReplacingFile &) = delete;
    CReplacingFile &operator=(const CReplacingFile &) = delete;

    // Refuses a target that is anything but a regular file (a link, a pipe,
    // a device), whoever put it there; mode is the new file's.
    CResult<void> open(mode_t mode = 0644);
    void write(const void *data, size_t size);
    qint64 written() const { return m_written; }
    // With sync, the file is on disk before its name is: a cache. Without,
    // the caller makes it so later with one sync of the folder's file
    // system, which costs far less than one per file (the rank files).
    enum class Sync { Now, Later };
    CResult<void> commit(Sync sync = Sync::Now);

    // What stands at a path, in a word ("a symbolic link", "a pipe", ...).
    static QString kindOf(mode_t mode);
    static QString systemError(int error);

private:
    QByteArray m_path;
    QByteArray m_temporary;
    int m_fd = -1;
    int m_error = 0;
    qint64 m_written = 0;
};
