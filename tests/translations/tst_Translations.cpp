#include "CFakePrompts.h"
#include "CQueryRun.h"
#include "CWindowFixture.h"
#include "MainWindow.h"
#include "translations/CTranslations.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

// The window's texts that a translation changes, by where they are shown.
QString textOf(const CWindowFixture &view, const QString &where)
{
    MainWindow *window = view.window.get();
    if (where == u"title")
        return window->windowTitle();
    if (where.startsWith(u"menu"))
        return window->findChild<QMenu *>(where)->title();
    if (where.startsWith(u"action"))
        return view.probe->action(where.toLatin1().constData())->text();
    if (where.startsWith(u"btn"))
        return window->findChild<QPushButton *>(where)->text();
    if (where.startsWith(u"column"))
        return view.probe->table()->horizontalHeaderItem(where.mid(6).toInt())->text();
    return QString();
}

// The status texts built outside the window, by what they report.
QString statusText(const QString &what)
{
    if (what == u"summary")
        return CQueryRun::summary({3, 1, 2});
    if (what == u"unreachable")
        return CQueryRun::unreachable(CServiceAddress::parse(QStringLiteral("127.0.0.1:8080")).value()).section(u'\n', 0, 0);
    return QString();
}

void removeTranslators()
{
    const QList<QTranslator *> translators = qApp->findChildren<QTranslator *>(Qt::FindDirectChildrenOnly);
    for (QTranslator *translator : translators) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

// The %1, %2 ... of a text, sorted.
QStringList placeholders(const QString &text)
{
    static const QRegularExpression marker(QStringLiteral("%\\d"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found.append(it.next().captured());
    found.sort();
    return found;
}

} // namespace

class tst_Translations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void windowTexts_data();
    void windowTexts();
    void statusTexts_data();
    void statusTexts();
    void otherLanguagesLoadNothing_data();
    void otherLanguagesLoadNothing();
    void germanCatalogueIsComplete();
};

void tst_Translations::cleanup()
{
    removeTranslators();
}

void tst_Translations::windowTexts_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("german");

    QTest::newRow("window title") << "title" << "Sorvane" << "Sorvane";
    QTest::newRow("File menu") << "menu_File" << "&File" << "&Datei";
    QTest::newRow("Alexa Data menu") << "menuAlexa_Data" << "&Alexa Data" << "Ale&xa-Daten";
    QTest::newRow("Import Urls") << "action_Import_Urls" << "&Import Urls" << "URLs &importieren";
    QTest::newRow("Exit") << "action_Exit" << "&Exit" << "&Beenden";
    QTest::newRow("Export CSV") << "actionExport_CSV" << "Export &CSV" << "&CSV exportieren";
    QTest::newRow("Rank") << "actionRank" << "&Rank" << "&Rang";
    QTest::newRow("query button") << "btnManualQuery" << "Perform Query" << "Abfrage starten";
    QTest::newRow("manager button") << "btnManageDomains" << "Manage Domains" << "Domains verwalten";
    QTest::newRow("column 0") << "column0" << "Domain" << "Domain";
    QTest::newRow("column 1") << "column1" << "Global Rank" << "Weltrang";
    QTest::newRow("column 2") << "column2" << "US Rank" << "US-Rang";
    QTest::newRow("column 3") << "column3" << "Yesterday" << "Gestern";
    QTest::newRow("column 4") << "column4" << "7 Day" << "7 Tage";
    QTest::newRow("column 5") << "column5" << "1 Month" << "1 Monat";
    QTest::newRow("column 6") << "column6" << "3 Month" << "3 Monate";
    QTest::newRow("column 7") << "column7" << "Date" << "Datum";
}

void tst_Translations::windowTexts()
{
    QFETCH(QString, where);
    QFETCH(QString, english);
    QFETCH(QString, german);

    {
        CWindowFixture view;
        view.openWindow();
        QCOMPARE(textOf(view, where), english);
    }

    QCOMPARE(CTranslations::install(*qApp, QLocale(QLocale::German, QLocale::Germany)).value(0),
             QStringLiteral("sorvane_de"));
    {
        CWindowFixture view;
        view.openWindow();
        QCOMPARE(textOf(view, where), german);
    }

    // Once the translators are gone, a new window speaks English again.
    removeTranslators();
    CWindowFixture view;
    view.openWindow();
    QCOMPARE(textOf(view, where), english);
}

void tst_Translations::statusTexts_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("german");

    QTest::newRow("run summary") << "summary" << "3 stored, 1 already assessed, 2 failed"
                                 << "3 gespeichert, 1 bereits erfasst, 2 fehlgeschlagen";
    QTest::newRow("service unreachable")
        << "unreachable" << "The ranking service at 127.0.0.1:8080 could not be reached; no domain was fetched."
        << "Der Ranking-Dienst unter 127.0.0.1:8080 war nicht erreichbar; keine Domain wurde abgerufen.";
}

void tst_Translations::statusTexts()
{
    QFETCH(QString, what);
    QFETCH(QString, english);
    QFETCH(QString, german);

    QCOMPARE(statusText(what), english);
    QCOMPARE(CTranslations::install(*qApp, QLocale(QLocale::German, QLocale::Germany)).value(0),
             QStringLiteral("sorvane_de"));
    QCOMPARE(statusText(what), german);
    removeTranslators();
    QCOMPARE(statusText(what), english);
}

void tst_Translations::otherLanguagesLoadNothing_data()
{
    QTest::addColumn<QLocale>("locale");

    QTest::newRow("English, United States") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("English, United Kingdom") << QLocale(QLocale::English, QLocale::UnitedKingdom);
    QTest::newRow("C") << QLocale::c();
    QTest::newRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan);
}

void tst_Translations::otherLanguagesLoadNothing()
{
    QFETCH(QLocale, locale);
    QCOMPARE(CTranslations::install(*qApp, locale), QStringList());
    QVERIFY(qApp->findChildren<QTranslator *>(Qt::FindDirectChildrenOnly).isEmpty());
    CWindowFixture view;
    view.openWindow();
    QCOMPARE(textOf(view, QStringLiteral("menu_File")), QStringLiteral("&File"));
}

void tst_Translations::germanCatalogueIsComplete()
{
    QFile file(QStringLiteral(SORVANE_TRANSLATIONS_DIR "/sorvane_de.ts"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    static const QRegularExpression keySequence(QStringLiteral("^(Ctrl\\+.|F\\d+)$"));
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    int checked = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"source") {
            source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            const QString where = context + QStringLiteral(": ") + source;
            QVERIFY2(!xml.attributes().hasAttribute(QStringLiteral("type")),
                     qPrintable(where + QStringLiteral(" is not finished")));
            const QString translation = xml.readElementText();
            QVERIFY2(!translation.isEmpty(), qPrintable(where + QStringLiteral(" is not translated")));
            QVERIFY2(placeholders(translation) == placeholders(source),
                     qPrintable(where + QStringLiteral(" changes its placeholders")));
            if (keySequence.match(source).hasMatch())
                QVERIFY2(translation == source, qPrintable(where + QStringLiteral(" changes a shortcut")));
            ++checked;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(checked > 50);
}

QTEST_MAIN(tst_Translations)
#include "tst_Translations.moc"
