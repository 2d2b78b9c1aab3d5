#pragma once

#include <QString>

// What a record read from any page may hold in a figure: "NA", or short text
// that cannot split its history line (no control character, no comma).
// Shared by the hostile-page tests and the page fuzzer.
inline bool isPlainField(const QString &text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator || c == u',')
            return false;
    }
    return true;
}

inline bool isStoredFigure(const QString &value, qsizetype limit)
{
    return value == u"NA" || (value.size() <= limit && isPlainField(value));
}
