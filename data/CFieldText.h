#pragma once

#include <QChar>
#include <QStringView>

// What may stand in a field of a history line: any text but a character that
// breaks the line (a control character or a Unicode line or paragraph
// separator). Markup is fine: it is only ever shown as plain text.
class CFieldText
{
public:
    static bool breaksLine(QChar c);
    static bool isPlain(QStringView text);
    // Files joined together carry their byte-order marks into the text; one
    // at the start of a line is no part of it.
    static QStringView withoutByteOrderMarks(QStringView line);
};
