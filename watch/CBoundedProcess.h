#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs a helper program (a mail program, the notification helper) bounded
// in time and in what is read back: its input is handed over whole, its
// standard output is thrown away unread, only the start of its standard
// error is kept, and it is killed when it has not ended within its time.
// A program that floods its output or never ends costs neither memory nor
// the run.
class CBoundedProcess
{
public:
    static constexpr qsizetype KeptErrorBytes = 300;

    struct Outcome
    {
        bool started = false;
        QString error;       // why it did not start
        bool timedOut = false;
        bool crashed = false;
        int exitCode = -1;
        QString errorOutput; // the start of its standard error, on one line
        bool succeeded() const { return started && !timedOut && !crashed && exitCode == 0; }
    };

    static Outcome run(const QString &program, const QStringList &arguments, const QByteArray &input, int timeoutMs);
};
