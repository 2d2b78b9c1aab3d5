#include "CFakePrompts.h"
#include "CTempHome.h"
#include "CWindowFixture.h"
#include "MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

using Probe = CWindowProbe;
using Kind = CFakePrompts::Kind;

namespace {

const QString saved = QStringLiteral("Data saved successfully");

class CExportFixture : public CWindowFixture
{
public:
    explicit CExportFixture(const QStringList &history, const QStringList &domains = {})
    {
        writeHistory(history);
        writeDomains(domains);
        openWindow();
    }

    void exportTo(const QString &name)
    {
        prompts->answerFileName(name);
        probe->action("actionExport_CSV")->trigger();
    }

    QString path(const QString &name) const { return home.path() + u'/' + name; }
};

const QString a = Probe::line("a.com", "05/08/2012", 1);
const QString b = QStringLiteral("b.com,NA,NA,0.5,,x y,NA,05/08/2012");

} // namespace

class tst_CsvExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void shownRowsAreWrittenExactly();
    void filteredTableLimitsTheFile();
    void emptyTableIsRefused();
    void cancelledDialogDoesNothing();
    void unwritableFileIsReported_data();
    void unwritableFileIsReported();
    void namesOutsideLatin1AreKept();
};

void tst_CsvExport::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_CsvExport::shownRowsAreWrittenExactly()
{
    CExportFixture view({a, b});
    // An existing, longer file of that name is replaced as a whole.
    const QString file = view.path(QStringLiteral("out"));
    view.home.writeFile(file, QByteArray(4096, 'z'));
    view.exportTo(file);

    const CFakePrompts::Prompt dialog = view.prompts->prompts(Kind::SaveFile).value(0);
    QCOMPARE(dialog.title, QStringLiteral("Export CSV File"));
    QCOMPARE(dialog.text, QStringLiteral(".csv"));
    QCOMPARE(dialog.parent.data(), view.window.get());
    QCOMPARE(view.prompts->messages(), QStringList{saved});
    QCOMPARE(view.prompts->prompts(Kind::Message).first().title, QStringLiteral("Sorvane"));
    // No extension is added; one "\n" per row, nothing else.
    QCOMPARE(CTempHome::readFile(file), QByteArray("a.com,11,12,13,14,15,16,05/08/2012\n"
                                                   "b.com,NA,NA,0.5,,x y,NA,05/08/2012\n"));
}

void tst_CsvExport::filteredTableLimitsTheFile()
{
    CExportFixture view({a, b, Probe::line("a.com", "06/08/2012", 2)}, {"a.com", "b.com"});
    view.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.window.get()));
    view.probe->click(view.probe->dayItem(QStringLiteral("2012, Aug"), QStringLiteral("6th")));
    const QString file = view.path(QStringLiteral("day.csv"));
    view.exportTo(file);
    QCOMPARE(CTempHome::readFile(file), Probe::fileOf({Probe::line("a.com", "06/08/2012", 2)}));

    view.probe->click(view.probe->monthItem(QStringLiteral("2012, Aug")));
    view.probe->domains()->setCurrentIndex(2);
    view.exportTo(file);
    QCOMPARE(CTempHome::readFile(file), Probe::fileOf({b}));
}

void tst_CsvExport::emptyTableIsRefused()
{
    CExportFixture view({});
    view.prompts->answerFileName(view.path(QStringLiteral("never.csv")));
    view.probe->action("actionExport_CSV")->trigger();
    QCOMPARE(view.prompts->messages(), QStringList{"Please make visible the data rows you wish to export to a CSV file"});
    QCOMPARE(view.prompts->prompts(Kind::SaveFile).size(), 0);
    QVERIFY(!QFile::exists(view.path(QStringLiteral("never.csv"))));
}

void tst_CsvExport::cancelledDialogDoesNothing()
{
    CExportFixture view({a});
    view.exportTo(QString());
    QCOMPARE(view.prompts->prompts(Kind::SaveFile).size(), 1);
    QCOMPARE(view.prompts->messages(), QStringList());
    QCOMPARE(QDir(view.home.path()).entryList(QDir::Files), QStringList());
}

void tst_CsvExport::unwritableFileIsReported_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("folder missing") << "no such folder/out.csv";
    QTest::newRow("a folder of that name") << ".qorvex";
}

void tst_CsvExport::unwritableFileIsReported()
{
    QFETCH(QString, name);
    CExportFixture view({a});
    const QString file = view.path(name);
    view.exportTo(file);
    const QStringList messages = view.prompts->messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first() != saved, qPrintable(messages.first()));
    QVERIFY2(messages.first().contains(QDir::toNativeSeparators(file)), qPrintable(messages.first()));
    QCOMPARE(view.prompts->prompts(Kind::Message).first().title, QStringLiteral("Sorvane"));
    QVERIFY(!QFileInfo(file).isFile());
}

void tst_CsvExport::namesOutsideLatin1AreKept()
{
    const QString name = QString::fromUtf8("b\xc3\xbc" "cher.de,1,2,3,4,5,6,05/08/2012");
    const QString cyrillic = QString::fromUtf8("\xd0\xbf\xd1\x80\xd0\xb8\xd0\xbc\xd0\xb5\xd1\x80.\xd1\x80\xd1\x84,1,2,3,4,5,6,05/08/2012");
    CExportFixture view({name, cyrillic});
    const QString file = view.path(QString::fromUtf8("\xc3\xbc" "ber.csv"));
    view.exportTo(file);
    QCOMPARE(view.prompts->messages(), QStringList{saved});
    QCOMPARE(CTempHome::readFile(file), (name + u'\n' + cyrillic + u'\n').toUtf8());
}

QTEST_MAIN(tst_CsvExport)
#include "tst_CsvExport.moc"
