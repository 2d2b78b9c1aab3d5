#pragma once

#include "base/CResult.h"

#include "CMoverRow.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class CAlexaRankData;

// How each domain's figure moved over the last days: the movers table's
// figures (newest, start, change, best, worst), biggest movers first, as
// text, markdown or HTML.
class CDigest
{
public:
    enum class Format { Text, Markdown, Html };

    // "text", "markdown" or "html"; a failure for another name.
    static CResult<Format> formatNamed(const QString &name);

    // The last `days` days up to and including `today`.
    CDigest(const QList<CAlexaRankData> &history, const QStringList &domains, int figure, int days, QDate today);

    const QList<CMoverRow> &rows() const { return m_rows; }
    QString subject() const;
    QString render(Format format) const;

private:
    QString renderText() const;
    QString renderMarkdown() const;
    QString renderHtml() const;

    QList<CMoverRow> m_rows;
    int m_figure;
    QDate m_from;
    QDate m_to;
};
