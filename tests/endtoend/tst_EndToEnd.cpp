#include "CAlexaRankData.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "CRankClock.h"
#include "CSampleGenerator.h"
#include "CSnapshotStore.h"
#include "CTempHome.h"
#include "CUserPrompts.h"
#include "MainWindow.h"

#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

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
    std::unique_ptr<QProcess> m_service;
    quint16 m_port = 0;
};

void tst_EndToEnd::init()
{
    const QDate lastDay(2026, 12, 7);
    CRankClock::setFixedToday(lastDay);
    m_lists = std::make_unique<QTemporaryDir>();
    QString error;
    QVERIFY2(CSampleGenerator::write(m_lists->path(), lastDay, &error), qPrintable(error));

    m_service = std::make_unique<QProcess>();
    m_service->setProcessChannelMode(QProcess::SeparateChannels);
    m_service->start(QStringLiteral(SORVANE_RANKD),
                     {QStringLiteral("--data"), m_lists->path(), QStringLiteral("--port"), QStringLiteral("0")});
    QVERIFY2(m_service->waitForStarted(), qPrintable(m_service->errorString()));
    static const QRegularExpression listening(QStringLiteral("^listening on [^ ]+:(\\d+)$"));
    QByteArray output;
    while (m_port == 0) {
        QVERIFY2(m_service->waitForReadyRead(30000), "the service printed no port");
        output += m_service->readAllStandardOutput();
        for (const QByteArray &line : output.split('\n')) {
            const auto match = listening.match(QString::fromUtf8(line).trimmed());
            if (match.hasMatch())
                m_port = quint16(match.captured(1).toUInt());
        }
    }
    // The service listens at once and answers only once its lists are loaded.
    while (!output.contains("\nready: ")) {
        QVERIFY2(m_service->waitForReadyRead(30000), "the service did not finish loading");
        output += m_service->readAllStandardOutput();
    }
}

void tst_EndToEnd::cleanup()
{
    if (m_service) {
        m_service->kill();
        m_service->waitForFinished();
    }
    m_service.reset();
    m_lists.reset();
    CRankClock::setFixedToday(QDate());
}

void tst_EndToEnd::queryRunStoresTheServicesFigures()
{
    CTempHome home;
    QStringList domains = CSampleGenerator::domains();
    domains.append(QStringLiteral("unranked-anywhere.test"));
    home.writeFile(home.domainListPath(), domains.join(u'\n').toUtf8() + '\n');
    qputenv("SORVANE_SERVICE", QByteArray("127.0.0.1:") + QByteArray::number(m_port));

    CSnapshotStore expected;
    expected.load(m_lists->path());

    auto prompts = std::make_shared<RecordingPrompts>();
    {
        MainWindow window(nullptr, prompts);
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
