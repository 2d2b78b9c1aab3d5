#pragma once

#include "CAlexaRankData.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

// The records of a history file decoded whole first, as it was once read:
// the reference that reading it line by line from its bytes must match.
// Shared by the history tests and the history fuzzer.
inline QList<CAlexaRankData> decodedHistory(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    QList<CAlexaRankData> records;
    for (QStringView line : QStringView(text).split(u'\n')) {
        while (line.endsWith(u'\r'))
            line.chop(1);
        while (line.startsWith(QChar::ByteOrderMark))
            line = line.sliced(1);
        if (!line.isEmpty())
            records.append(CAlexaRankData::fromLine(line));
    }
    return records;
}
