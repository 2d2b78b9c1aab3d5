#include "CFakePrompts.h"
#include "CTempHome.h"
#include "CWindowFixture.h"
#include "MainWindow.h"
#include "ManageDomains.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <memory>

using Probe = CWindowProbe;
using Kind = CFakePrompts::Kind;

namespace {

class CImportFixture : public CWindowFixture
{
public:
    explicit CImportFixture(const QStringList &domains = {})
    {
        writeDomains(domains);
        writeHistory({Probe::line("a.com", "05/08/2012")});
        openWindow();
    }

    // Imports a file holding exactly these bytes.
    void import(const QByteArray &contents)
    {
        const QString path = home.path() + QStringLiteral("/list.txt");
        home.writeFile(path, contents);
        prompts->answerFileName(path);
        probe->action("action_Import_Urls")->trigger();
    }

    QStringList addedEntries(int before) const { return probe->domainEntries().mid(before); }
};

} // namespace

class tst_DomainImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void lineGivesEntry_data();
    void lineGivesEntry();
    void duplicatesAreAddedOnce();
    void cancelledOrMissingFileImportsNothing();
    void skippedLinesAreNamed();
    void importLeavesViewAndManagerAlone();
};

void tst_DomainImport::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_DomainImport::lineGivesEntry_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("entries");
    // The rule for one line is CDomainName::reduce's; these rows show it reaches the list.
    QTest::newRow("address with path") << QByteArray("http://www.example.com/some/page") << QStringList{"  example.com"};
    QTest::newRow("https, port and capitals") << QByteArray("HTTPS://News.Example.com:443/x") << QStringList{"  news.example.com"};
    QTest::newRow("empty line") << QByteArray("") << QStringList();
    QTest::newRow("CR LF ending") << QByteArray("example.com\r") << QStringList{"  example.com"};
    QTest::newRow("UTF-8 name") << QByteArray("b\xc3\xbc" "cher.de") << QStringList{QString::fromUtf8("  b\xc3\xbc" "cher.de")};
}

void tst_DomainImport::lineGivesEntry()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, entries);
    CImportFixture view({"a.com"});
    view.import(line + '\n');
    QCOMPARE(view.addedEntries(2), entries);
    const CFakePrompts::Prompt dialog = view.prompts->prompts(Kind::OpenFile).value(0);
    QCOMPARE(dialog.title, QStringLiteral("Import File..."));
    QCOMPARE(dialog.parent.data(), view.window.get());
    QCOMPARE(view.prompts->messages(), QStringList());
}

void tst_DomainImport::duplicatesAreAddedOnce()
{
    CImportFixture view({"example.com"});
    view.import("www.example.com\nexample.com\nnew.org\nhttp://new.org/x\nwww.new.org\nNEW.org\n\nexample.com\n");
    QCOMPARE(view.probe->domainEntries(), (QStringList{"  All Domains", "  example.com", "  new.org"}));

    // A second import of the same file changes nothing.
    view.import("www.example.com\nexample.com\nnew.org\n");
    QCOMPARE(view.probe->domainEntries(), (QStringList{"  All Domains", "  example.com", "  new.org"}));

    // Saved trimmed with the rest of the list.
    view.window.reset();
    QCOMPARE(CTempHome::readFile(view.home.domainListPath()), QByteArray("example.com\nnew.org\n"));
}

void tst_DomainImport::cancelledOrMissingFileImportsNothing()
{
    CImportFixture view({"a.com"});
    view.prompts->answerFileName(QString());
    view.probe->action("action_Import_Urls")->trigger();
    view.prompts->answerFileName(view.home.path() + QStringLiteral("/no such file.txt"));
    view.probe->action("action_Import_Urls")->trigger();
    QCOMPARE(view.probe->domainEntries(), (QStringList{"  All Domains", "  a.com"}));
    QCOMPARE(view.prompts->prompts(Kind::OpenFile).size(), 2);
    // Only the missing file is told, with its name.
    QCOMPARE(view.prompts->messages().size(), 1);
    QVERIFY2(view.prompts->messages().first().contains(QStringLiteral("no such file.txt")),
             qPrintable(view.prompts->messages().first()));
}

void tst_DomainImport::skippedLinesAreNamed()
{
    CImportFixture view;
    view.import("good.com\na,b.com\nhttp://www.x,y.com/page\nother.net\nmy site.com\n");
    QCOMPARE(view.probe->domainEntries(), (QStringList{"  All Domains", "  good.com", "  other.net"}));
    QCOMPARE(view.prompts->messages().size(), 1);
    const CFakePrompts::Prompt message = view.prompts->prompts(Kind::Message).first();
    QCOMPARE(message.title, QStringLiteral("Sorvane"));
    QVERIFY2(message.text.contains(QStringLiteral("a,b.com")), qPrintable(message.text));
    QVERIFY2(message.text.contains(QStringLiteral("x,y.com")), qPrintable(message.text));
    QVERIFY2(message.text.contains(QStringLiteral("line 5: \"my site.com\" holds a space")), qPrintable(message.text));
    QVERIFY2(message.text.startsWith(QStringLiteral("Lines that name no domain were not imported (3):")), qPrintable(message.text));
    QVERIFY2(!message.text.contains(QStringLiteral("good.com")), qPrintable(message.text));
}

void tst_DomainImport::importLeavesViewAndManagerAlone()
{
    CImportFixture view({"a.com"});
    view.probe->manageButton()->click();
    const QStringList status = view.probe->statusLines();
    const QStringList rows = view.probe->tableRows();
    view.import("b.com\n");
    QCOMPARE(view.probe->domainEntries(), (QStringList{"  All Domains", "  a.com", "  b.com"}));
    QCOMPARE(view.probe->domains()->currentIndex(), 0);
    QCOMPARE(view.probe->statusLines(), status);
    QCOMPARE(view.probe->tableRows(), rows);
    QCOMPARE(view.window->manager()->domains(), QStringList{"  a.com"});
}

QTEST_MAIN(tst_DomainImport)
#include "tst_DomainImport.moc"
