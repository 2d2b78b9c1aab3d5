#pragma once

#include "base/CResult.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The line protocol between `sorvane --query` and an open window, over a
// local socket named after the data folder, in a folder only its user can
// enter: $XDG_RUNTIME_DIR, or else a "sorvane-<uid>" folder of mode 0700 in
// the temporary folder, so that no other user can take the name first. The command asks once:
//   "query rank" or "query reach"          today's run of the window's list
//   "backfill <days> rank" (or "reach")     the past days of the window's list
// and the window answers with lines of its run until the exit code:
//   "run <domains>"  the run has started, or was joined, with that many domains
//   "out <text>"     a line for standard output
//   "err <text>"     a line for standard error
//   "exit <code>"    the run's exit code; the window then closes the connection
// Every line is UTF-8 and ends with "\n"; a text never holds a line break.
class CQueryRelay
{
public:
    enum class Kind { Run, Out, Err, Exit };

    // What the command asks the window to run.
    struct Request
    {
        bool rankMode = true;
        int backfillDays = 0; // more than 0: a backfill of that many past days
        bool operator==(const Request &other) const = default;
    };

    struct Line
    {
        Kind kind = Kind::Out;
        QString text;
    };

    // Longer requests are abuse; longer answers are a broken window.
    static constexpr qsizetype MaxRequestLength = 64;
    static constexpr qsizetype MaxLineLength = 16384;

    // A short name that is the same for every path of one data folder
    // (socket paths are limited to about a hundred bytes).
    static QString serverName(const QString &dataDirectory);
    // The socket's full path: in runtimeDirectory when it is a folder of
    // this user's that no one else may enter, else in a private folder
    // made (0700) in tempDirectory. Fails when neither can be had.
    static CResult<QString> socketPath(const QString &runtimeDirectory, const QString &dataDirectory,
                                       const QString &tempDirectory = QString());

    static QByteArray request(const Request &request);
    // What was asked for; nothing for anything else.
    static std::optional<Request> parseRequest(QByteArrayView line);

    static QByteArray line(Kind kind, const QString &text);
    // Nothing for a line of an unknown kind, or a number that is not one.
    static std::optional<Line> parseLine(QByteArrayView line);
};
