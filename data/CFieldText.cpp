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

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

bool CFieldText::isWholeNumber(QStringView text)
{
    if (text.isEmpty() || !std::all_of(text.begin(), text.end(), [](QChar c) { return isDigit(c) || c == u','; }))
        return false;
    if (!text.contains(u','))
        return true;
    // Grouped: one to three digits first, then groups of exactly three.
    const qsizetype first = text.indexOf(u',');
    if (first < 1 || first > 3)
        return false;
    for (qsizetype at = first; at < text.size(); at += 4) {
        if (text.at(at) != u',' || at + 4 > text.size() || text.sliced(at + 1, 3).contains(u','))
            return false;
    }
    return true;
}

bool CFieldText::isFigure(QStringView text)
{
    while (text.startsWith(u' '))
        text = text.sliced(1);
    while (text.endsWith(u' '))
        text.chop(1);
    if (text.isEmpty() || text == u"NA")
        return true;
    if (!text.endsWith(u'%'))
        return isWholeNumber(text);
    text.chop(1);
    const qsizetype point = text.indexOf(u'.');
    if (point < 0)
        return isWholeNumber(text);
    const QStringView fraction = text.sliced(point + 1);
    return isWholeNumber(text.first(point)) && !fraction.isEmpty()
           && std::all_of(fraction.begin(), fraction.end(), isDigit);
}
