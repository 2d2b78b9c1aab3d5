#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

// The date text a record carries, "dd/MM/yyyy" (the local date of the query).
class CRecordDate
{
public:
    static QString text(QDate day);
    // The day a text names, or an invalid date for any text of another form.
    static QDate parse(QStringView text);
};
