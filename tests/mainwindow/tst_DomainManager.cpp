#include "CFakePrompts.h"
#include "CTempHome.h"
#include "CWindowFixture.h"
#include "MainWindow.h"
#include "ManageDomains.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <memory>

using Probe = CWindowProbe;

namespace {

class CManagerFixture : public CWindowFixture
{
public:
    explicit CManagerFixture(const QStringList &domains)
    {
        writeDomains(domains);
        writeHistory(history);
        openWindow();
        manager = window->manager();
    }

    QPushButton *button(const char *name) const
    {
        return manager->findChild<QPushButton *>(QString::fromLatin1(name));
    }
    void open() const { probe->manageButton()->click(); }
    void close() const { button("btnClose")->click(); }
    void add(const QString &typed) const
    {
        prompts->answerText(typed);
        button("btnAdd")->click();
    }

    const QStringList history{Probe::line("a.com", "05/08/2012", 1), Probe::line("b.com", "05/08/2012", 2),
                              Probe::line("a.com", "01/09/2012", 3)};
    ManageDomains *manager = nullptr;
};

const QString all = QStringLiteral("  All Domains");

} // namespace

class tst_DomainManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void openingCopiesTheDomainEntries();
    void addedEntriesArriveOnClose();
    void deleteAllThenClose();
    void closeWithoutChangesRebuildsTheSameList();
    void reopeningShowsExactlyTheMainList_data();
    void reopeningShowsExactlyTheMainList();
    void editsWaitForClose();
    void importedDomainsAreDroppedOnClose();
};

void tst_DomainManager::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_DomainManager::openingCopiesTheDomainEntries()
{
    CManagerFixture fixture({"a.com", "b.com"});
    QVERIFY(!fixture.manager->isVisible());
    fixture.open();
    QVERIFY(fixture.manager->isVisible());
    QVERIFY(!fixture.manager->isModal());
    QCOMPARE(fixture.manager->parent(), fixture.window.get());
    QCOMPARE(fixture.manager->domains(), (QStringList{"  a.com", "  b.com"}));
}

void tst_DomainManager::addedEntriesArriveOnClose()
{
    CManagerFixture fixture({"a.com", "b.com"});
    fixture.open();
    fixture.add(QStringLiteral(" example.org"));
    fixture.add(QStringLiteral("   "));
    fixture.add(QStringLiteral("a.com"));
    fixture.add(QString());
    fixture.close();
    QCOMPARE(fixture.probe->domainEntries(),
             (QStringList{all, "  a.com", "  b.com", "  example.org", "  a.com"}));
    QVERIFY(!fixture.manager->isVisible());
    QCOMPARE(fixture.manager->domains(), QStringList());
    QCOMPARE(fixture.prompts->unanswered(), 0);

    // The entry of spaces alone names no domain and is not written.
    fixture.window.reset();
    QCOMPARE(CTempHome::readFile(fixture.home.domainListPath()), QByteArray("a.com\nb.com\nexample.org\na.com\n"));
}

void tst_DomainManager::deleteAllThenClose()
{
    CManagerFixture fixture({"a.com", "b.com"});
    fixture.open();
    auto *list = fixture.manager->findChild<QListWidget *>(QStringLiteral("listDomains"));
    while (list->count() > 0) {
        list->setCurrentRow(0);
        fixture.button("btnDelete")->click();
    }
    fixture.close();
    QCOMPARE(fixture.probe->domainEntries(), QStringList{all});
}

void tst_DomainManager::closeWithoutChangesRebuildsTheSameList()
{
    CManagerFixture fixture({"a.com", "b.com"});
    fixture.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(fixture.window.get()));
    fixture.probe->click(fixture.probe->monthItem(QStringLiteral("2012, Aug")));
    fixture.probe->domains()->setCurrentIndex(1);
    QCOMPARE(fixture.probe->tableRows(), QStringList{fixture.history.at(0)});

    fixture.open();
    fixture.close();
    QCOMPARE(fixture.probe->domainEntries(), (QStringList{all, "  a.com", "  b.com"}));
    // The filter is back at all domains, for the period chosen in the tree.
    QCOMPARE(fixture.probe->domains()->currentIndex(), 0);
    QCOMPARE(fixture.probe->tableRows(), (QStringList{fixture.history.at(0), fixture.history.at(1)}));
}

void tst_DomainManager::reopeningShowsExactlyTheMainList_data()
{
    QTest::addColumn<bool>("frameClose");
    QTest::newRow("after a frame close") << true;
    QTest::newRow("while still open") << false;
}

void tst_DomainManager::reopeningShowsExactlyTheMainList()
{
    QFETCH(bool, frameClose);
    CManagerFixture fixture({"a.com", "b.com"});
    fixture.open();
    fixture.add(QStringLiteral("unsent.com"));
    if (frameClose) {
        fixture.manager->close();
        QVERIFY(!fixture.manager->isVisible());
    }
    QCOMPARE(fixture.probe->domainEntries(), (QStringList{all, "  a.com", "  b.com"}));
    fixture.open();
    QCOMPARE(fixture.manager->domains(), (QStringList{"  a.com", "  b.com"}));
    fixture.close();
    QCOMPARE(fixture.probe->domainEntries(), (QStringList{all, "  a.com", "  b.com"}));
}

void tst_DomainManager::editsWaitForClose()
{
    CManagerFixture fixture({"a.com", "b.com"});
    fixture.open();
    fixture.add(QStringLiteral("c.com"));
    auto *list = fixture.manager->findChild<QListWidget *>(QStringLiteral("listDomains"));
    list->setCurrentRow(0);
    fixture.button("btnDelete")->click();
    QCOMPARE(fixture.probe->domainEntries(), (QStringList{all, "  a.com", "  b.com"}));
    fixture.close();
    QCOMPARE(fixture.probe->domainEntries(), (QStringList{all, "  b.com", "  c.com"}));
}

void tst_DomainManager::importedDomainsAreDroppedOnClose()
{
    CManagerFixture fixture({"a.com"});
    fixture.open();
    const QString path = fixture.home.path() + QStringLiteral("/list.txt");
    fixture.home.writeFile(path, "new.com\n");
    fixture.prompts->answerFileName(path);
    fixture.probe->action("action_Import_Urls")->trigger();
    QCOMPARE(fixture.probe->domainEntries(), (QStringList{all, "  a.com", "  new.com"}));
    fixture.close();
    QCOMPARE(fixture.probe->domainEntries(), (QStringList{all, "  a.com"}));
}

QTEST_MAIN(tst_DomainManager)
#include "tst_DomainManager.moc"
