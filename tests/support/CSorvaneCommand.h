#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The sorvane program run as a timer or a terminal runs it: without any
// display, in a home of the test's, its output split into lines.
class CSorvaneCommand
{
public:
    struct Outcome
    {
        int exitCode = -1; // -2 for a crash, -1 when it did not finish
        QStringList out;
        QStringList err;
        QByteArray output; // standard output byte for byte

        QString errText() const { return err.join(u'\n'); }
    };

    // The process's environment without a display or a service, in home.
    static QProcessEnvironment environment(const QString &home);
    // In workingDirectory when one is given.
    static Outcome run(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
                       const QString &workingDirectory = QString());
};
