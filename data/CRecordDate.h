#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

// The date text a record carries, "dd/MM/yyyy" (the local date of the query):
// written, read back and cut into day, month and year here only.
class CRecordDate
{
public:
    static constexpr QStringView Format = u"dd/MM/yyyy";
    static constexpr qsizetype Length = 10;

    static QString text(QDate day);
    // The day a text names, or an invalid date for any text of another form
    // (two-two-four ASCII digits, a day that exists).
    static QDate parse(QStringView text);
    // A number that orders like the calendar (yyyymmdd), or -1 for a text
    // that parse() refuses.
    static int key(QStringView text);

    // Cuts by position, without any check: a hand-edited history may hold
    // other texts, which are cut all the same.
    static QString yearOf(const QString &text) { return text.mid(6, 4); }
    static QString monthOf(const QString &text) { return text.mid(3, 2); }
    static QString dayOf(const QString &text) { return text.mid(0, 2); }
};
