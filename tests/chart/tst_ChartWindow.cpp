#include "CAlexaRankData.h"
#include "CChartPicture.h"
#include "CRankChart.h"
#include "ChartWindow.h"
#include "CTrendFigure.h"

#include <QCategoryAxis>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QChart>
#include <QDateTimeAxis>
#include <QImage>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QScatterSeries>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QSvgRenderer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

class tst_ChartWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void linesGapsAndLonePoints();
    void rankAxisIsReversedLogarithmic_data();
    void rankAxisIsReversedLogarithmic();
    void dateAxisFitsThePeriod_data();
    void dateAxisFitsThePeriod();
    void oneColourAndLegendEntryPerDomain();
    void longLinesKeepTheirPeaks();
    void checkAGroup();
    void legendShowsMarkupLiterally();
    void domainListAndFilter();
    void moversSortByEveryColumn_data();
    void moversSortByEveryColumn();
    void figureChoice();
    void usRankIsDrawnAsSteps();
    void liveUpdate();
    void saveAsPngAndSvg();
    void pictureNamesEveryDomain();
    void hoverShowsDomainDateAndValue();
    void tipText_data();
    void tipText();
    void tickLabels_data();
    void tickLabels();

private:
    QList<CAlexaRankData> history;
};

namespace {

QString day(QDate date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

void add(QList<CAlexaRankData> &history, const QString &domain, const QString &rank, QDate date)
{
    history.append(CAlexaRankData::fromLine(
        QStringLiteral("%1,%2,%2,%2,%2,%2,%2,%3").arg(domain, rank, day(date))));
}

// The drawn series of a domain, in drawing order.
QList<QXYSeries *> seriesOf(const ChartWindow &window, const QString &domain)
{
    QList<QXYSeries *> result;
    const QList<QAbstractSeries *> all = window.rankChart()->chart()->series();
    for (QAbstractSeries *series : all) {
        if (series->name() == domain)
            result.append(static_cast<QXYSeries *>(series));
    }
    return result;
}

// The values of drawn points, back from the logarithmic placing.
QList<double> valuesOf(const QXYSeries *series)
{
    QList<double> values;
    const QList<QPointF> points = series->points();
    for (const QPointF &point : points)
        values.append(std::round(std::pow(10.0, point.y())));
    return values;
}

QDate dateOf(qreal x)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(x)).date();
}

const QDate first(2024, 2, 27); // the range crosses a leap day

} // namespace

void tst_ChartWindow::init()
{
    history.clear();
    // a.com: 100, 200, NA, 400, 500, empty, 700 (lone), NA
    const QStringList ranks = {"100", "200", "NA", "400", "500", "", "700", "NA"};
    for (int i = 0; i < ranks.size(); ++i)
        add(history, "a.com", ranks.at(i), first.addDays(i));
    for (int i = 0; i < 5; ++i)
        add(history, "b.com", QString::number(20000 + 1000 * i), first.addDays(i));
    add(history, "c.com", "3", first.addDays(2));
}

void tst_ChartWindow::linesGapsAndLonePoints()
{
    ChartWindow window(&history);
    window.setDomainList({"  a.com", "  b.com", "  c.com"});
    window.choose("  a.com");
    const QList<QXYSeries *> drawn = seriesOf(window, "a.com");
    QCOMPARE(drawn.size(), 3);
    QVERIFY(qobject_cast<QLineSeries *>(drawn.at(0)) && !qobject_cast<QScatterSeries *>(drawn.at(0)));
    QCOMPARE(valuesOf(drawn.at(0)), (QList<double>{100, 200}));
    QCOMPARE(valuesOf(drawn.at(1)), (QList<double>{400, 500}));
    QVERIFY(qobject_cast<QScatterSeries *>(drawn.at(2))); // the lone point is a marker
    QCOMPARE(valuesOf(drawn.at(2)), QList<double>{700});
    QCOMPARE(dateOf(drawn.at(2)->at(0).x()), first.addDays(6));
    // No point sits on the gap days, and none at a value below rank 1.
    for (const QXYSeries *series : drawn) {
        const QList<QPointF> points = series->points();
        for (const QPointF &point : points) {
            QVERIFY(point.y() >= 0);
            const QDate date = dateOf(point.x());
            QVERIFY2(date != first.addDays(2) && date != first.addDays(5) && date != first.addDays(7),
                     qPrintable(day(date)));
        }
    }
}

