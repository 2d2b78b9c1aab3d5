#include "CTableFeed.h"
#include "CWidgetHelper.h"

#include <QTableWidget>
#include <QTest>
#include <QTextEdit>

namespace {

CAlexaRankData record(const QString &domain)
{
    return CAlexaRankData::fromLine(QString(domain + QStringLiteral(",1,2,3,4,5,6,05/08/2012")));
}

class CFeedFixture
{
public:
    CFeedFixture() { table.setColumnCount(CAlexaRankData::FieldCount); }

    QStringList lines() const
    {
        QString text = status.toPlainText();
        return text.isEmpty() ? QStringList() : text.split(u'\n');
    }

    QTableWidget table;
    QTextEdit status;
    CWidgetHelper helper;
    CTableFeed feed{&table, &status, helper, nullptr};
};

} // namespace

class tst_TableFeed : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outsideARunRowsGoInAtOnce();
    void aRunHoldsRowsAndLinesUntilShown();
    void endingARunShowsWhatIsHeld();
    void nestedRebuildsPutTheirRowsInOnce();
    void clearingDropsHeldRows();
    void heldRowsGoInDuringTheRun_data();
    void heldRowsGoInDuringTheRun();
};

void tst_TableFeed::outsideARunRowsGoInAtOnce()
{
    CFeedFixture f;
    f.feed.addRecord(record(QStringLiteral("a.com")));
    QCOMPARE(f.table.rowCount(), 1);
    QCOMPARE(f.lines(), QStringList{QStringLiteral("a.com -> {a.com,1,2,3,4,5,6,05/08/2012}")});
}

void tst_TableFeed::aRunHoldsRowsAndLinesUntilShown()
{
    CFeedFixture f;
    f.feed.startRun();
    f.feed.addRecord(record(QStringLiteral("a.com")));
    f.feed.addLine(QStringLiteral("b.com has already been assessed for this date..."));
    QCOMPARE(f.table.rowCount(), 0);
    QCOMPARE(f.lines(), QStringList());
    f.feed.showHeldResults();
    QCOMPARE(f.table.rowCount(), 1);
    QCOMPARE(f.lines().size(), 2);
    QVERIFY(f.feed.isRunning());
}

void tst_TableFeed::endingARunShowsWhatIsHeld()
{
    CFeedFixture f;
    f.feed.startRun();
    f.feed.addRecord(record(QStringLiteral("a.com")));
    f.feed.appendLine(QStringLiteral("alexa ranking queries completed"));
    // The line goes in after the held line, the row waits for the end.
    QCOMPARE(f.lines().last(), QStringLiteral("alexa ranking queries completed"));
    QCOMPARE(f.table.rowCount(), 0);
    f.feed.endRun();
    QVERIFY(!f.feed.isRunning());
    QCOMPARE(f.table.rowCount(), 1);
}

void tst_TableFeed::nestedRebuildsPutTheirRowsInOnce()
{
    CFeedFixture f;
    f.feed.beginRebuild();
    f.feed.addRecord(record(QStringLiteral("a.com")));
    f.feed.beginRebuild();
    f.feed.clearRows();
    f.feed.addRecord(record(QStringLiteral("b.com")));
    f.feed.endRebuild();
    QCOMPARE(f.table.rowCount(), 0);
    f.feed.endRebuild();
    // Only the inner rebuild's row is put in; both lines are kept.
    QCOMPARE(f.table.rowCount(), 1);
    QCOMPARE(f.table.item(0, 0)->text(), QStringLiteral("b.com"));
    QCOMPARE(f.lines().size(), 2);
    QVERIFY(f.table.updatesEnabled());
}

void tst_TableFeed::clearingDropsHeldRows()
{
    CFeedFixture f;
    f.feed.addRecord(record(QStringLiteral("a.com")));
    f.feed.startRun();
    f.feed.addRecord(record(QStringLiteral("b.com")));
    f.feed.clearRows();
    f.feed.showHeldResults();
    QCOMPARE(f.table.rowCount(), 0);
}

void tst_TableFeed::heldRowsGoInDuringTheRun_data()
{
    QTest::addColumn<int>("rowsBefore");
    QTest::newRow("new rows in sight") << 0;
    QTest::newRow("new rows below the visible part") << 200;
}

void tst_TableFeed::heldRowsGoInDuringTheRun()
{
    QFETCH(int, rowsBefore);
    CFeedFixture f;
    f.table.resize(400, 200);
    f.table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.table));
    for (int i = 0; i < rowsBefore; ++i)
        f.feed.addRecord(record(QStringLiteral("old%1.com").arg(i)));
    f.feed.startRun();
    f.feed.addRecord(record(QStringLiteral("a.com")));
    f.feed.addRecord(record(QStringLiteral("b.com")));
    // Without the run ending or anyone asking, the frames put them in, in order.
    QTRY_COMPARE(f.table.rowCount(), rowsBefore + 2);
    QCOMPARE(f.table.item(rowsBefore, 0)->text(), QStringLiteral("a.com"));
    QCOMPARE(f.table.item(rowsBefore + 1, 0)->text(), QStringLiteral("b.com"));
    QCOMPARE(f.lines().size(), rowsBefore + 2);
    QCOMPARE(f.lines().last(), QStringLiteral("b.com -> {b.com,1,2,3,4,5,6,05/08/2012}"));
    QVERIFY(f.feed.isRunning());
}

QTEST_MAIN(tst_TableFeed)
#include "tst_TableFeed.moc"
