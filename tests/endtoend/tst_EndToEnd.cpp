#include "CAlexaRankData.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CRankClock.h"
#include "CRankdProcess.h"
#include "CTempHome.h"
#include "MainWindow.h"
#include "prompts/CUserPrompts.h"
#include "rankservice/lists/CSampleGenerator.h"
#include "rankservice/store/CSnapshotStore.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate LastDay(2026, 12, 7);

// Any message during a clean run is a failure; it must not block the test.
class RecordingPrompts : public CUserPrompts
{
public:
    void message(const QString &text, const QString &) override { messages.append(text); }
    QStringList messages;
};

QString figureText(int figure)
{
    return CSiteFigures::known(figure) ? QString::number(figure) : QStringLiteral("NA");
}

} // namespace

// The real ranking service and the real main window, from the button to the
// history file.
class tst_EndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void queryRunStoresTheServicesFigures();

private:
    std::unique_ptr<QTemporaryDir> m_lists;
    std::unique_ptr<CRankdProcess> m_service;
    quint16 m_port = 0;
};

void tst_EndToEnd::init()
{
    const QDate lastDay = LastDay;
    m_lists = std::make_unique<QTemporaryDir>();
    const CResult<void> written = CSampleGenerator::write(m_lists->path(), lastDay);
    QVERIFY2(written, qPrintable(written.message()));

    m_service = std::make_unique<CRankdProcess>(QStringLiteral(SORVANE_RANKD_PATH));
    const CResult<quint16> started = m_service->start(m_lists->path(), 30000);
    QVERIFY2(started, qPrintable(started.message()));
    m_port = started.value();
}

void tst_EndToEnd::cleanup()
{
    m_service.reset();
    m_lists.reset();
}

void tst_EndToEnd::queryRunStoresTheServicesFigures()
{
    CTempHome home;
    QStringList domains = CSampleGenerator::domains();
    domains.append(QStringLiteral("unranked-anywhere.test"));
    home.writeFile(home.domainListPath(), domains.join(u'\n').toUtf8() + '\n');

    CSnapshotStore expected;
    expected.load(m_lists->path());

    auto prompts = std::make_shared<RecordingPrompts>();
    {
        CSettings settings = home.settings(LastDay);
        settings.service = CServiceAddress::parse(QStringLiteral("127.0.0.1:%1").arg(m_port)).value();
        MainWindow window(nullptr, settings, prompts);
        auto *button = window.findChild<QPushButton *>(QStringLiteral("btnManualQuery"));
        QVERIFY(button);
        button->click();
        QVERIFY(!button->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(window.isCrawlFinished() && button->isEnabled(), 120000);

        const QList<CAlexaRankData> &history = window.history();
        QCOMPARE(history.size(), domains.size());
        for (const CAlexaRankData &record : history) {
            QVERIFY2(domains.contains(record.domain()), qPrintable(record.domain()));
            const CSiteFigures figures = expected.figures(record.domain());
            QCOMPARE(record.globalRank(), figureText(figures.globalRank));
            QCOMPARE(record.usRank(), figureText(figures.usRank));
            QCOMPARE(record.yesterday(), figureText(figures.yesterday));
            QCOMPARE(record.sevenDay(), figureText(figures.sevenDay));
            QCOMPARE(record.oneMonth(), figureText(figures.oneMonth));
            QCOMPARE(record.threeMonth(), figureText(figures.threeMonth));
            QCOMPARE(record.date(), QStringLiteral("07/12/2026"));
        }
        const CAlexaRankData unknown = *std::find_if(history.cbegin(), history.cend(), [](const auto &r) {
            return r.domain() == u"unranked-anywhere.test";
        });
        QCOMPARE(unknown.toString(), QStringLiteral("unranked-anywhere.test,NA,NA,NA,NA,NA,NA,07/12/2026"));

        // The run's results are on disk before the window closes.
        QList<CAlexaRankData> saved;
        CDomainDateList dates;
        CDataStore::loadHistory(home.historyPath(), saved, dates);
        QCOMPARE(saved, history);
    }
    QVERIFY2(prompts->messages.isEmpty(), qPrintable(prompts->messages.join(u'\n')));
    QList<CAlexaRankData> saved;
    CDomainDateList dates;
    CDataStore::loadHistory(home.historyPath(), saved, dates);
    QCOMPARE(saved.size(), domains.size());
    QCOMPARE(CTempHome::readFile(home.domainListPath()), domains.join(u'\n').toUtf8() + '\n');
}

QTEST_MAIN(tst_EndToEnd)
#include "tst_EndToEnd.moc"
