#include "CRecordDate.h"

namespace {

// Read by hand: a history of millions of records converts as many dates.
bool readDigits(QStringView text, qsizetype from, qsizetype count, int &value)
{
    value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return false;
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return true;
}

} // namespace

QString CRecordDate::text(QDate day)
{
    return day.toString(u"dd/MM/yyyy");
}

QDate CRecordDate::parse(QStringView text)
{
    int day = 0;
    int month = 0;
    int year = 0;
    if (text.size() != 10 || text[2] != u'/' || text[5] != u'/' || !readDigits(text, 0, 2, day)
        || !readDigits(text, 3, 2, month) || !readDigits(text, 6, 4, year))
        return QDate();
    return QDate(year, month, day);
}