void tst_ChartWindow::rankAxisIsReversedLogarithmic_data()
{
    QTest::addColumn<QStringList>("domains");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("hundreds") << QStringList{"a.com"} << 2 << 3 << QStringList{"100", "200", "500", "1k"};
    QTest::newRow("rank 3 to 24k") << QStringList{"c.com", "b.com"} << 0 << 5
                                   << QStringList{"1", "10", "100", "1k", "10k", "100k"};
    QTest::newRow("single rank") << QStringList{"c.com"} << 0 << 1 << QStringList{"1", "2", "5", "10"};
    QTest::newRow("nothing drawn") << QStringList{} << 0 << 3
                                   << QStringList{"1", "2", "5", "10", "20", "50", "100", "200", "500", "1k"};
}

void tst_ChartWindow::rankAxisIsReversedLogarithmic()
{
    QFETCH(QStringList, domains);
    QFETCH(int, low);
    QFETCH(int, high);
    ChartWindow window(&history);
    window.setDomainList({"a.com", "b.com", "c.com"});
    for (const QString &domain : domains)
        window.choose(domain);
    window.refresh();
    QCategoryAxis *axis = window.rankChart()->rankAxis();
    QVERIFY(axis->isReverse()); // rank 1 at the top
    QCOMPARE(axis->min(), qreal(low));
    QCOMPARE(axis->max(), qreal(high));
    QTEST(axis->categoriesLabels(), "labels");
    // Every label stands at the logarithm of the value it names.
    const QStringList labels = axis->categoriesLabels();
    for (const QString &label : labels) {
        QString digits = label;
        double scale = 1;
        if (digits.endsWith(u'k')) {
            scale = 1e3;
            digits.chop(1);
        }
        QCOMPARE(axis->endValue(label), std::log10(digits.toDouble() * scale));
    }
    // The drawn values lie inside the axis.
    const QList<QAbstractSeries *> all = window.rankChart()->chart()->series();
    for (QAbstractSeries *series : all) {
        const QList<QPointF> points = static_cast<QXYSeries *>(series)->points();
        for (const QPointF &point : points)
            QVERIFY(point.y() >= axis->min() && point.y() <= axis->max());
    }
}

void tst_ChartWindow::dateAxisFitsThePeriod_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QDate>("expectedFrom");
    QTest::addColumn<QDate>("expectedTo");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("newest");
    // Gap days at the ends do not stretch the axis of the whole history.
    QTest::newRow("all history") << int(ChartWindow::AllHistory) << QDate() << QDate() << first
                                 << first.addDays(6) << 5 << "700";
    QTest::newRow("range over the leap day") << int(ChartWindow::Range) << QDate(2024, 2, 28)
                                             << QDate(2024, 3, 1) << QDate(2024, 2, 28) << QDate(2024, 3, 1) << 2 << "400";
    QTest::newRow("picked month") << int(ChartWindow::PickedPeriod) << QDate(2024, 3, 1) << QDate(2024, 3, 31)
                                  << QDate(2024, 3, 1) << QDate(2024, 3, 31) << 3 << "700";
    QTest::newRow("range without data") << int(ChartWindow::Range) << QDate(2023, 1, 1) << QDate(2023, 1, 31)
                                        << QDate(2023, 1, 1) << QDate(2023, 1, 31) << 0 << "no data";
}

