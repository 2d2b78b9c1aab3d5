#include "watch/CAlertLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

QString CAlertLog::path(const QString &dataDirectory)
{
    return QDir::toNativeSeparators(dataDirectory + QStringLiteral("/alerts.log"));
}

CResult<> CAlertLog::append(const QString &path, const QStringList &alerts, const QDateTime &when)
{
    const QString stamp = when.toString(Qt::ISODate);
    QByteArray bytes;
    for (const QString &alert : alerts)
        bytes += (stamp + u' ' + alert + u'\n').toUtf8();
    QFile file(path);
    // One write of whole lines, so a failed one leaves no half line behind
    // that the next run would continue.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size() || !file.flush())
        return CResult<>::failure(QCoreApplication::translate("CAlertLog", "Could not add the alerts to %1: %2")
                                      .arg(path, file.errorString()));
    return CResult<>::success();
}
