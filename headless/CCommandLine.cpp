#include "headless/CCommandLine.h"

#include "base/CVersion.h"
#include "CPictureSize.h"
#include "watch/CAlertRule.h"

#include <algorithm>
#include <utility>

CCommandLine::CCommandLine()
    : m_query(QStringLiteral("query"),
              QStringLiteral("Runs one query over domains.dat without a window, adds the results to db.dat and "
                             "exits: 0 when every domain was stored or already assessed, 1 when a fetch failed, "
                             "2 when the run could not start."))
    , m_backfill(QStringLiteral("backfill"),
                 QStringLiteral("Instead of today's run, asks the service for each of the last <days> days (today not "
                                "counted) that a domain has no record of, and stores the figures under those days. "
                                "Needs a service that dates its pages for past days."),
                 QStringLiteral("days"))
    , m_rank(QStringLiteral("rank"), QStringLiteral("With --query: the period figures from the traffic-rank table (the default)."))
    , m_reach(QStringLiteral("reach"), QStringLiteral("With --query: the period figures from the reach table."))
    , m_export(QStringLiteral("export"),
               QStringLiteral("Writes the history (or the records the filters below take) to standard output or "
                              "--output, in history order, and exits."))
    , m_format(QStringLiteral("format"),
               QStringLiteral("With --export: csv (the default; RFC 4180 with a header row) or json (an array of "
                              "objects). With --digest: text (the default), markdown or html. With --overview: text "
                              "(the default), csv or json."),
               QStringLiteral("format"))
    , m_output(QStringLiteral("output"),
               QStringLiteral("With --export: the file to write, whole or not at all, instead of standard output; "
                              "an existing regular file of that name is replaced."),
               QStringLiteral("file"))
    , m_domain(QStringLiteral("domain"), QStringLiteral("With --export: only this domain's records (repeatable)."),
               QStringLiteral("domain"))
    , m_from(QStringLiteral("from"), QStringLiteral("With --export: only records of this day or later."),
             QStringLiteral("YYYY-MM-DD"))
    , m_to(QStringLiteral("to"), QStringLiteral("With --export: only records of this day or earlier."),
           QStringLiteral("YYYY-MM-DD"))
    , m_importHistory(QStringLiteral("import-history"),
                      QStringLiteral("Merges a history (Sorvane's CSV or JSON export, or lines of db.dat) into db.dat "
                                     "in date order, skipping records whose domain and date are held; a file with a "
                                     "bad line stores nothing. Not while the window is open."),
                      QStringLiteral("file"))
    , m_dryRun(QStringLiteral("dry-run"),
               QStringLiteral("With --import-history: says what would be added and skipped, storing nothing."))
    , m_group(QStringLiteral("group"),
              QStringLiteral("With --query, --digest, --overview or --export: only the domains of this group of groups.dat; "
                             "may be given more than once."),
              QStringLiteral("name"))
    , m_digest(QStringLiteral("digest"),
               QStringLiteral("Prints how each domain's figure moved over the last days: its newest value, its value "
                              "at the start, the change, its best and its worst, biggest movers first."))
    , m_days(QStringLiteral("days"), QStringLiteral("With --digest: the last <days> days, today included (7)."),
             QStringLiteral("days"))
    , m_figure(QStringLiteral("figure"),
               QStringLiteral("With --digest: global (the default), us, yesterday, 7day, 1month or 3month."),
               QStringLiteral("figure"))
    , m_mail(QStringLiteral("mail"),
             QStringLiteral("With --digest: mails it to [Alerts] mailTo of Sorvane.ini instead of printing it."))
    , m_overview(QStringLiteral("overview"),
                 QStringLiteral("Prints where each domain of the list stands: its newest record's date, global and US "
                                "rank, the change since its previous record and over 7 and 30 days, and its best and "
                                "worst global rank of the last 90 days, by global rank."))
    , m_chart(QStringLiteral("chart"),
              QStringLiteral("Draws the chart of the domains given by --domain or --group (else every listed domain) "
                             "into a PNG file, or SVG for a name ending in .svg, without a display, with their names "
                             "under it; --figure, --days or --from/--to and --size as for the window's chart."),
              QStringLiteral("file"))
    , m_size(QStringLiteral("size"), QStringLiteral("With --chart: the picture's size in pixels (1200x800)."),
             QStringLiteral("WxH"))
    , m_help(QStringList{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help and exits."))
    , m_version(QStringList{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Shows the version and exits."))
{
    m_parser.setApplicationDescription(
        QStringLiteral("Keeps a list of domains and a browsable history of their traffic-ranking figures.\n"
                       "Without options, opens the window. The ranking service is SORVANE_SERVICE (host or "
                       "host:port; localhost on port 80 when unset); the data folder is ~/.qorvex/Sorvane."));
    m_parser.addOptions({m_query, m_backfill, m_rank, m_reach, m_export, m_format, m_output, m_domain, m_from, m_to,
                         m_importHistory, m_dryRun, m_group, m_digest, m_days, m_figure, m_mail, m_overview, m_chart, m_size,
                         m_help, m_version});
    // The toolkit's options of a windowed program, taken by it later; known
    // here so that only true mistakes are refused, and hidden from the help.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger", "qwindowgeometry",
                             "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "display", "name", "style",
                             "stylesheet", "session", "fontengine"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        m_parser.addOption(option);
        m_toolkitOptions.append(option.names());
    }
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync", "qwindowalwaysontop"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        m_parser.addOption(option);
        m_toolkitOptions.append(option.names());
    }
}

QString CCommandLine::usageText()
{
    return QStringLiteral("Usage: sorvane [--query | --backfill <days>] [--rank | --reach] [--group <name>] | --export "
                          "[--format csv|json] [--output <file>] [--domain <domain>]... [--group <name>]... "
                          "[--from <YYYY-MM-DD>] [--to <YYYY-MM-DD>] | --import-history <file> [--dry-run] | --digest "
                          "[--days <days>] [--group <name>] [--format <format>] [--figure <figure>] [--mail] | --overview "
                          "[--group <name>]... [--format text|csv|json] | --chart <file> [--domain <domain>]... [--group <name>]... "
                          "[--figure <figure>] [--days <days> | --from <YYYY-MM-DD> --to <YYYY-MM-DD>] [--size <WxH>] | "
                          "--help | --version");
}

CCommandLine::Action CCommandLine::parse(const QStringList &arguments)
{
    m_action = parseArguments(arguments);
    return m_action;
}

CCommandLine::Action CCommandLine::parseArguments(const QStringList &arguments)
{
    m_showUsage = false;
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        m_showUsage = true;
        return Action::Error;
    }
    if (m_parser.isSet(m_help))
        return Action::Help;
    if (m_parser.isSet(m_version))
        return Action::Version;
    if (!m_parser.positionalArguments().isEmpty()) {
        m_error = QStringLiteral("Unexpected argument '%1'.").arg(m_parser.positionalArguments().first());
        return Action::Error;
    }
    if (m_parser.isSet(m_rank) && m_parser.isSet(m_reach)) {
        m_error = QStringLiteral("--rank and --reach exclude each other.");
        return Action::Error;
    }
    m_rankMode = !m_parser.isSet(m_reach);
    m_groups = m_parser.values(m_group);
    if (int(m_parser.isSet(m_digest)) + int(m_parser.isSet(m_overview)) + int(m_parser.isSet(m_chart)) > 1)
        return fail(QStringLiteral("--digest, --overview and --chart exclude each other."));
    if (m_parser.isSet(m_digest))
        return parseDigest();
    if (m_parser.isSet(m_overview))
        return parseOverview();
    if (m_parser.isSet(m_chart))
        return parseChart();
    if (m_parser.isSet(m_size))
        return fail(QStringLiteral("--size goes with --chart."));
    for (const QCommandLineOption *option : {&m_days, &m_figure, &m_mail}) {
        if (m_parser.isSet(*option)) {
            m_error = QStringLiteral("--%1 goes with --digest.").arg(option->names().constFirst());
            return Action::Error;
        }
    }
    const bool toolkitOption = std::any_of(m_toolkitOptions.cbegin(), m_toolkitOptions.cend(),
                                           [this](const QString &name) { return m_parser.isSet(name); });
    const bool windowless = m_parser.isSet(m_query) || m_parser.isSet(m_backfill) || m_parser.isSet(m_export)
                            || m_parser.isSet(m_importHistory);
    if (toolkitOption && windowless) {
        m_error = QStringLiteral("The window's options go without --query, --backfill, --export and --import-history.");
        return Action::Error;
    }
    if (m_parser.isSet(m_export) && (m_parser.isSet(m_importHistory) || m_parser.isSet(m_query) || m_parser.isSet(m_backfill)))
        return fail(QStringLiteral("--export goes alone, without --import-history, --query or --backfill."));
    if (m_parser.isSet(m_export))
        return parseExport();
    if (m_parser.isSet(m_format))
        return fail(QStringLiteral("--format goes with --export or --digest."));
    for (const QCommandLineOption *option : {&m_output, &m_domain, &m_from, &m_to}) {
        if (m_parser.isSet(*option))
            return fail(QStringLiteral("--%1 goes with --export.").arg(option->names().constFirst()));
    }
    if (m_parser.isSet(m_importHistory))
        return parseImport();
    if (m_parser.isSet(m_dryRun))
        return fail(QStringLiteral("--dry-run goes with --import-history."));
    if (m_parser.isSet(m_backfill)) {
        bool ok = false;
        m_backfillDays = m_parser.value(m_backfill).toInt(&ok);
        if (!ok || m_backfillDays < 1 || m_backfillDays > MaxBackfillDays) {
            m_error = QStringLiteral("--backfill takes a number of days from 1 to %1.").arg(MaxBackfillDays);
            return Action::Error;
        }
        return Action::Query;
    }
    if (!m_parser.isSet(m_query)) {
        if (m_parser.isSet(m_group)) {
            m_error = QStringLiteral("--group goes with --query, --digest or --export.");
            return Action::Error;
        }
        if (m_parser.isSet(m_rank) || m_parser.isSet(m_reach)) {
            m_error = QStringLiteral("--rank and --reach go with --query or --backfill.");
            return Action::Error;
        }
        return Action::Window;
    }
    return Action::Query;
}

CCommandLine::Action CCommandLine::fail(const QString &error)
{
    m_error = error;
    return Action::Error;
}

CCommandLine::Action CCommandLine::parseExport()
{
    if (m_parser.isSet(m_rank) || m_parser.isSet(m_reach) || m_parser.isSet(m_dryRun))
        return fail(QStringLiteral("--rank, --reach and --dry-run do not go with --export."));
    if (m_parser.isSet(m_format)) {
        const CResult<CHistoryExporter::Format> named = CHistoryExporter::formatNamed(m_parser.value(m_format));
        if (!named)
            return fail(QStringLiteral("--format takes csv or json, not '%1'.").arg(m_parser.value(m_format)));
        m_exportFormat = named.value();
    }
    if (m_parser.isSet(m_output) && m_parser.value(m_output).isEmpty())
        return fail(QStringLiteral("--output takes a file name."));
    for (const QString &domain : m_parser.values(m_domain))
        m_filter.domains.insert(domain);
    return parseFromTo() == Action::Error ? Action::Error : Action::Export;
}

CCommandLine::Action CCommandLine::parseFromTo()
{
    for (const auto &[option, day] : {std::pair{&m_from, &m_filter.from}, std::pair{&m_to, &m_filter.to}}) {
        if (!m_parser.isSet(*option))
            continue;
        *day = CHistoryExporter::dateFrom(m_parser.value(*option));
        if (!day->isValid())
            return fail(QStringLiteral("--%1 takes a day as YYYY-MM-DD, not '%2'.")
                            .arg(option->names().constFirst(), m_parser.value(*option)));
    }
    return Action::Window; // anything but an error
}

CCommandLine::Action CCommandLine::parseImport()
{
    if (m_parser.isSet(m_query) || m_parser.isSet(m_backfill) || m_parser.isSet(m_rank) || m_parser.isSet(m_reach))
        return fail(QStringLiteral("--import-history goes alone, without --query, --backfill, --rank or --reach."));
    if (importPath().isEmpty())
        return fail(QStringLiteral("--import-history takes a file name."));
    return Action::ImportHistory;
}

CCommandLine::Action CCommandLine::parseDigest()
{
    if (m_parser.isSet(m_query) || m_parser.isSet(m_backfill) || m_parser.isSet(m_rank) || m_parser.isSet(m_reach)) {
        m_error = QStringLiteral("--digest goes with none of --query, --backfill, --rank and --reach.");
        return Action::Error;
    }
    for (const QCommandLineOption *option : {&m_export, &m_importHistory, &m_output, &m_domain, &m_from, &m_to, &m_dryRun}) {
        if (m_parser.isSet(*option))
            return fail(QStringLiteral("--%1 does not go with --digest.").arg(option->names().constFirst()));
    }
    if (m_parser.isSet(m_days)) {
        bool ok = false;
        m_digestDays = m_parser.value(m_days).toInt(&ok);
        if (!ok || m_digestDays < 1 || m_digestDays > MaxDigestDays) {
            m_error = QStringLiteral("--days takes a number of days from 1 to %1.").arg(MaxDigestDays);
            return Action::Error;
        }
    }
    if (m_parser.isSet(m_format)) {
        const CResult<CDigest::Format> named = CDigest::formatNamed(m_parser.value(m_format));
        if (!named) {
            m_error = QStringLiteral("--format takes text, markdown or html.");
            return Action::Error;
        }
        m_digestFormat = named.value();
    }
    if (parseFigure() == Action::Error)
        return Action::Error;
    m_mailDigest = m_parser.isSet(m_mail);
    return Action::Digest;
}

CCommandLine::Action CCommandLine::parseFigure()
{
    if (m_parser.isSet(m_figure)) {
        m_digestFigure = CAlertRule::figureNamed(m_parser.value(m_figure));
        if (m_digestFigure < 0)
            return fail(QStringLiteral("--figure takes one of %1.").arg(CAlertRule::figureNames().join(QStringLiteral(", "))));
    }
    return Action::Window; // anything but an error
}

CCommandLine::Action CCommandLine::parseChart()
{
    for (const QCommandLineOption *option : {&m_query, &m_backfill, &m_rank, &m_reach, &m_export, &m_output, &m_format,
                                             &m_importHistory, &m_dryRun, &m_mail, &m_overview, &m_digest}) {
        if (m_parser.isSet(*option))
            return fail(QStringLiteral("--%1 does not go with --chart.").arg(option->names().constFirst()));
    }
    if (chartPath().isEmpty())
        return fail(QStringLiteral("--chart takes a file name."));
    if (parseFigure() == Action::Error)
        return Action::Error;
    if (m_parser.isSet(m_days) && (m_parser.isSet(m_from) || m_parser.isSet(m_to)))
        return fail(QStringLiteral("--days and --from/--to exclude each other."));
    if (m_parser.isSet(m_days)) {
        bool ok = false;
        m_chartDays = m_parser.value(m_days).toInt(&ok);
        if (!ok || m_chartDays < 1 || m_chartDays > MaxDigestDays)
            return fail(QStringLiteral("--days takes a number of days from 1 to %1.").arg(MaxDigestDays));
    }
    if (parseFromTo() == Action::Error)
        return Action::Error;
    m_chartSize = CPictureSize::Default;
    if (m_parser.isSet(m_size)) {
        const std::optional<QSize> size = CPictureSize::parse(m_parser.value(m_size));
        if (!size)
            return fail(QStringLiteral("--size takes WIDTHxHEIGHT, each from %1 to %2 pixels, not '%3'.")
                            .arg(CPictureSize::Smallest)
                            .arg(CPictureSize::Largest)
                            .arg(m_parser.value(m_size)));
        m_chartSize = *size;
    }
    return Action::Chart;
}

CCommandLine::Action CCommandLine::parseOverview()
{
    for (const QCommandLineOption *option : {&m_query, &m_backfill, &m_rank, &m_reach, &m_export, &m_output, &m_domain,
                                             &m_from, &m_to, &m_importHistory, &m_dryRun, &m_days, &m_figure, &m_mail,
                                             &m_chart, &m_size}) {
        if (m_parser.isSet(*option))
            return fail(QStringLiteral("--%1 does not go with --overview.").arg(option->names().constFirst()));
    }
    if (m_parser.isSet(m_format)) {
        const CResult<COverviewWriter::Format> named = COverviewWriter::formatNamed(m_parser.value(m_format));
        if (!named)
            return fail(QStringLiteral("--format takes text, csv or json, not '%1'.").arg(m_parser.value(m_format)));
        m_overviewFormat = named.value();
    }
    return Action::Overview;
}

QString CCommandLine::versionText()
{
    return QStringLiteral("sorvane " SORVANE_VERSION);
}
