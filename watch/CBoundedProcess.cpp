#include "watch/CBoundedProcess.h"

#include <QDeadlineTimer>
#include <QProcess>

CBoundedProcess::Outcome CBoundedProcess::run(const QString &program, const QStringList &arguments,
                                              const QByteArray &input, int timeoutMs)
{
    Outcome outcome;
    const QDeadlineTimer deadline(timeoutMs);
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setReadChannel(QProcess::StandardError);
    QByteArray kept;
    // Read as it comes, so that a flood never gathers here; past the first
    // bytes it is dropped.
    QObject::connect(&process, &QProcess::readyReadStandardError, &process, [&] {
        const QByteArray chunk = process.readAllStandardError();
        if (kept.size() < KeptErrorBytes)
            kept += chunk.left(KeptErrorBytes - kept.size());
    });
    process.start(program, arguments);
    if (!process.waitForStarted(int(qMax<qint64>(1, deadline.remainingTime())))) {
        outcome.error = process.errorString();
        process.kill();
        process.waitForFinished(1000);
        return outcome;
    }
    outcome.started = true;
    process.write(input);
    process.closeWriteChannel();
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
        process.waitForFinished(int(qMin<qint64>(deadline.remainingTime(), 1000)));
    if (process.state() != QProcess::NotRunning) {
        outcome.timedOut = true;
        process.kill();
        process.waitForFinished(5000);
    }
    outcome.crashed = process.exitStatus() != QProcess::NormalExit;
    outcome.exitCode = process.exitCode();
    outcome.errorOutput = QString::fromUtf8(kept).simplified();
    return outcome;
}
