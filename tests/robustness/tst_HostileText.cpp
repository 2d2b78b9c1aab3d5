#include "CFakePrompts.h"
#include "CFullDisk.h"
#include "CTempHome.h"
#include "MainWindow.h"

#include <QAction>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>


namespace {

// Markup, an entity, a control character and a very long name: each must
// stay exactly this text wherever the record goes.
const QByteArray LongName = QByteArray(100000, 'l') + ".com";
const QByteArray History = "<b>bold</b>.com,<i>1</i>,&amp;,3,4,5,6,05/08/2012\n"
                           "tab\tand\x01" "bell.com,1,2,3,4,5,6,05/08/2012\n"
                           + LongName + ",1,2,3,4,5,6,05/08/2012\n";

} // namespace

class tst_HostileText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostileTextStaysPlainEverywhere();
    void failedSaveAtExitIsToldAndKeepsTheOldFile();
    void exportOntoAFullDiskIsTold();
};


void tst_HostileText::hostileTextStaysPlainEverywhere()
{
    CTempHome home;
    home.writeFile(home.historyPath(), History);
    const QString csvPath = home.path() + QStringLiteral("/out.csv");
    auto prompts = std::make_shared<CFakePrompts>();
    {
        MainWindow window(nullptr, home.settings(), prompts);
        auto *table = window.findChild<QTableWidget *>(QStringLiteral("tblRankData"));
        auto *status = window.findChild<QTextEdit *>(QStringLiteral("txtStatus"));
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("<b>bold</b>.com"));
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("<i>1</i>"));
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("&amp;"));
        QCOMPARE(table->item(2, 0)->text().size(), LongName.size());

        // Shown as typed, never as formatting; the control character becomes
        // a space instead of breaking the line.
        const QStringList lines = status->toPlainText().split(u'\n');
        QVERIFY(lines.contains(QStringLiteral("<b>bold</b>.com -> {<b>bold</b>.com,<i>1</i>,&amp;,3,4,5,6,05/08/2012}")));
        QVERIFY(lines.contains(QStringLiteral("tab and bell.com -> {tab and bell.com,1,2,3,4,5,6,05/08/2012}")));
        QVERIFY(!status->toHtml().contains(QStringLiteral("<b>bold")));

        prompts->answerFileName(csvPath);
        window.findChild<QAction *>(QStringLiteral("actionExport_CSV"))->trigger();
        QCOMPARE(prompts->messages(), QStringList{QStringLiteral("Data saved successfully")});
    }
    QCOMPARE(CTempHome::readFile(csvPath), History);
    QCOMPARE(CTempHome::readFile(home.historyPath()), History);
}

void tst_HostileText::failedSaveAtExitIsToldAndKeepsTheOldFile()
{
    CTempHome home;
    QByteArray old;
    for (int i = 0; i < 200; ++i)
        old += "site" + QByteArray::number(i) + ".com,1,2,3,4,5,6,05/08/2012\n";
    home.writeFile(home.historyPath(), old);
    auto prompts = std::make_shared<CFakePrompts>();
    auto window = std::make_unique<MainWindow>(nullptr, home.settings(), prompts);

    {
        // The disk fills up while the history is written at exit.
        const CFullDisk full(1024);
        window.reset();
    }

    const QStringList messages = prompts->messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.at(0).contains(home.historyPath()), qPrintable(messages.at(0)));
    QCOMPARE(CTempHome::readFile(home.historyPath()), old);
}

void tst_HostileText::exportOntoAFullDiskIsTold()
{
    CTempHome home;
    home.writeFile(home.historyPath(), History);
    const QString csvPath = home.path() + QStringLiteral("/out.csv");
    home.writeFile(csvPath, "an older export\n");
    auto prompts = std::make_shared<CFakePrompts>();
    MainWindow window(nullptr, home.settings(), prompts);
    prompts->answerFileName(csvPath);
    {
        const CFullDisk full(1024);
        window.findChild<QAction *>(QStringLiteral("actionExport_CSV"))->trigger();
    }
    const QStringList messages = prompts->messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.at(0).contains(csvPath), qPrintable(messages.at(0)));
    QCOMPARE(CTempHome::readFile(csvPath), QByteArray("an older export\n"));
}

QTEST_MAIN(tst_HostileText)
#include "tst_HostileText.moc"
