#pragma once

#include <QByteArray>
#include <QString>

// Packs a list the way publishers ship them: a zip holding one file, or
// gzip. Used to make test and benchmark lists; the service only reads.
class CListPacker
{
public:
    static QByteArray zip(const QString &entryName, const QByteArray &text);
    static QByteArray gzip(const QByteArray &text);
};
