#include "CTrendFigure.h"

#include "CAlexaRankData.h"

#include <QCoreApplication>

#include <cmath>

namespace {

// The one table of the figures' names: the title shown, the key of an
// exported history and the name alert rules and the digest use.
struct Names
{
    const char *label;
    const char16_t *exportKey;
    const char16_t *ruleName;
};

constexpr Names names[CTrendFigure::Count] = {
    {QT_TRANSLATE_NOOP("CTrendFigure", "Global Rank"), u"global_rank", u"global"},
    {QT_TRANSLATE_NOOP("CTrendFigure", "US Rank"), u"us_rank", u"us"},
    {QT_TRANSLATE_NOOP("CTrendFigure", "Yesterday"), u"yesterday", u"yesterday"},
    {QT_TRANSLATE_NOOP("CTrendFigure", "7 Day"), u"seven_day", u"7day"},
    {QT_TRANSLATE_NOOP("CTrendFigure", "1 Month"), u"one_month", u"1month"},
    {QT_TRANSLATE_NOOP("CTrendFigure", "3 Month"), u"three_month", u"3month"},
};

bool isGroupSeparator(QChar c)
{
    return c == u',' || c == u'.' || c == u'\'' || c == u' ' || c == QChar(0x00A0) || c == QChar(0x202F);
}

int digitAt(QStringView text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    return c >= u'0' && c <= u'9' ? c - u'0' : -1;
}

// Digits grouped by thousands with one kind of separator: "1,234,567".
// Returns the digits alone, or an empty text when the grouping is broken.
QString ungroup(QStringView text, QChar separator)
{
    const QList<QStringView> groups = text.split(separator);
    QString digits;
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QStringView group = groups.at(i);
        if (group.isEmpty() || group.size() > 3 || (i > 0 && group.size() != 3))
            return QString();
        for (qsizetype j = 0; j < group.size(); ++j) {
            if (digitAt(group, j) < 0)
                return QString();
        }
        digits += group;
    }
    return digits;
}

} // namespace

QString CTrendFigure::label(int figure)
{
    return figure >= 0 && figure < Count ? QCoreApplication::translate("CTrendFigure", names[figure].label) : QString();
}

QString CTrendFigure::exportKey(int figure)
{
    return figure >= 0 && figure < Count ? QString::fromUtf16(names[figure].exportKey) : QString();
}

QString CTrendFigure::ruleName(int figure)
{
    return figure >= 0 && figure < Count ? QString::fromUtf16(names[figure].ruleName) : QString();
}

int CTrendFigure::figureNamed(QStringView ruleName)
{
    for (int figure = 0; figure < Count; ++figure) {
        if (ruleName == QStringView(names[figure].ruleName))
            return figure;
    }
    return -1;
}

QString CTrendFigure::note(int figure)
{
    if (figure != UsRank)
        return QString();
    return QCoreApplication::translate(
        "CTrendFigure",
        "The domain's rank among the sites visited from the United States. From the Chrome UX Report "
        "it is a bucket for a whole month: 10,000 means among the top 10,000 in the United States. A "
        "rank stored from a daily United States list is the domain's place in it.");
}

QString CTrendFigure::text(const CAlexaRankData &record, int figure)
{
    // The figures are fields 1 to 6 of a record, after the domain.
    return figure >= 0 && figure < Count ? record.field(figure + 1) : QString();
}

std::optional<double> CTrendFigure::value(QStringView text)
{
    text = text.trimmed();
    if (text.endsWith(u'%'))
        text = text.chopped(1).trimmed();
    if (text.isEmpty())
        return std::nullopt;

    // Plain digits with at most one decimal point are the usual case.
    bool plain = true;
    int points = 0;
    for (qsizetype i = 0; i < text.size() && plain; ++i) {
        if (text[i] == u'.')
            ++points;
        else if (digitAt(text, i) < 0)
            plain = false;
    }
    QString number;
    if (plain && points <= 1) {
        number = text.toString();
    } else {
        // Grouped digits: the separator is the first character that is no
        // digit; a "." after ",", "'" or a space groups may end a decimal part.
        QChar separator;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (digitAt(text, i) < 0) {
                separator = text[i];
                break;
            }
        }
        if (!isGroupSeparator(separator))
            return std::nullopt;
        QStringView whole = text;
        QStringView fraction;
        if (separator != u'.') {
            const qsizetype point = text.indexOf(u'.');
            if (point >= 0) {
                whole = text.left(point);
                fraction = text.mid(point + 1);
                for (qsizetype i = 0; i < fraction.size(); ++i) {
                    if (digitAt(fraction, i) < 0)
                        return std::nullopt;
                }
                if (fraction.isEmpty())
                    return std::nullopt;
            }
        }
        number = ungroup(whole, separator);
        if (number.isEmpty())
            return std::nullopt;
        if (!fraction.isEmpty())
            number += u'.' + fraction;
    }
    bool ok = false;
    const double result = number.toDouble(&ok);
    if (!ok || !std::isfinite(result) || result <= 0)
        return std::nullopt;
    return result;
}
