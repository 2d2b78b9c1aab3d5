#include "CMessageBoxReader.h"
#include "CWindowFixture.h"
#include "MainWindow.h"
#include "ManageDomains.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>

namespace {

// Each message below names something from outside: a typed name, a file
// name, a line of an imported file, all written as markup.
class CMessageFixture : public CWindowFixture
{
public:
    CMessageFixture()
    {
        writeHistory({CWindowProbe::line(QStringLiteral("a.com"), QStringLiteral("05/08/2012"))});
        openWindow();
        prompts->showRealMessageBoxes(true);
    }

    // The one box shown since the fixture was made: its text as the fake
    // prompts were given it, and as the real box shows it.
    bool oneBoxShown() const
    {
        return QTest::qWaitFor([this] { return reader.boxes().size() == 1; }, 5000)
               && prompts->messages().size() == 1;
    }

    CMessageBoxReader reader;
};

} // namespace

class tst_PlainMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void typedNameStaysLiteral();
    void exportFileNameStaysLiteral();
    void importedLineStaysLiteral();
    void questionIsPlainText();
};

void tst_PlainMessages::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_PlainMessages::typedNameStaysLiteral()
{
    CMessageFixture f;
    f.probe->manageButton()->click();
    f.prompts->answerText(QStringLiteral("<i>italic</i>,x.example"));
    f.window->manager()->findChild<QPushButton *>(QStringLiteral("btnAdd"))->click();
    QVERIFY(f.oneBoxShown());
    const CMessageBoxReader::Box box = f.reader.boxes().first();
    QCOMPARE(box.format, Qt::PlainText);
    QCOMPARE(box.text, f.prompts->messages().first());
    QVERIFY2(box.text.contains(QStringLiteral("\"<i>italic</i>,x.example\"")), qPrintable(box.text));
    QVERIFY(f.window->manager()->domains().isEmpty());
}

void tst_PlainMessages::exportFileNameStaysLiteral()
{
    CMessageFixture f;
    const QString file = f.home.path() + QStringLiteral("/ro/<b>big.csv"); // "ro" does not exist
    f.prompts->answerFileName(file);
    f.probe->action("actionExport_CSV")->trigger();
    QVERIFY(f.oneBoxShown());
    const CMessageBoxReader::Box box = f.reader.boxes().first();
    QCOMPARE(box.format, Qt::PlainText);
    QCOMPARE(box.text, f.prompts->messages().first());
    QVERIFY2(box.text.contains(QDir::toNativeSeparators(file)), qPrintable(box.text));
    QCOMPARE(box.title, QStringLiteral("Sorvane"));
}

void tst_PlainMessages::importedLineStaysLiteral()
{
    CMessageFixture f;
    const QString path = f.home.path() + QStringLiteral("/<i>list.txt");
    f.home.writeFile(path, "<b>bold,x.com\nplain.com\n");
    f.prompts->answerFileName(path);
    f.probe->action("action_Import_Urls")->trigger();
    QVERIFY(f.oneBoxShown());
    const CMessageBoxReader::Box box = f.reader.boxes().first();
    QCOMPARE(box.format, Qt::PlainText);
    QCOMPARE(box.text, f.prompts->messages().first());
    QVERIFY2(box.text.endsWith(QStringLiteral("\nline 1: \"<b>bold,x.com\" holds \",\"")), qPrintable(box.text));
    QCOMPARE(f.probe->domainEntries().constLast(), QStringLiteral("  plain.com"));
}

void tst_PlainMessages::questionIsPlainText()
{
    CMessageBoxReader reader;
    CUserPrompts prompts;
    QVERIFY(!prompts.askYesNo(QStringLiteral("Remove <b>x.com</b>?"), QStringLiteral("Row Deletion")));
    QCOMPARE(reader.boxes().size(), 1);
    QCOMPARE(reader.boxes().first().format, Qt::PlainText);
    QCOMPARE(reader.boxes().first().text, QStringLiteral("Remove <b>x.com</b>?"));
    prompts.message(QStringLiteral("<h1>big</h1>"));
    QCOMPARE(reader.boxes().size(), 2);
    QCOMPARE(reader.boxes().last().format, Qt::PlainText);
}

QTEST_MAIN(tst_PlainMessages)
#include "tst_PlainMessages.moc"
