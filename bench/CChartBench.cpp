#include "CChartBench.h"

#include "CBenchData.h"
#include "CBenchReport.h"

#include "CAlexaRankData.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "ChartWindow.h"
#include "OverviewWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>


namespace {

constexpr double OpenGoalMs = 300;
constexpr double AddGoalMs = 100;
constexpr double DrawGoalMs = 200;
constexpr double OverviewGoalMs = 150;
constexpr int DrawDomains = 20;

QList<CAlexaRankData> historyOf(int records, int domains, QDate lastDay, QStringList *names)
{
    QList<CAlexaRankData> history;
    CDomainDateList dates;
    CDataStore::parseHistory(CBenchData::history(records, domains, lastDay), history, dates);
    for (int d = 0; d < domains; ++d)
        names->append(CBenchData::domainName(CBenchData::HistoryDomainBase + d));
    return history;
}

// Shows the window, lets the chart lay itself out and paints it: what the
// user waits for.
void showAndPaint(QWidget &window)
{
    window.show();
    QCoreApplication::processEvents();
    window.repaint();
}

void layOutAndPaint(ChartWindow &window)
{
    QCoreApplication::processEvents();
    window.repaint();
}

QString label(const char *base, int count)
{
    const QString size = count >= 1000000 && count % 1000000 == 0 ? QStringLiteral("%1m").arg(count / 1000000)
                         : count >= 1000 && count % 1000 == 0   ? QStringLiteral("%1k").arg(count / 1000)
                                                                : QString::number(count);
    return QString::fromLatin1(base).arg(size);
}

} // namespace

CChartBench::CChartBench(CBenchReport &report, int runs, int records, int domains, QDate lastDay, bool quick)
    : m_report(report)
    , m_runs(runs)
    , m_records(records)
    , m_domains(domains)
    , m_lastDay(lastDay)
    , m_quick(quick)
{
}

void CChartBench::run()
{
    QStringList names;
    const QList<CAlexaRankData> history = historyOf(m_records, m_domains, m_lastDay, &names);
    benchOpenAndAdd(history, names);
    benchOverview(history, names);
    benchTwentyDomains();
}

void CChartBench::benchOverview(const QList<CAlexaRankData> &history, const QStringList &names)
{
    QList<double> open;
    for (int run = 0; run < m_runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        OverviewWindow window(&history);
        window.resize(1260, 680);
        window.setDomainList(names);
        showAndPaint(window); // the rows are made as it is shown
        open.append(CBenchReport::msOf(clock));
    }
    m_report.goal(label("overview_open_%1", m_records), open, QStringLiteral("ms"), CBenchReport::Bound::AtMost,
                  OverviewGoalMs);
}

void CChartBench::benchOpenAndAdd(const QList<CAlexaRankData> &history, const QStringList &names)
{
    QList<double> open;
    QList<double> add;
    for (int run = 0; run < m_runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        ChartWindow window(&history);
        window.resize(1260, 680);
        window.setDomainList(names);
        window.choose(names.value(run % names.size()));
        showAndPaint(window);
        open.append(CBenchReport::msOf(clock));

        clock.restart();
        window.choose(names.value((run + 1) % names.size()));
        layOutAndPaint(window);
        add.append(CBenchReport::msOf(clock));
    }
    m_report.goal(label("chart_open_one_domain_%1", m_records), open, QStringLiteral("ms"),
                  CBenchReport::Bound::AtMost, OpenGoalMs);
    m_report.goal(label("chart_add_domain_%1", m_records), add, QStringLiteral("ms"), CBenchReport::Bound::AtMost,
                  AddGoalMs);
}

void CChartBench::benchTwentyDomains()
{
    const int days = m_quick ? 120 : 5 * 365 + 1;
    QStringList names;
    const QList<CAlexaRankData> history = historyOf(days * DrawDomains, DrawDomains, m_lastDay, &names);
    ChartWindow window(&history);
    window.resize(1260, 680);
    window.setDomainList(names);
    for (const QString &name : std::as_const(names))
        window.choose(name);
    showAndPaint(window);
    QList<double> draw;
    for (int run = 0; run < m_runs; ++run) {
        // From the records: the series are read again, then drawn and painted.
        window.historyChanged();
        QElapsedTimer clock;
        clock.start();
        window.refresh();
        layOutAndPaint(window);
        draw.append(CBenchReport::msOf(clock));
    }
    m_report.goal(QStringLiteral("chart_draw_%1_domains_%2_days").arg(DrawDomains).arg(days), draw,
                  QStringLiteral("ms"), CBenchReport::Bound::AtMost, DrawGoalMs);
}
