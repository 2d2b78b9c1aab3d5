#include "CListRefresher.h"
#include "CListSource.h"
#include "CListUpdater.h"
#include "CRankServer.h"
#include "CSampleGenerator.h"
#include "CServiceNotifier.h"
#include "CSnapshotStore.h"
#include "CStoreCache.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QHostAddress>
#include <QTextStream>
#include <QThread>
#include <QTime>
#include <QTimer>

#include <cstdio>
#include <malloc.h>
#include <memory>
#include <unistd.h>

namespace {

// Reads the download settings; an empty error when they are all right.
CListUpdater::Settings updateSettings(const QCommandLineParser &parser, QString &error)
{
    CListUpdater::Settings settings;
    bool ok = true;
    if (parser.isSet(QStringLiteral("days"))) {
        settings.days = parser.value(QStringLiteral("days")).toInt(&ok);
        if (!ok || settings.days < 1)
            error = QStringLiteral("not a number of days: ") + parser.value(QStringLiteral("days"));
    }
    const double timeout = parser.value(QStringLiteral("timeout")).toDouble(&ok);
    if (!ok || timeout <= 0)
        error = QStringLiteral("not a time-out in seconds: ") + parser.value(QStringLiteral("timeout"));
    settings.timeout = std::chrono::milliseconds(qint64(timeout * 1000));
    settings.backOff = qMin(settings.backOff, settings.timeout);
    settings.attempts = parser.value(QStringLiteral("attempts")).toInt(&ok);
    if (!ok || settings.attempts < 1 || settings.attempts > 10)
        error = QStringLiteral("not a number of attempts (1 to 10): ") + parser.value(QStringLiteral("attempts"));
    settings.minRows = parser.value(QStringLiteral("min-rows")).toLongLong(&ok);
    if (!ok || settings.minRows < 1)
        error = QStringLiteral("not a number of rows: ") + parser.value(QStringLiteral("min-rows"));
    return settings;
}

QString sourceLine(const QString &name, const CSnapshotStore &store, const QString &lastUpdate)
{
    return QStringLiteral("%1: newest list %2, %3 days held, %4 rows, last update: %5")
        .arg(name,
             store.newestDay().isValid() ? store.newestDay().toString(Qt::ISODate) : QStringLiteral("none"))
        .arg(store.daysHeld())
        .arg(store.rowsHeld())
        .arg(lastUpdate.isEmpty() ? QStringLiteral("none") : lastUpdate);
}

} // namespace

