#pragma once

#include "base/CResult.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class CDataSession;

// alerts.log in the data folder: every alert ever given, appended one line
// each, after the time it was given ("2026-12-08T07:30:00 alert: ..."),
// through the session, which appends only to a regular file and never waits.
class CAlertLog
{
public:
    static CResult<> append(const CDataSession &session, const QStringList &alerts, const QDateTime &when);
};
