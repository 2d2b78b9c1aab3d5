#include "watch/CDigest.h"

#include "CRankSeries.h"
#include "CTrendFigure.h"
#include "CTrendPeriod.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("CDigest", text);
}

QString signedPlaces(const CMoverRow &row)
{
    return (row.change < 0 ? u'-' : u'+') + CMoverRow::number(std::abs(row.change));
}

} // namespace

CResult<CDigest::Format> CDigest::formatNamed(const QString &name)
{
    if (name == u"text")
        return CResult<Format>::success(Format::Text);
    if (name == u"markdown")
        return CResult<Format>::success(Format::Markdown);
    if (name == u"html")
        return CResult<Format>::success(Format::Html);
    return CResult<Format>::failure(QStringLiteral("not a format: ") + name);
}

CDigest::CDigest(const QList<CAlexaRankData> &history, const QStringList &domains, int figure, int days, QDate today)
    : m_figure(figure)
    , m_from(today.addDays(1 - std::max(days, 1)))
    , m_to(today)
{
    for (const CRankSeries &series : CRankSeries::buildEach(history, domains, figure, CTrendPeriod(m_from, m_to)))
        m_rows.append(CMoverRow::of(series));
    // Biggest moves first, relative to where a domain stood; domains
    // without a value in the period last, in the order given.
    std::stable_sort(m_rows.begin(), m_rows.end(), [](const CMoverRow &a, const CMoverRow &b) {
        if (a.valid != b.valid)
            return a.valid;
        return std::abs(a.percent) > std::abs(b.percent);
    });
}

QString CDigest::subject() const
{
    return tr("Sorvane digest: %1 from %2 to %3")
        .arg(CTrendFigure::label(m_figure), m_from.toString(Qt::ISODate), m_to.toString(Qt::ISODate));
}

QString CDigest::render(Format format) const
{
    switch (format) {
    case Format::Text:
        return renderText();
    case Format::Markdown:
        return renderMarkdown();
    case Format::Html:
        return renderHtml();
    }
    return QString();
}

QString CDigest::renderText() const
{
    QString out = subject() + u'\n';
    for (const CMoverRow &row : m_rows) {
        if (!row.valid) {
            out += tr("%1: no value in the period").arg(row.domain) + u'\n';
            continue;
        }
        out += tr("%1: %2, was %3, %4 (%5), best %6, worst %7")
                   .arg(row.domain, CMoverRow::number(row.newest), CMoverRow::number(row.start), signedPlaces(row),
                        CMoverRow::signedPercent(row.percent), CMoverRow::number(row.best), CMoverRow::number(row.worst))
               + u'\n';
    }
    return out;
}

QString CDigest::renderMarkdown() const
{
    QString out = QStringLiteral("## ") + subject() + QStringLiteral("\n\n");
    out += QStringLiteral("| ") + CMoverRow::headings().join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
    out += QStringLiteral("|---|---:|---:|---:|---:|---:|---:|\n");
    for (const CMoverRow &row : m_rows) {
        // A group may name anything: its markup is shown, never applied.
        QString domain;
        for (const QChar c : row.domain) {
            if (QStringView(u"\\`*_[]<>|&~!()#{}").contains(c))
                domain += u'\\';
            domain += c;
        }
        if (!row.valid) {
            out += QStringLiteral("| %1 | | | | | | |\n").arg(domain);
            continue;
        }
        out += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 |\n")
                   .arg(domain, CMoverRow::number(row.newest), CMoverRow::number(row.start), signedPlaces(row),
                        CMoverRow::signedPercent(row.percent), CMoverRow::number(row.best), CMoverRow::number(row.worst));
    }
    return out;
}

QString CDigest::renderHtml() const
{
    QString out = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>\n"
                                 "<h2>%1</h2>\n<table>\n")
                      .arg(subject().toHtmlEscaped());
    out += QStringLiteral("<tr>");
    for (const QString &heading : CMoverRow::headings())
        out += QStringLiteral("<th>") + heading.toHtmlEscaped() + QStringLiteral("</th>");
    out += QStringLiteral("</tr>\n");
    for (const CMoverRow &row : m_rows) {
        if (!row.valid) {
            out += QStringLiteral("<tr><td>%1</td><td colspan=\"6\"></td></tr>\n").arg(row.domain.toHtmlEscaped());
            continue;
        }
        out += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td><td>%7</td></tr>\n")
                   .arg(row.domain.toHtmlEscaped(), CMoverRow::number(row.newest), CMoverRow::number(row.start),
                        signedPlaces(row), CMoverRow::signedPercent(row.percent), CMoverRow::number(row.best), CMoverRow::number(row.worst));
    }
    out += QStringLiteral("</table>\n</body></html>\n");
    return out;
}
