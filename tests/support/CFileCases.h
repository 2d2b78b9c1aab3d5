#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class CTempHome;

// The ways a data file can be something other than a plain text file the
// program may read and rewrite, set up in a test home: the same table for
// the data session and for the command line run as a process. Every case
// starts from a readable history and domain list, then changes one file.
class CFileCases
{
public:
    enum class Kind {
        NoPermission, // only where a process can be refused a file (not as root)
        Fifo,
        Folder,
        Link,         // a link to a regular file elsewhere: read, and written through
        DanglingLink,
        NotUtf8,
        Overlong,     // a domain line longer than a name can be
        Comma,        // a domain line holding ","
        TooLarge,     // a history far larger than any memory (a sparse file)
    };

    struct Case
    {
        const char *row;
        Kind kind;
        QString file;   // "db.dat" or "domains.dat"
        bool refused;   // the file is not read whole: never saved over, and a query run does not start
        QString reason; // part of what the user is told
    };

    static QList<Case> all();
    // The domains of the readable domain list, and the readable history.
    static QStringList domains();
    static QByteArray history();

    // Writes both files into home's data folder and arranges the case.
    static bool arrange(const Case &which, const CTempHome &home);
    // What a file is, for "left as it was" comparisons: its type, a link's
    // target, and its bytes (size and identity of a huge sparse one).
    static QByteArray stateOf(const QString &path);
    static QString linkTarget(const CTempHome &home);
};