void tst_ChartWindow::dateAxisFitsThePeriod()
{
    QFETCH(int, choice);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QDate, expectedFrom);
    QFETCH(QDate, expectedTo);
    QFETCH(int, points);
    ChartWindow window(&history);
    window.setDomainList({"a.com"});
    window.choose("a.com");
    if (choice == ChartWindow::Range)
        window.setRange(from, to);
    else if (choice == ChartWindow::PickedPeriod)
        window.setPickedPeriod(CTrendPeriod(from, to));
    window.setPeriodChoice(ChartWindow::PeriodChoice(choice));
    const QDateTimeAxis *axis = window.rankChart()->dateAxis();
    QCOMPARE(axis->min().date(), expectedFrom);
    QCOMPARE(axis->max().date(), expectedTo);
    int drawn = 0;
    for (const QXYSeries *series : seriesOf(window, "a.com"))
        drawn += series->count();
    QCOMPARE(drawn, points);
    // The movers table follows the period.
    QCOMPARE(window.movers()->rowCount(), 1);
    QTEST(window.movers()->item(0, ChartWindow::NewestColumn)->text(), "newest");
}

void tst_ChartWindow::oneColourAndLegendEntryPerDomain()
{
    QList<CAlexaRankData> many;
    QStringList domains;
    for (int d = 0; d < 24; ++d) {
        const QString domain = QStringLiteral("d%1.com").arg(d);
        domains.append(domain);
        for (int i = 0; i < 4; ++i)
            add(many, domain, i == 1 ? QStringLiteral("NA") : QString::number(10 + d + i), first.addDays(i));
    }
    ChartWindow window(&many);
    window.setDomainList(domains);
    // The legend is drawn into saved images only; shown, it has an entry a domain.
    window.rankChart()->chart()->legend()->setVisible(true);
    for (const QString &domain : std::as_const(domains))
        window.choose(domain);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSet<QRgb> colours;
    int legendEntries = 0;
    for (const QString &domain : std::as_const(domains)) {
        const QList<QXYSeries *> drawn = seriesOf(window, domain);
        QCOMPARE(drawn.size(), 2); // a lone marker and a line
        QCOMPARE(drawn.at(0)->color(), drawn.at(1)->color());
        colours.insert(drawn.at(0)->color().rgb());
        for (QXYSeries *series : drawn) {
            const QList<QLegendMarker *> markers = window.rankChart()->chart()->legend()->markers(series);
            for (const QLegendMarker *marker : markers)
                legendEntries += marker->isVisible() ? 1 : 0;
        }
    }
    // Two dozen domains, two dozen colours; and a domain's colour is its
    // own, whatever else is drawn: alone, it has the same.
    QCOMPARE(colours.size(), 24);
    QCOMPARE(legendEntries, 24);
    for (const QString &domain : std::as_const(domains))
        QCOMPARE(seriesOf(window, domain).first()->color(), window.rankChart()->colourOf(domain));

    window.rankChart()->chart()->legend()->setVisible(false);

    // The list is the legend: each checked name, whole, beside its colour.
    const auto *list = window.findChild<QListWidget *>(QStringLiteral("lstDomains"));
    QVERIFY(list);
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem *item = list->item(row);
        QCOMPARE(item->data(Qt::UserRole).value<QColor>(), seriesOf(window, item->text()).first()->color());
        QVERIFY(!item->icon().isNull());
    }
    window.setChecked(domains.first(), false);
    QVERIFY(list->item(0)->icon().isNull());
    window.uncheckAll();
    QCOMPARE(window.checkedDomains(), QStringList());
    window.choose(domains.at(5));
    QCOMPARE(seriesOf(window, domains.at(5)).first()->color(), window.rankChart()->colourOf(domains.at(5)));
    // The movers table shows every column without scrolling sideways.
    const auto *movers = window.findChild<QTableView *>(QStringLiteral("tblMovers"));
    QVERIFY(movers);
    QCOMPARE(movers->horizontalScrollBar()->maximum(), 0);
}

