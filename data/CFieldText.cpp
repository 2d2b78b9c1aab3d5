#include "CFieldText.h"

#include <algorithm>

bool CFieldText::breaksLine(QChar c)
{
    // Printable ASCII first: nearly every character checked is one.
    if (c.unicode() >= 0x20 && c.unicode() < 0x7f)
        return false;
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator
           || c == QChar::ParagraphSeparator;
}

bool CFieldText::isPlain(QStringView text)
{
    return std::none_of(text.begin(), text.end(), breaksLine);
}

QString CFieldText::shown(const QString &text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    qsizetype cut = qMax<qsizetype>(length, 1);
    // Never half of a character written as two code units.
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QChar(0x2026);
}

QStringView CFieldText::withoutByteOrderMarks(QStringView line)
{
    while (line.startsWith(QChar::ByteOrderMark))
        line = line.sliced(1);
    return line;
}
