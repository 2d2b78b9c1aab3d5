#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class CCruxMonths;

// The months a load read, kept in one file beside them, so that a restart
// over the same month files takes them in at once: a year of months is
// read from its lists in seconds, from this in a fraction of one. It is
// used only when the name, size and modification time of every month file
// the load would read, and the public suffix list's, still match, and
// when it is whole: its length checked against the month files' before it
// is read, its checksum, every size within it. A link is never followed.
class CCruxMonthsCache
{
public:
    static inline const QString FileName = QStringLiteral(".sorvane-rankd.months");

    // What the cache depends on: the month files at paths, in that order.
    static QByteArray fingerprint(const QStringList &paths);

    enum class Outcome { Used, Absent, Stale, Damaged };
    struct Read
    {
        Outcome outcome = Outcome::Absent;
        QString why;
    };
    // Replaces months with the cache at path when it is of fingerprint;
    // otherwise leaves them as they are. Any file bigger than most is refused
    // before it is read.
    static Read read(const QString &path, const QByteArray &fingerprint, qint64 most, CCruxMonths &months);
    // Writes months whole or not at all; empty, or why not.
    static QString write(const QString &path, const QByteArray &fingerprint, const CCruxMonths &months);

private:
    // What follows the file's mark, its checksum found right.
    static Read readBody(const QByteArray &body, const QByteArray &fingerprint, CCruxMonths &months);
};