void tst_ChartWindow::checkAGroup()
{
    ChartWindow window(&history);
    // The chart's own legend would cut the names short: the list shows them.
    QVERIFY(!window.rankChart()->chart()->legend()->isVisible());
    window.setDomainList({"  a.com", "  b.com", "  c.com"});
    // A group may name a domain the list does not hold.
    window.setGroups({{"mine", {"c.com", "a.com", "gone.com"}}, {"rivals", {"b.com"}}});
    window.checkGroup("mine");
    QCOMPARE(window.checkedDomains(), (QStringList{"a.com", "c.com"}));
    QCOMPARE(seriesOf(window, "c.com").size(), 1);
    QVERIFY(seriesOf(window, "b.com").isEmpty());

    // Chosen in the box, a group adds to what is checked, or with "Only this
    // group" replaces it.
    auto *groups = window.findChild<QComboBox *>(QStringLiteral("cbGroup"));
    auto *only = window.findChild<QCheckBox *>(QStringLiteral("chkOnlyGroup"));
    QVERIFY(groups && only);
    groups->activated(2);
    QCOMPARE(window.checkedDomains(), (QStringList{"a.com", "b.com", "c.com"}));
    only->setChecked(true);
    groups->activated(2);
    QCOMPARE(window.checkedDomains(), QStringList{"b.com"});
    window.findChild<QPushButton *>(QStringLiteral("btnUncheckAll"))->click();
    QCOMPARE(window.checkedDomains(), QStringList());

    // Esc closes the window, as Ctrl+W does.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
}

void tst_ChartWindow::legendShowsMarkupLiterally()
{
    // The legend lays its labels out as markup; a name must read as typed.
    const QString domain = QStringLiteral("<b>bold</b>&amp;.com");
    QList<CAlexaRankData> records;
    add(records, domain, QStringLiteral("100"), QDate(2024, 1, 1));
    add(records, domain, QStringLiteral("90"), QDate(2024, 1, 2));
    ChartWindow window(&records);
    window.setDomainList({domain});
    window.choose(domain);
    const QList<QXYSeries *> drawn = seriesOf(window, domain);
    QCOMPARE(drawn.size(), 1);
    const QList<QLegendMarker *> markers = window.rankChart()->chart()->legend()->markers(drawn.first());
    QCOMPARE(markers.size(), 1);
    QCOMPARE(markers.first()->label(), domain.toHtmlEscaped());
}

void tst_ChartWindow::longLinesKeepTheirPeaks()
{
    QList<CAlexaRankData> records;
    const QDate start(2019, 1, 1);
    const int days = 3000;
    // Grouped by spaces: a "," would end the field.
    for (int i = 0; i < days; ++i) {
        const QString rank = i == 1234 ? QStringLiteral("1") : i == 2345 ? QStringLiteral("1 000 000")
                                                                         : QString::number(500 + i % 50);
        add(records, "a.com", rank, start.addDays(i));
    }
    ChartWindow window(&records);
    window.setDomainList({"a.com"});
    window.choose("a.com");
    const QList<QXYSeries *> drawn = seriesOf(window, "a.com");
    QCOMPARE(drawn.size(), 1);
    QVERIFY(drawn.first()->count() <= CRankChart::MaxLinePoints);
    const QList<double> values = valuesOf(drawn.first());
    QVERIFY(values.contains(1));
    QVERIFY(values.contains(1000000));
    // In date order from the first day to the last.
    const QList<QPointF> points = drawn.first()->points();
    QCOMPARE(dateOf(points.first().x()), start);
    QCOMPARE(dateOf(points.last().x()), start.addDays(days - 1));
    for (qsizetype i = 1; i < points.size(); ++i)
        QVERIFY(points.at(i).x() > points.at(i - 1).x());
    QCOMPARE(window.rankChart()->rankAxis()->min(), 0.0);
    QCOMPARE(window.rankChart()->rankAxis()->max(), 6.0);
}

