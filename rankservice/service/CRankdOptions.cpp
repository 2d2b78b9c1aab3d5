#include "rankservice/service/CRankdOptions.h"

#include "rankservice/fetch/CFetchPlan.h"
#include "rankservice/lists/CSampleGenerator.h"
#include "rankservice/store/CSnapshotStore.h"

#include <QCommandLineParser>
#include <QStringList>

namespace {

using Result = CResult<CRankdOptions>;

QString value(const QCommandLineParser &parser, const char *name)
{
    return parser.value(QString::fromLatin1(name));
}

bool isSet(const QCommandLineParser &parser, const char *name)
{
    return parser.isSet(QString::fromLatin1(name));
}

QCommandLineOption option(const char *name, const QString &description, const char *valueName = nullptr,
                          const char *defaultValue = nullptr)
{
    return QCommandLineOption(QString::fromLatin1(name), description,
                              valueName ? QString::fromLatin1(valueName) : QString(),
                              defaultValue ? QString::fromLatin1(defaultValue) : QString());
}

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Serves site-information pages for Sorvane from a folder of daily ranking lists.\n"
        "Each list is one file per day with the date (YYYY-MM-DD) in its name: headerless\n"
        "\"rank,domain\" lines or the link-based list with a GlobalRank,...,Domain,... header.\n"
        "A name with a separate \"us\" part (2024-05-01.us.csv) is a United States list."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        option("address", QStringLiteral("Address to listen on (default 127.0.0.1)."), "address", "127.0.0.1"),
        option("port", QStringLiteral("Port to listen on; 0 picks a free one (default 8080)."), "port", "8080"),
        option("data", QStringLiteral("Folder of daily ranking lists to serve."), "folder"),
        option("generate-sample",
               QStringLiteral("Write the synthetic sample lists (%1 days ending today) and %2 into folder, then exit.")
                   .arg(CSampleGenerator::Days)
                   .arg(CSampleGenerator::DomainsFileName),
               "folder"),
        option("sample-last-day", QStringLiteral("Last day of the sample instead of today."), "YYYY-MM-DD"),
        option("source",
               QStringLiteral("Public list to fetch and serve, kept in <folder>/<source>: %1. Without it the "
                              "lists put into the data folder by hand are served.")
                   .arg(CListSource::names().join(QStringLiteral(", "))),
               "source"),
        option("us-source",
               QStringLiteral("Where the United States rank comes from: crux (Chrome's monthly United States list, "
                              "kept in <folder>/crux-us; the default with --source) or none (the daily United "
                              "States lists put there by hand)."),
               "crux|none"),
        option("update", QStringLiteral("Fetch the missing days of the source (of every source without --source) "
                                        "into the data folder, then exit.")),
        option("days",
               QStringLiteral("Days back from today (UTC) to fetch, and back from the newest list to serve "
                              "(never fewer than 90), at most %1 (default 90).")
                   .arg(CFetchPlan::MaxDays),
               "n"),
        option("every",
               QStringLiteral("Of the days older than the newest %1, fetch only one list every n days, the same "
                              "days from one day to the next (default 1: every day); a page of such a day may "
                              "take its figures from a list up to n - 1 days before it.")
                   .arg(CFetchPlan::RecentDays),
               "n", "1"),
        option("max-age",
               QStringLiteral("Refuse pages (503) while the newest list is older than this many days, and a "
                              "past day's page (404) whose list is; 0 serves any age (default 3)."),
               "days", "3"),
        option("refresh", QStringLiteral("With --source: fetch new lists daily at this local time (default 06:00)."),
               "HH:MM", "06:00"),
        option("base-url",
               QStringLiteral("Address the source's lists are fetched from instead of the publisher's "
                              "(also SORVANE_TRANCO_URL, SORVANE_UMBRELLA_URL, SORVANE_MAJESTIC_URL, SORVANE_CRUX_URL)."),
               "url"),
        option("timeout", QStringLiteral("Seconds without data before a download is given up (default 30)."),
               "seconds", "30"),
        option("attempts", QStringLiteral("Tries per download for errors that may pass (default 3)."), "n", "3"),
        option("min-rows",
               QStringLiteral("Fewest distinct domains a downloaded list must hold to be kept (default 10000)."), "n",
               "10000"),
        option("max-rows",
               QStringLiteral("Read at most this many rows of a list; a longer one is read up to it and named "
                              "(default %1; the publishers' lists hold 1000000).")
                   .arg(CSnapshotStore::DefaultMaxRows),
               "n", "2000000"),
        option("refresh-deadline",
               QStringLiteral("With --source: minutes a daily refresh may take; what is left is tried at the next "
                              "(default 15)."),
               "minutes", "15"),
        option("cache-min-rows",
               QStringLiteral("Keep a cache of the lists beside them (\"%1\"), read at the next start while the "
                              "lists stay the same, once they hold this many rows; 0 always (default 1000000).")
                   .arg(CSnapshotStore::CacheFileName),
               "n", "1000000"),
    });
}

