#pragma once

#include <QRegularExpression>
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

// A stored figure is also a rank figure: digits, a percentage, "NA" or
// nothing (spaces around it may stay), so no markup, quote or formula.
inline bool isStoredFigure(const QString &value, qsizetype limit)
{
    static const QRegularExpression figure(QStringLiteral("^ *(NA|[0-9]+|[0-9]+(\\.[0-9]+)?%)? *$"));
    return value == u"NA" || (value.size() <= limit && isPlainField(value) && figure.match(value).hasMatch());
}