void tst_ChartWindow::domainListAndFilter()
{
    ChartWindow window(&history);
    // Entries trimmed, blank and repeated ones dropped, the list's order kept.
    window.setDomainList({"  b.com", "  a.com", "   ", "  b.com"});
    window.choose("  b.com");
    QCOMPARE(window.listedDomains(), (QStringList{"b.com", "a.com"}));
    QCOMPARE(window.checkedDomains(), QStringList{"b.com"});
    auto *filter = window.findChild<QLineEdit *>("txtFilter");
    auto *list = window.findChild<QListWidget *>("lstDomains");
    QVERIFY(filter && list);
    filter->setText("A.C");
    QStringList visible;
    for (int row = 0; row < list->count(); ++row) {
        if (!list->item(row)->isHidden())
            visible.append(list->item(row)->text());
    }
    QCOMPARE(visible, QStringList{"a.com"});
    // Checking an item draws it, unchecking removes it.
    list->item(1)->setCheckState(Qt::Checked);
    QCOMPARE(seriesOf(window, "a.com").size(), 3);
    list->item(1)->setCheckState(Qt::Unchecked);
    QVERIFY(seriesOf(window, "a.com").isEmpty());
    QCOMPARE(window.movers()->rowCount(), 1);
}

void tst_ChartWindow::moversSortByEveryColumn_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("ascending");
    // a.com 100 -> 700: down 600 (-600%); b.com 20000 -> 24000: down 4000 (-20%); c.com 3 only.
    QTest::newRow("domain") << int(ChartWindow::DomainColumn) << QStringList{"a.com", "b.com", "c.com"};
    QTest::newRow("newest") << int(ChartWindow::NewestColumn) << QStringList{"c.com", "a.com", "b.com"};
    QTest::newRow("start") << int(ChartWindow::StartColumn) << QStringList{"c.com", "a.com", "b.com"};
    QTest::newRow("change") << int(ChartWindow::ChangeColumn) << QStringList{"b.com", "a.com", "c.com"};
    QTest::newRow("percent") << int(ChartWindow::PercentColumn) << QStringList{"a.com", "b.com", "c.com"};
    QTest::newRow("best") << int(ChartWindow::BestColumn) << QStringList{"c.com", "a.com", "b.com"};
    QTest::newRow("worst") << int(ChartWindow::WorstColumn) << QStringList{"c.com", "a.com", "b.com"};
}

void tst_ChartWindow::moversSortByEveryColumn()
{
    QFETCH(int, column);
    QFETCH(QStringList, ascending);
    ChartWindow window(&history);
    window.setDomainList({"a.com", "b.com", "c.com"});
    window.choose("c.com");
    window.choose("b.com");
    window.choose("a.com");
    auto *table = window.findChild<QTableView *>("tblMovers");
    QVERIFY(table);
    table->sortByColumn(column, Qt::AscendingOrder);
    QStringList order;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        order.append(table->model()->index(row, ChartWindow::DomainColumn).data().toString());
    QCOMPARE(order, ascending);
    table->sortByColumn(column, Qt::DescendingOrder);
    QCOMPARE(table->model()->index(0, ChartWindow::DomainColumn).data().toString(), ascending.last());
    // Shown figures: a fall in rank is an improvement, marked "+".
    QStandardItemModel *movers = window.movers();
    const QList<QStandardItem *> b = movers->findItems("b.com");
    QCOMPARE(b.size(), 1);
    QCOMPARE(movers->item(b.first()->row(), ChartWindow::ChangeColumn)->text(), QStringLiteral("-4,000"));
    QCOMPARE(movers->item(b.first()->row(), ChartWindow::PercentColumn)->text(), QStringLiteral("-20.0%"));
    QCOMPARE(movers->item(b.first()->row(), ChartWindow::BestColumn)->text(), QStringLiteral("20,000"));
}

