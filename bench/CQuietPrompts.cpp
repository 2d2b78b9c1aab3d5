#include "CQuietPrompts.h"

void CQuietPrompts::message(const QString &text, const QString &)
{
    messages.append(text);
}

bool CQuietPrompts::askYesNo(const QString &, const QString &)
{
    return false;
}

QString CQuietPrompts::openFileName(QWidget *, const QString &, const QString &)
{
    return QString();
}

QString CQuietPrompts::saveFileName(QWidget *, const QString &, const QString &, const QString &)
{
    return QString();
}

QString CQuietPrompts::askText(QWidget *, const QString &, const QString &)
{
    return QString();
}