CResult<CListUpdater::Settings> parseSettings(const QCommandLineParser &parser)
{
    using Failure = CResult<CListUpdater::Settings>;
    CListUpdater::Settings settings;
    bool ok = true;
    if (isSet(parser, "days")) {
        settings.days = value(parser, "days").toInt(&ok);
        if (!ok || settings.days < 1 || settings.days > CFetchPlan::MaxDays)
            return Failure::failure(QStringLiteral("not a number of days (1 to %1): %2")
                                        .arg(CFetchPlan::MaxDays)
                                        .arg(value(parser, "days")));
    }
    settings.every = value(parser, "every").toInt(&ok);
    if (!ok || settings.every < 1 || settings.every > CFetchPlan::RecentDays)
        return Failure::failure(
            QStringLiteral("not a number of days (1 to %1): %2").arg(CFetchPlan::RecentDays).arg(value(parser, "every")));
    const double timeout = value(parser, "timeout").toDouble(&ok);
    if (!ok || timeout <= 0)
        return Failure::failure(QStringLiteral("not a time-out in seconds: ") + value(parser, "timeout"));
    settings.timeout = std::chrono::milliseconds(qint64(timeout * 1000));
    settings.backOff = qMin(settings.backOff, settings.timeout);
    settings.attempts = value(parser, "attempts").toInt(&ok);
    if (!ok || settings.attempts < 1 || settings.attempts > 10)
        return Failure::failure(QStringLiteral("not a number of attempts (1 to 10): ") + value(parser, "attempts"));
    settings.minRows = value(parser, "min-rows").toLongLong(&ok);
    if (!ok || settings.minRows < 1)
        return Failure::failure(QStringLiteral("not a number of rows: ") + value(parser, "min-rows"));
    settings.maxRows = value(parser, "max-rows").toLongLong(&ok);
    if (!ok || settings.maxRows < 1)
        return Failure::failure(QStringLiteral("not a number of rows: ") + value(parser, "max-rows"));

    return CResult<CListUpdater::Settings>::success(settings);
}

// The source with the address the user gave it, on the command line or in its variable.
CListSource configured(CListSource source, const QString &baseUrl)
{
    const QString fromEnvironment = qEnvironmentVariable(qPrintable(source.environmentVariable()));
    if (!baseUrl.isEmpty())
        source.setBase(baseUrl);
    else if (!fromEnvironment.isEmpty())
        source.setBase(fromEnvironment);
    return source;
}

