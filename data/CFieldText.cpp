#include "CFieldText.h"

#include <algorithm>

bool CFieldText::breaksLine(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator
           || c == QChar::ParagraphSeparator;
}

bool CFieldText::isPlain(QStringView text)
{
    return std::none_of(text.begin(), text.end(), breaksLine);
}

QStringView CFieldText::withoutByteOrderMarks(QStringView line)
{
    while (line.startsWith(QChar::ByteOrderMark))
        line = line.sliced(1);
    return line;
}
