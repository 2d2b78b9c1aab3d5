#include "CClippedTextDelegate.h"
#include "CFieldText.h"
#include "CWindowFixture.h"
#include "MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>

namespace {

constexpr qsizetype Giant = 2000000;
const QByteArray Normal = "a.com,1,2,3,4,5,6,05/08/2012\n";

// A history line whose field at the given position is Giant characters long.
QByteArray giantLine(int field)
{
    QList<QByteArray> fields{"b.com", "10", "20", "30", "40", "50", "60", "05/08/2012"};
    fields[field] = QByteArray(Giant, 'g');
    return fields.join(',') + '\n';
}

} // namespace

// The hang guard is the test's time limit: a window that lays out a giant
// field whole does not finish within it.
class tst_GiantFields : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void giantFieldIsShownShortened_data();
    void giantFieldIsShownShortened();
    void toolTipShowsWhatIsCheap();
};

void tst_GiantFields::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_GiantFields::giantFieldIsShownShortened_data()
{
    QTest::addColumn<int>("field");
    QTest::newRow("domain") << 0;
    QTest::newRow("global rank") << 1;
    QTest::newRow("three month") << 6;
}

void tst_GiantFields::giantFieldIsShownShortened()
{
    QFETCH(int, field);
    const QByteArray history = Normal + giantLine(field) + Normal;
    CWindowFixture f;
    f.home.writeFile(f.home.historyPath(), history);
    f.openWindow();
    QVERIFY(f.showExposed());
    // Painted for real, table and status text included.
    QVERIFY(!f.window->grab().isNull());
    QApplication::processEvents();

    QTableWidget *table = f.probe->table();
    QCOMPARE(table->rowCount(), 3);
    // The table keeps the whole field; it draws it shortened.
    QCOMPARE(table->item(1, field)->text().size(), Giant);
    auto *delegate = qobject_cast<CClippedTextDelegate *>(table->itemDelegate());
    QVERIFY(delegate);
    QStyleOptionViewItem option;
    option.initFrom(table);
    option.rect = table->visualRect(table->model()->index(1, field));
    const QString drawn = delegate->clippedText(option, table->model()->index(1, field));
    QCOMPARE(drawn, QString(CFieldText::ShownLength, u'g') + QChar(0x2026));

    // Each of the two views built at start echoes its three rows.
    const QStringList lines = f.probe->statusLines();
    QCOMPARE(lines.size(), 6);
    for (int i : {1, 4}) {
        QVERIFY(lines.at(i).size() < 2 * CFieldText::ShownLength + 100);
        QVERIFY(lines.at(i).contains(QString(CFieldText::ShownLength, u'g') + QChar(0x2026)));
    }
    QCOMPARE(lines.at(0), CWindowProbe::echo(QString::fromLatin1(Normal.chopped(1))));

    f.window->close();
    f.window.reset();
    QCOMPARE(CTempHome::readFile(f.home.historyPath()), history);
}

void tst_GiantFields::toolTipShowsWhatIsCheap()
{
    const QString field(300, u'w');
    QCOMPARE(CClippedTextDelegate::toolTipText(field),
             QString(128, u'w') + u'\n' + QString(128, u'w') + u'\n' + QString(44, u'w'));
    const QString giant(Giant, u'w');
    QCOMPARE(CClippedTextDelegate::toolTipText(giant),
             QString(CFieldText::ShownLength, u'w') + QChar(0x2026) + QStringLiteral(" (2000000 characters)"));
}

QTEST_MAIN(tst_GiantFields)
#include "tst_GiantFields.moc"
