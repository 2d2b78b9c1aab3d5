#include "CRecordDate.h"

namespace {

// Asked for every record a query run or a load takes in, so the plain form
// is read directly rather than through the date parser.
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
    return day.toString(Format);
}

QDate CRecordDate::parse(QStringView text)
{
    const int found = key(text);
    return found < 0 ? QDate() : QDate(found / 10000, found / 100 % 100, found % 100);
}

int CRecordDate::key(QStringView text)
{
    if (text.size() != Length || text[2] != u'/' || text[5] != u'/')
        return -1;
    int day = 0;
    int month = 0;
    int year = 0;
    if (!readDigits(text, 0, 2, day) || !readDigits(text, 3, 2, month) || !readDigits(text, 6, 4, year))
        return -1;
    if (!QDate::isValid(year, month, day))
        return -1;
    return year * 10000 + month * 100 + day;
}
