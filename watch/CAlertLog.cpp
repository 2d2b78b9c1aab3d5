#include "watch/CAlertLog.h"

#include "CDataSession.h"

#include <QCoreApplication>

CResult<> CAlertLog::append(const CDataSession &session, const QStringList &alerts, const QDateTime &when)
{
    const QString stamp = when.toString(Qt::ISODate);
    QByteArray bytes;
    for (const QString &alert : alerts)
        bytes += (stamp + u' ' + alert + u'\n').toUtf8();
    const CResult<> appended = session.appendFile(CDataSession::alertLogFileName(), bytes);
    if (!appended)
        return CResult<>::failure(QCoreApplication::translate("CAlertLog", "Could not add the alerts to %1: %2")
                                      .arg(session.filePath(CDataSession::alertLogFileName()), appended.message()));
    return appended;
}
