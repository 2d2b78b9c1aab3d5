#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

// What may stand in a field of a history line: any text but a character that
// breaks the line (a control character or a Unicode line or paragraph
// separator). Markup is fine: it is only ever shown as plain text.
class CFieldText
{
public:
    // Laying out a line of megabytes takes minutes; views show at most this
    // many characters of a field.
    static constexpr qsizetype ShownLength = 256;


    static bool breaksLine(QChar c);
    static bool isPlain(QStringView text);
    // Decimal digits, optionally grouped in threes by ",": a rank as the
    // pages write it. No sign, so nothing a spreadsheet reads as a formula.
    static bool isWholeNumber(QStringView text);
    // What a figure of a record may be: a whole number, a percentage (a
    // whole number with an optional decimal part, then "%"), "NA", or
    // nothing; spaces around it are allowed. Anything else read from a page
    // (markup, quotes, formulas) is stored as "NA".
    static bool isFigure(QStringView text);
    // Files joined together carry their byte-order marks into the text; one
    // at the start of a line is no part of it.
    static QStringView withoutByteOrderMarks(QStringView line);
    // The text as a view shows it: one longer than length is cut there and
    // ends in an ellipsis ("\u2026"); the record itself keeps all of it.
    static QString shown(const QString &text, qsizetype length = ShownLength);
};
