#pragma once

#include "base/CResult.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// alerts.log in the data folder: every alert ever given, appended one line
// each, after the time it was given ("2026-12-08T07:30:00 alert: ...").
class CAlertLog
{
public:
    static QString path(const QString &dataDirectory);
    static CResult<> append(const QString &path, const QStringList &alerts, const QDateTime &when);
};