void tst_ChartWindow::figureChoice()
{
    QList<CAlexaRankData> records;
    records.append(CAlexaRankData::fromLine(u"a.com,100,50,1,2,3,4,01/01/2024"));
    records.append(CAlexaRankData::fromLine(u"a.com,200,NA,1,2,3,4,02/01/2024"));
    ChartWindow window(&records);
    window.setDomainList({"a.com"});
    window.choose("a.com");
    window.setFigure(CTrendFigure::UsRank);
    const QList<QXYSeries *> drawn = seriesOf(window, "a.com");
    QCOMPARE(drawn.size(), 1);
    QVERIFY(qobject_cast<QScatterSeries *>(drawn.first()));
    QCOMPARE(valuesOf(drawn.first()), QList<double>{50});
    QVERIFY(window.rankChart()->chart()->title().startsWith(QStringLiteral("US Rank")));
}

void tst_ChartWindow::usRankIsDrawnAsSteps()
{
    // A bucket holds for its month: the line keeps it up to the next value's day.
    QList<CAlexaRankData> records;
    const QList<QDate> days{QDate(2026, 10, 5), QDate(2026, 10, 20), QDate(2026, 11, 5), QDate(2026, 11, 6)};
    for (int i = 0; i < days.size(); ++i)
        add(records, "a.com", i < 2 ? "10000" : "5000", days.at(i));
    ChartWindow window(&records);
    window.setDomainList({"a.com"});
    window.choose("a.com");
    QCOMPARE(seriesOf(window, "a.com").first()->count(), 4); // the global rank: a slope
    window.setFigure(CTrendFigure::UsRank);
    const QList<QXYSeries *> drawn = seriesOf(window, "a.com");
    QCOMPARE(drawn.size(), 1);
    QCOMPARE(valuesOf(drawn.first()), (QList<double>{10000, 10000, 10000, 5000, 5000}));
    QList<QDate> dates;
    for (const QPointF &point : drawn.first()->points())
        dates.append(dateOf(point.x()));
    QCOMPARE(dates, (QList<QDate>{days.at(0), days.at(1), days.at(2), days.at(2), days.at(3)}));
}

void tst_ChartWindow::liveUpdate()
{
    ChartWindow window(&history);
    window.setDomainList({"a.com"});
    window.choose("a.com");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    add(history, "a.com", "800", first.addDays(8));
    add(history, "b.com", "5", first.addDays(8));
    window.historyChanged();
    QTRY_COMPARE(seriesOf(window, "a.com").size(), 4);
    QCOMPARE(valuesOf(seriesOf(window, "a.com").last()), QList<double>{800});
    QCOMPARE(window.rankChart()->dateAxis()->max().date(), first.addDays(8));
    history.removeLast();
    history.removeLast();
    window.historyChanged();
    QTRY_COMPARE(seriesOf(window, "a.com").size(), 3);
}

void tst_ChartWindow::saveAsPngAndSvg()
{
    ChartWindow window(&history);
    window.setDomainList({"a.com", "b.com"});
    window.choose("a.com");
    window.choose("b.com");
    window.resize(1000, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTemporaryDir dir;
    const QString png = dir.filePath("chart.png");
    const QString svg = dir.filePath("chart.svg");
    QVERIFY(window.savePng(png));
    QVERIFY(window.saveSvg(svg));
    QImage image;
    QVERIFY(image.load(png, "PNG"));
    QVERIFY(image.width() > 300 && image.height() > 200);
    QSvgRenderer renderer(svg);
    QVERIFY(renderer.isValid());
    QVERIFY(renderer.defaultSize().width() > 300);
    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("<svg"));
    QVERIFY(text.contains("b.com")); // the legend is drawn into it
    QVERIFY(!window.savePng(dir.filePath("missing/folder/chart.png")));
}

