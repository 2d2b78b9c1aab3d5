#pragma once

#include "base/CResult.h"

#include <QString>
#include <QStringView>

// A plain-text mail handed to a sendmail-compatible program ("sendmail -t
// -oi", which every mail transfer agent on Debian provides); the program
// reads the recipient from the message's To line.
class CAlertMailer
{
public:
    explicit CAlertMailer(QString program);

    // The program to use: the one named from outside when given, else
    // /usr/sbin/sendmail when it exists, else /usr/lib/sendmail.
    static QString program(const QString &named);

    CResult<> send(const QString &to, const QString &subject, const QString &body) const;

    // One address, "name@host": no space, control character, comma or angle
    // bracket, which would put more than one recipient or header in the To line.
    static bool isAddress(QStringView text);

private:
    QString m_program;
};
