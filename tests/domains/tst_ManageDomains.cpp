#include "CFakePrompts.h"
#include "ManageDomains.h"
#include "watch/CDomainGroups.h"

#include <QLineEdit>

#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <memory>

using Kind = CFakePrompts::Kind;

namespace {

class CManagerFixture
{
public:
    CManagerFixture()
        : manager(std::make_unique<ManageDomains>(nullptr, prompts))
    {
        // What the main window would receive, in order.
        QObject::connect(manager.get(), &ManageDomains::newDomainList, manager.get(),
                         [this] { sent.append(QStringLiteral("<list>")); });
        QObject::connect(manager.get(), &ManageDomains::newDomain, manager.get(),
                         [this](const QString &entry) { sent.append(entry); });
    }

    QPushButton *button(const char *name) const
    {
        return manager->findChild<QPushButton *>(QString::fromLatin1(name));
    }
    QListWidget *list() const { return manager->findChild<QListWidget *>(QStringLiteral("listDomains")); }

    void add(const QString &typed)
    {
        prompts->answerText(typed);
        button("btnAdd")->click();
    }

    std::shared_ptr<CFakePrompts> prompts = std::make_shared<CFakePrompts>();
    std::unique_ptr<ManageDomains> manager;
    QStringList sent;
};

} // namespace

class tst_ManageDomains : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formAsBuilt_data();
    void formAsBuilt();
    void addTakesTheNameAsPasted_data();
    void addTakesTheNameAsPasted();
    void commaIsRefused();
    void namesTheImportRefusesAreRefused_data();
    void namesTheImportRefusesAreRefused();
    void deleteRemovesTheCurrentEntry();
    void closeSendsTheWholeListAndEmptiesIt();
    void groupsOfTheSelectedDomain();
};

void tst_ManageDomains::groupsOfTheSelectedDomain()
{
    CManagerFixture fixture;
    QStringList notes;
    fixture.manager->setGroups(
        CDomainGroups::parse(u"mine,a.test\nrivals,b.test\nmine,gone.test\n", QStringLiteral("groups.dat"), notes));
    bool changed = false;
    QObject::connect(fixture.manager.get(), &ManageDomains::groupsChanged, fixture.manager.get(),
                     [&changed] { changed = true; });
    fixture.manager->addDomain(QStringLiteral("  a.test"));
    fixture.manager->addDomain(QStringLiteral("  b.test"));
    auto *groups = fixture.manager->findChild<QLineEdit *>(QStringLiteral("txtGroups"));
    QVERIFY(groups);
    QVERIFY(!groups->isEnabled()); // nothing selected
    fixture.list()->setCurrentRow(0);
    QCOMPARE(groups->text(), QStringLiteral("mine"));
    // A name with a control character is refused and named; the others are kept.
    groups->setText(QStringLiteral("mine, rivals ,bad\tname"));
    Q_EMIT groups->editingFinished();
    QCOMPARE(fixture.prompts->prompts(Kind::Message).size(), 1);
    QCOMPARE(fixture.manager->groups().groupsOf(QStringLiteral("a.test")), (QStringList{"mine", "rivals"}));
    // A group naming a domain that is not listed keeps it.
    QCOMPARE(fixture.manager->groups().domainsOf(QStringLiteral("mine")), (QStringList{"gone.test", "a.test"}));
    fixture.button("btnClose")->click();
    QVERIFY(changed);
}

void tst_ManageDomains::formAsBuilt_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("btnDelete") << "btnDelete" << "&Delete";
    QTest::newRow("btnClose") << "btnClose" << "&Close";
    QTest::newRow("btnAdd") << "btnAdd" << "&Add Domain";
    QTest::newRow("listDomains") << "listDomains" << QString();
    QTest::newRow("txtGroups") << "txtGroups" << QString();
}

void tst_ManageDomains::formAsBuilt()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    CManagerFixture fixture;
    ManageDomains *manager = fixture.manager.get();
    QCOMPARE(manager->objectName(), QStringLiteral("ManageDomains"));
    QCOMPARE(manager->windowTitle(), QStringLiteral("Manage Domains"));
    QVERIFY(!manager->isVisible());
    QCOMPARE(manager->centralWidget()->objectName(), QStringLiteral("centralwidget"));
    // Laid out, so that it can be enlarged and longer texts (German) fit.
    QCOMPARE(manager->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    QVERIFY(manager->centralWidget()->layout());

    QWidget *widget = manager->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), manager->centralWidget());
    if (auto *button = qobject_cast<QPushButton *>(widget)) {
        QCOMPARE(button->text(), text);
        // Never narrower than its text.
        QVERIFY(button->sizeHint().width() >= button->fontMetrics().horizontalAdvance(QString(text).remove(u'&')));
    } else if (auto *list = qobject_cast<QListWidget *>(widget))
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
}

