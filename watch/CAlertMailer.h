#pragma once

#include "base/CResult.h"

#include <QString>
#include <QStringView>

// A plain-text mail handed to a sendmail-compatible program ("sendmail -t
// -oi", which every mail transfer agent on Debian provides); the program
// reads the recipient from the message's To line. The program is bounded in
// time and in what is read back from it (see CBoundedProcess).
class CAlertMailer
{
public:
    // A mail program has this long to take the mail and end.
    static constexpr int DefaultTimeoutMs = 60000;

    explicit CAlertMailer(QString program, int timeoutMs = DefaultTimeoutMs);

    // The program to use: the one named from outside when given, else
    // /usr/sbin/sendmail when it exists, else /usr/lib/sendmail.
    static QString program(const QString &named);

    CResult<> send(const QString &to, const QString &subject, const QString &body) const;

    // One address, "name@host": no space, control character, comma or angle
    // bracket, which would put more than one recipient or header in the To line.
    static bool isAddress(QStringView text);

private:
    QString m_program;
    int m_timeoutMs;
};