CResult<void> parseSources(const QCommandLineParser &parser, CRankdOptions &options)
{
    if (isSet(parser, "source")) {
        const std::optional<CListSource> source = CListSource::byName(value(parser, "source"));
        if (!source)
            return CResult<void>::failure(QStringLiteral("not a source: %1 (one of %2)")
                                              .arg(value(parser, "source"), CListSource::names().join(QStringLiteral(", "))));
        options.source = configured(*source, value(parser, "base-url"));
        options.updateSources = {*options.source};
    } else if (isSet(parser, "base-url")) {
        return CResult<void>::failure(QStringLiteral("--base-url needs --source"));
    } else {
        for (const QString &name : CListSource::names())
            options.updateSources.push_back(configured(*CListSource::byName(name), {}));
    }
    const QString us = isSet(parser, "us-source") ? value(parser, "us-source")
                                                  : options.source ? QStringLiteral("crux") : QStringLiteral("none");
    if (us == QLatin1String("crux")) {
        options.usSource = configured(CListSource::cruxUs(), {});
        options.updateSources.push_back(*options.usSource);
    } else if (us != QLatin1String("none")) {
        return CResult<void>::failure(QStringLiteral("not a United States source: %1 (crux or none)").arg(us));
    }
    return CResult<void>::success();
}

CResult<void> parseServing(const QCommandLineParser &parser, CRankdOptions &options)
{
    bool ok = false;
    options.maxAgeDays = value(parser, "max-age").toInt(&ok);
    if (!ok || options.maxAgeDays < 0)
        return CResult<void>::failure(QStringLiteral("not a number of days: ") + value(parser, "max-age"));
    options.refreshAt = QTime::fromString(value(parser, "refresh"), QStringLiteral("HH:mm"));
    if (!options.refreshAt.isValid())
        return CResult<void>::failure(QStringLiteral("not a time (HH:MM): ") + value(parser, "refresh"));
    const double minutes = value(parser, "refresh-deadline").toDouble(&ok);
    if (!ok || minutes <= 0)
        return CResult<void>::failure(QStringLiteral("not a time in minutes: ") + value(parser, "refresh-deadline"));
    options.refreshDeadline = std::chrono::milliseconds(qint64(minutes * 60000));
    options.cacheMinRows = value(parser, "cache-min-rows").toLongLong(&ok);
    if (!ok || options.cacheMinRows < 0)
        return CResult<void>::failure(QStringLiteral("not a number of rows: ") + value(parser, "cache-min-rows"));
    options.address = QHostAddress(value(parser, "address"));
    if (options.address.isNull())
        return CResult<void>::failure(QStringLiteral("not an address: ") + value(parser, "address"));
    const uint port = value(parser, "port").toUInt(&ok);
    if (!ok || port > 65535)
        return CResult<void>::failure(QStringLiteral("not a port: ") + value(parser, "port"));
    options.port = quint16(port);
    return CResult<void>::success();
}

} // namespace

CResult<CRankdOptions> CRankdOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(arguments))
        return Result::failure(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    CRankdOptions options;
    options.notifySocket = qgetenv("NOTIFY_SOCKET");
    if (isSet(parser, "generate-sample")) {
        options.mode = Mode::Sample;
        options.sampleFolder = value(parser, "generate-sample");
        options.sampleLastDay = isSet(parser, "sample-last-day")
            ? QDate::fromString(value(parser, "sample-last-day"), Qt::ISODate)
            : QDate::currentDate();
        if (!options.sampleLastDay.isValid())
            return Result::failure(QStringLiteral("not a date: ") + value(parser, "sample-last-day"));
        return Result::success(options);
    }
    if (!isSet(parser, "data"))
        return Result::failure(QStringLiteral("--data <folder> is required (see --help)"));
    options.data = value(parser, "data");
    options.mode = isSet(parser, "update") ? Mode::Update : Mode::Serve;
    if (const CResult<void> sources = parseSources(parser, options); !sources)
        return Result::failure(sources.message());
    const CResult<CListUpdater::Settings> settings = parseSettings(parser);
    if (!settings)
        return Result::failure(settings.message());
    options.settings = settings.value();
    if (const CResult<void> serving = parseServing(parser, options); !serving)
        return Result::failure(serving.message());
    return Result::success(options);
}