void tst_ChartWindow::pictureNamesEveryDomain()
{
    // Twenty domains with long names at 1200 x 800: every name whole, in
    // rows under the chart, no two overlapping, none past the edge.
    CChartPicture::Content content;
    for (int d = 0; d < 20; ++d) {
        CRankSeries series(QStringLiteral("domain-number-%1.example.com").arg(d));
        series.add(first, QString::number(100 + d), 0);
        series.add(first.addDays(1), QString::number(90 + d), 1);
        series.finish();
        content.series.append(series);
    }
    const CChartPicture picture(content, QSize(1200, 800));
    const QList<QRect> &places = picture.legendPlaces();
    QCOMPARE(places.size(), 20);
    QVERIFY(picture.legendRows() >= 2);
    for (qsizetype i = 0; i < places.size(); ++i) {
        QVERIFY(places.at(i).left() >= 0 && places.at(i).right() < 1200);
        for (qsizetype j = i + 1; j < places.size(); ++j)
            QVERIFY(!places.at(i).intersects(places.at(j)));
    }
    QVERIFY(!picture.rankChart()->isEmpty());

    // Nothing to draw says so, without axes.
    CChartPicture::Content none;
    none.series.append(CRankSeries(QStringLiteral("a.com")));
    const CChartPicture empty(none, QSize(600, 400));
    QVERIFY(empty.rankChart()->isEmpty());
    QVERIFY(!empty.rankChart()->dateAxis()->isVisible());
}

void tst_ChartWindow::hoverShowsDomainDateAndValue()
{
    ChartWindow window(&history);
    window.setDomainList({"a.com", "b.com"});
    window.choose("a.com");
    window.choose("b.com");
    QXYSeries *line = seriesOf(window, "b.com").first();
    Q_EMIT line->hovered(line->at(2), true);
    QCOMPARE(window.hoverText(), QStringLiteral("b.com\n29/02/2024\n22,000"));
    Q_EMIT line->hovered(line->at(2), false);
    QVERIFY(window.hoverText().isEmpty());
}

void tst_ChartWindow::tipText_data()
{
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<int>("figure");
    QTest::addColumn<QString>("expected");
    const int global = CTrendFigure::GlobalRank;
    const int us = CTrendFigure::UsRank;
    QTest::newRow("rank") << QPointF(CRankChart::xOf(QDate(2024, 2, 29)), std::log10(12345.0)) << global
                          << "a.com\n29/02/2024\n12,345";
    QTest::newRow("rank one") << QPointF(CRankChart::xOf(QDate(2025, 1, 1)), 0.0) << global << "a.com\n01/01/2025\n1";
    QTest::newRow("reach") << QPointF(CRankChart::xOf(QDate(2024, 12, 31)), std::log10(0.0123)) << global
                           << "a.com\n31/12/2024\n0.0123";
    QTest::newRow("us bucket") << QPointF(CRankChart::xOf(QDate(2026, 11, 30)), 4.0) << us
                               << "a.com\n30/11/2026\namong the top 10,000 in the United States";
    QTest::newRow("us place stored before") << QPointF(CRankChart::xOf(QDate(2020, 1, 2)), std::log10(1234.0)) << us
                                            << "a.com\n02/01/2020\n1,234";
    QTest::newRow("global bucket value") << QPointF(CRankChart::xOf(QDate(2026, 11, 30)), 4.0) << global
                                         << "a.com\n30/11/2026\n10,000";
}

void tst_ChartWindow::tipText()
{
    QFETCH(QPointF, point);
    QFETCH(int, figure);
    QTEST(CRankChart::tipText("a.com", point, figure), "expected");
}

void tst_ChartWindow::tickLabels_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("label");
    QTest::newRow("1") << 1.0 << "1";
    QTest::newRow("500") << 500.0 << "500";
    QTest::newRow("1k") << 1000.0 << "1k";
    QTest::newRow("20k") << 20000.0 << "20k";
    QTest::newRow("1M") << 1e6 << "1M";
    QTest::newRow("5G") << 5e9 << "5G";
    QTest::newRow("0.01") << 0.01 << "0.01";
}

void tst_ChartWindow::tickLabels()
{
    QFETCH(double, value);
    QTEST(CRankChart::tickLabel(value), "label");
}

QTEST_MAIN(tst_ChartWindow)
#include "tst_ChartWindow.moc"