void tst_ManageDomains::addTakesTheNameAsPasted_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("entries");
    // Reduced by CDomainName::reduce, whose table holds the rule.
    QTest::newRow("plain") << "example.org" << QStringList{"  example.org"};
    QTest::newRow("leading space") << " example.org" << QStringList{"  example.org"};
    QTest::newRow("pasted address") << "https://www.WSJ.com/news/markets" << QStringList{"  wsj.com"};
    QTest::newRow("nothing or cancelled") << "" << QStringList();
    QTest::newRow("already listed") << "a.com" << QStringList{"  a.com"};
}

void tst_ManageDomains::addTakesTheNameAsPasted()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, entries);
    CManagerFixture fixture;
    fixture.manager->addDomain(QStringLiteral("  a.com"));
    fixture.add(typed);
    QCOMPARE(fixture.manager->domains(), QStringList{"  a.com"} + entries);

    const CFakePrompts::Prompt asked = fixture.prompts->prompts(Kind::Text).value(0);
    QCOMPARE(asked.title, QStringLiteral("Add Domain"));
    QCOMPARE(asked.text, QStringLiteral("Please provide a domain"));
    QCOMPARE(asked.parent.data(), fixture.manager.get());
    QCOMPARE(fixture.prompts->messages(), QStringList());
    QCOMPARE(fixture.sent, QStringList());
}

void tst_ManageDomains::commaIsRefused()
{
    CManagerFixture fixture;
    fixture.add(QStringLiteral("a,b.com"));
    QCOMPARE(fixture.manager->domains(), QStringList());
    QCOMPARE(fixture.prompts->messages().size(), 1);
    QVERIFY2(fixture.prompts->messages().first().contains(QStringLiteral("a,b.com")),
             qPrintable(fixture.prompts->messages().first()));
    fixture.add(QStringLiteral("ab.com"));
    QCOMPARE(fixture.manager->domains(), QStringList{"  ab.com"});
}

void tst_ManageDomains::namesTheImportRefusesAreRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("control character") << QStringLiteral("a\u0001b.com");
    QTest::newRow("line feed") << QStringLiteral("a.com\nb.com");
    QTest::newRow("direction override") << QStringLiteral("a\u202Eb.com");
    QTest::newRow("longer than a DNS name") << QString(250, u'a') + ".com";
    QTest::newRow("spaces only") << QStringLiteral("   ");
    QTest::newRow("space inside") << QStringLiteral("Not A Domain.com");
    QTest::newRow("no dot") << QStringLiteral("localhost");
}

void tst_ManageDomains::namesTheImportRefusesAreRefused()
{
    QFETCH(QString, typed);
    CManagerFixture fixture;
    fixture.add(typed);
    QCOMPARE(fixture.manager->domains(), QStringList());
    QCOMPARE(fixture.prompts->messages().size(), 1);
    fixture.add(QStringLiteral("b.com"));
    QCOMPARE(fixture.manager->domains(), QStringList{QStringLiteral("  b.com")});
}

void tst_ManageDomains::deleteRemovesTheCurrentEntry()
{
    CManagerFixture fixture;
    QPushButton *remove = fixture.button("btnDelete");
    remove->click(); // empty list
    for (const char *entry : {"  a.com", "  b.com", "  c.com"})
        fixture.manager->addDomain(QString::fromLatin1(entry));
    fixture.list()->setCurrentRow(-1);
    remove->click();
    QCOMPARE(fixture.manager->domains(), (QStringList{"  a.com", "  b.com", "  c.com"}));
    fixture.list()->setCurrentRow(1);
    remove->click();
    QCOMPARE(fixture.manager->domains(), (QStringList{"  a.com", "  c.com"}));
    QCOMPARE(fixture.prompts->prompts().size(), 0);
}

void tst_ManageDomains::closeSendsTheWholeListAndEmptiesIt()
{
    CManagerFixture fixture;
    fixture.manager->show();
    for (const char *entry : {"  b.com", "  a.com", "  b.com"})
        fixture.manager->addDomain(QString::fromLatin1(entry));
    fixture.button("btnClose")->click();
    QCOMPARE(fixture.sent, (QStringList{"<list>", "  b.com", "  a.com", "  b.com"}));
    QCOMPARE(fixture.manager->domains(), QStringList());
    QVERIFY(!fixture.manager->isVisible());

    // An empty list still announces itself.
    fixture.sent.clear();
    fixture.button("btnClose")->click();
    QCOMPARE(fixture.sent, QStringList{"<list>"});
}

QTEST_MAIN(tst_ManageDomains)
#include "tst_ManageDomains.moc"