int main(int argc, char *argv[])
{
    // A list's text and rows (tens of MB each) go back to the system when it
    // is folded in; kept in the allocator's arenas instead, the lists parsed
    // on two threads left 100 MB more at the peak of a load.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sorvane-rankd"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves site-information pages for Sorvane from a folder of daily ranking lists.\n"
        "Each list is one file per day with the date (YYYY-MM-DD) in its name: headerless\n"
        "\"rank,domain\" lines or the link-based list with a GlobalRank,...,Domain,... header.\n"
        "A name with a separate \"us\" part (2024-05-01.us.csv) is a United States list."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption addressOption(QStringLiteral("address"),
                                           QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                           QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks a free one (default 8080)."),
                                        QStringLiteral("port"), QStringLiteral("8080"));
    const QCommandLineOption dataOption(QStringLiteral("data"),
                                        QStringLiteral("Folder of daily ranking lists to serve."),
                                        QStringLiteral("folder"));
    const QCommandLineOption sampleOption(
        QStringLiteral("generate-sample"),
        QStringLiteral("Write the synthetic sample lists (%1 days ending today) and %2 into folder, then exit.")
            .arg(CSampleGenerator::Days)
            .arg(CSampleGenerator::DomainsFileName),
        QStringLiteral("folder"));
    const QCommandLineOption lastDayOption(QStringLiteral("sample-last-day"),
                                           QStringLiteral("Last day of the sample instead of today."),
                                           QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption sourceOption(
        QStringLiteral("source"),
        QStringLiteral("Public list to fetch and serve, kept in <folder>/<source>: %1. Without it the "
                       "lists put into the data folder by hand are served.")
            .arg(CListSource::names().join(QStringLiteral(", "))),
        QStringLiteral("source"));
    const QCommandLineOption updateOption(
        QStringLiteral("update"),
        QStringLiteral("Fetch the missing days of the source (of every source without --source) into "
                       "the data folder, then exit."));
    const QCommandLineOption daysOption(QStringLiteral("days"),
                                        QStringLiteral("Days back from today to fetch (default 90)."),
                                        QStringLiteral("n"));
    const QCommandLineOption maxAgeOption(
        QStringLiteral("max-age"),
        QStringLiteral("Refuse pages (503) while the newest list is older than this many days; 0 serves "
                       "any age (default 3)."),
        QStringLiteral("days"), QStringLiteral("3"));
    const QCommandLineOption refreshOption(
        QStringLiteral("refresh"),
        QStringLiteral("With --source: fetch new lists daily at this local time (default 06:00)."),
        QStringLiteral("HH:MM"), QStringLiteral("06:00"));
    const QCommandLineOption baseOption(
        QStringLiteral("base-url"),
        QStringLiteral("Address the source's lists are fetched from instead of the publisher's "
                       "(also SORVANE_TRANCO_URL, SORVANE_UMBRELLA_URL, SORVANE_MAJESTIC_URL)."),
        QStringLiteral("url"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("Seconds without data before a download is given up (default 30)."),
                                           QStringLiteral("seconds"), QStringLiteral("30"));
    const QCommandLineOption attemptsOption(QStringLiteral("attempts"),
                                            QStringLiteral("Tries per download for errors that may pass (default 3)."),
                                            QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption minRowsOption(
        QStringLiteral("min-rows"),
        QStringLiteral("Fewest rank lines a downloaded list must hold to be kept (default 10000)."),
        QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption cacheMinRowsOption(
        QStringLiteral("cache-min-rows"),
        QStringLiteral("Keep a cache of the lists beside them (\"%1\"), read at the next start while the lists "
                       "stay the same, once they hold this many rows; 0 always (default 1000000).")
            .arg(CSnapshotStore::CacheFileName),
        QStringLiteral("n"), QStringLiteral("1000000"));
    parser.addOptions({addressOption, portOption, dataOption, sampleOption, lastDayOption, sourceOption,
                       updateOption, daysOption, maxAgeOption, refreshOption, baseOption, timeoutOption,
                       attemptsOption, minRowsOption, cacheMinRowsOption});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);

    if (parser.isSet(sampleOption)) {
        const QDate lastDay = parser.isSet(lastDayOption)
            ? QDate::fromString(parser.value(lastDayOption), Qt::ISODate)
            : QDate::currentDate();
        if (!lastDay.isValid()) {
            err << "sorvane-rankd: not a date: " << parser.value(lastDayOption) << Qt::endl;
            return 2;
        }
        QString error;
        if (!CSampleGenerator::write(parser.value(sampleOption), lastDay, &error)) {
            err << "sorvane-rankd: " << error << Qt::endl;
            return 1;
        }
        out << "wrote sample lists for " << CSampleGenerator::Days << " days ending "
            << lastDay.toString(Qt::ISODate) << " into " << parser.value(sampleOption) << Qt::endl;
        return 0;
    }

    if (!parser.isSet(dataOption)) {
        err << "sorvane-rankd: --data <folder> is required (see --help)" << Qt::endl;
        return 2;
    }
    const QString data = parser.value(dataOption);

    std::optional<CListSource> source;
    if (parser.isSet(sourceOption)) {
        source = CListSource::byName(parser.value(sourceOption));
        if (!source) {
            err << "sorvane-rankd: not a source: " << parser.value(sourceOption) << " (one of "
                << CListSource::names().join(QStringLiteral(", ")) << ')' << Qt::endl;
            return 2;
        }
        if (parser.isSet(baseOption))
            source->setBase(parser.value(baseOption));
    } else if (parser.isSet(baseOption)) {
        err << "sorvane-rankd: --base-url needs --source" << Qt::endl;
        return 2;
    }
    QString settingsError;
    const CListUpdater::Settings settings = updateSettings(parser, settingsError);
    if (!settingsError.isEmpty()) {
        err << "sorvane-rankd: " << settingsError << Qt::endl;
        return 2;
    }

    if (parser.isSet(updateOption)) {
        const bool terminal = isatty(fileno(stderr));
        std::vector<CListSource> sources;
        if (source)
            sources.push_back(*source);
        else
            for (const QString &name : CListSource::names())
                sources.push_back(*CListSource::byName(name));
        bool allFetched = true;
        for (const CListSource &each : sources) {
            CListUpdater updater(each, data, settings);
            if (terminal) {
                QObject::connect(&updater, &CListUpdater::progress, &updater, [&err](const QString &line) {
                    err << '\r' << line.left(78) << "\x1b[K" << Qt::flush;
                });
            }
            const CListUpdater::Summary summary = updater.run();
            if (terminal)
                err << "\r\x1b[K" << Qt::flush;
            for (const QString &problem : summary.problems)
                err << problem << '\n';
            err.flush();
            out << summary.line(each.name()) << Qt::endl;
            allFetched = allFetched && summary.failed == 0;
        }
        return allFetched ? 0 : 1;
    }
    const QString folder = source ? source->folder(data) : data;
    bool maxAgeOk = false;
    const int maxAge = parser.value(maxAgeOption).toInt(&maxAgeOk);
    if (!maxAgeOk || maxAge < 0) {
        err << "sorvane-rankd: not a number of days: " << parser.value(maxAgeOption) << Qt::endl;
        return 2;
    }
    const QTime refreshAt = QTime::fromString(parser.value(refreshOption), QStringLiteral("HH:mm"));
    if (!refreshAt.isValid()) {
        err << "sorvane-rankd: not a time (HH:MM): " << parser.value(refreshOption) << Qt::endl;
        return 2;
    }
    bool cacheMinRowsOk = false;
    const qint64 cacheMinRows = parser.value(cacheMinRowsOption).toLongLong(&cacheMinRowsOk);
    if (!cacheMinRowsOk || cacheMinRows < 0) {
        err << "sorvane-rankd: not a number of rows: " << parser.value(cacheMinRowsOption) << Qt::endl;
        return 2;
    }
    const QHostAddress address(parser.value(addressOption));
    if (address.isNull()) {
        err << "sorvane-rankd: not an address: " << parser.value(addressOption) << Qt::endl;
        return 2;
    }
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        err << "sorvane-rankd: not a port: " << parser.value(portOption) << Qt::endl;
        return 2;
    }

    // Listen at once and load the lists on a thread of their own: a client
    // learns that the service is loading instead of finding nothing there.
    CSnapshotStore store;
    CRankServer server(store);
    server.setMaxAgeDays(maxAge);
    server.setLoading(QStringLiteral("lists not yet counted"));
    if (!server.listen(address, quint16(port))) {
        err << "sorvane-rankd: cannot listen on " << address.toString() << ':' << port << ": "
            << server.errorString() << Qt::endl;
        return 1;
    }
    out << "listening on " << server.serverAddress().toString() << ':' << server.serverPort() << Qt::endl;
    std::fflush(stdout);

    // A restart over lists seen before reads the cache kept beside them;
    // otherwise the lists are read, and the cache written once the service
    // is ready.
    const QString cachePath = QDir(folder).filePath(CSnapshotStore::CacheFileName);
    auto loaded = std::make_shared<CSnapshotStore>();
    auto report = std::make_shared<CSnapshotStore::Report>();
    auto fingerprint = std::make_shared<QByteArray>();
    auto cacheOutcome = std::make_shared<CStoreCache::Outcome>(CStoreCache::Outcome::Absent);
    auto cacheWhy = std::make_shared<QString>();
    auto shownTenth = std::make_shared<int>(-1);
    const std::unique_ptr<QThread> loader(QThread::create([&app, &server, &out, folder, cachePath, loaded, report,
                                                           fingerprint, cacheOutcome, cacheWhy, shownTenth] {
        CSnapshotStore::LoadOptions options;
        *fingerprint = CStoreCache::fingerprint(folder, options);
        *cacheOutcome = CStoreCache::read(cachePath, *fingerprint, *loaded, *report, cacheWhy.get());
        if (*cacheOutcome == CStoreCache::Outcome::Used)
            return;
        options.progress = [&app, &server, &out, shownTenth](int done, int total) {
            QMetaObject::invokeMethod(&app, [&server, &out, shownTenth, done, total] {
                const QString progress = QStringLiteral("%1 of %2 lists read").arg(done).arg(total);
                server.setLoading(progress);
                CServiceNotifier::notify("STATUS=loading: " + progress.toUtf8());
                // A line at every tenth, so that a long load shows it moves.
                if (const int tenth = done * 10 / qMax(total, 1); tenth != *shownTenth) {
                    *shownTenth = tenth;
                    out << "loading: " << progress << Qt::endl;
                }
            }, Qt::QueuedConnection);
        };
        *report = loaded->load(folder, options);
    }));
    std::unique_ptr<CListRefresher> refresher;
    std::unique_ptr<QThread> cacheWriter;
    auto cacheError = std::make_shared<QString>();
    // The daily refresh changes the store, so it starts once the cache is written from it.
    const auto startRefresher = [&] {
        if (!source)
            return;
        refresher = std::make_unique<CListRefresher>(*source, data, settings, store, server);
        QObject::connect(refresher.get(), &CListRefresher::refreshed, &app, [&](const QString &outcome) {
            out << outcome << '\n' << sourceLine(source->name(), store, outcome) << Qt::endl;
        });
        refresher->refreshDailyAt(refreshAt);
        // Serve what is held at once; fetch the missing newest list meanwhile.
        if (store.newestDay() < QDate::currentDate())
            QTimer::singleShot(0, refresher.get(), &CListRefresher::refresh);
    };
    QObject::connect(loader.get(), &QThread::finished, &app, [&, loaded, report, fingerprint, cacheOutcome, cacheWhy,
                                                                cacheError] {
        store.swap(*loaded);
        const bool fromCache = *cacheOutcome == CStoreCache::Outcome::Used;
        if (*cacheOutcome == CStoreCache::Outcome::Damaged)
            err << "sorvane-rankd: ignoring the cache " << cachePath << ": " << *cacheWhy << Qt::endl;
        else if (*cacheOutcome == CStoreCache::Outcome::Stale)
            out << "cache: not used, " << *cacheWhy << Qt::endl;
        for (const QString &problem : report->problems)
            err << problem << '\n';
        err.flush();
        out << report->summary() << (fromCache ? QStringLiteral(" (from the cache)") : QString()) << Qt::endl;
        if (report->days == 0)
            err << "sorvane-rankd: no daily list in " << folder << "; every page will read NA" << Qt::endl;
        if (source) {
            server.setSource({source->name(), source->title(), source->licence(), {}});
            out << sourceLine(source->name(), store, {}) << Qt::endl;
        }
        if (const QString stale = server.staleReason(QDate::currentDate()); !stale.isEmpty())
            err << "sorvane-rankd: pages are refused while " << stale << " (--max-age " << maxAge << ')' << Qt::endl;
        server.setLoaded();
        out << "ready: " << store.daysHeld() << " days held" << Qt::endl;
        CServiceNotifier::notify(QByteArrayLiteral("READY=1\nSTATUS=ready: ") + QByteArray::number(store.daysHeld())
                                 + " days held");
        if (fromCache || report->days == 0 || report->rows < cacheMinRows) {
            startRefresher();
            return;
        }
        // Requests only read the store, so the cache is written from it while they are served.
        cacheWriter.reset(QThread::create([&store, cachePath, report, fingerprint, cacheError] {
            *cacheError = CStoreCache::write(cachePath, store, *report, *fingerprint);
        }));
        QObject::connect(cacheWriter.get(), &QThread::finished, &app, [&, cacheError] {
            if (cacheError->isEmpty())
                out << "cache: written to " << cachePath << Qt::endl;
            else
                out << "cache: not written to " << cachePath << ": " << *cacheError << Qt::endl;
            startRefresher();
        });
        cacheWriter->start();
    });
    loader->start();
    const int code = app.exec();
    loader->wait();
    if (cacheWriter)
        cacheWriter->wait();
    return code;
}
