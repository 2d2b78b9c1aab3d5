#include "headless/CCommandLine.h"

#include "base/CVersion.h"

#include <QByteArrayView>

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
    , m_format(QStringLiteral("format"), QStringLiteral("With --export: csv (the default; RFC 4180 with a header row) "
                                                        "or json (an array of objects)."),
               QStringLiteral("csv|json"), QStringLiteral("csv"))
    , m_output(QStringLiteral("output"),
               QStringLiteral("With --export: the file to write, whole or not at all, instead of standard output."),
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
    , m_help(QStringList{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help and exits."))
    , m_version(QStringList{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Shows the version and exits."))
{
    m_parser.setApplicationDescription(
        QStringLiteral("Keeps a list of domains and a browsable history of their traffic-ranking figures.\n"
                       "Without options, opens the window. The ranking service is SORVANE_SERVICE (host or "
                       "host:port; localhost on port 80 when unset); the data folder is ~/.qorvex/Sorvane."));
    m_parser.addOptions({m_query, m_backfill, m_rank, m_reach, m_export, m_format, m_output, m_domain, m_from, m_to,
                         m_importHistory, m_dryRun, m_help, m_version});
}

bool CCommandLine::wantsNoWindow(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        for (const char *option : {"--query", "--backfill", "--help", "-h", "-?", "--version", "-v",
                                   "--rank", "--reach", "--export", "--format", "--output", "--domain", "--from",
                                   "--to", "--import-history", "--dry-run"}) {
            if (argument == option || (argument.startsWith(option) && argument.sliced(qstrlen(option)).startsWith('=')))
                return true;
        }
    }
    return false;
}

CCommandLine::Action CCommandLine::parse(const QStringList &arguments)
{
    m_action = parseArguments(arguments);
    return m_action;
}

CCommandLine::Action CCommandLine::parseArguments(const QStringList &arguments)
{
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
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
    if (m_parser.isSet(m_export) && (m_parser.isSet(m_importHistory) || m_parser.isSet(m_query) || m_parser.isSet(m_backfill)))
        return fail(QStringLiteral("--export goes alone, without --import-history, --query or --backfill."));
    if (m_parser.isSet(m_export))
        return parseExport();
    for (const QCommandLineOption *option : {&m_format, &m_output, &m_domain, &m_from, &m_to}) {
        if (m_parser.isSet(*option))
            return fail(QStringLiteral("--%1 goes with --export.").arg(option->names().constFirst()));
    }
    if (m_parser.isSet(m_importHistory))
        return parseImport();
    if (m_parser.isSet(m_dryRun))
        return fail(QStringLiteral("--dry-run goes with --import-history."));
    m_rankMode = !m_parser.isSet(m_reach);
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
    if (!CHistoryExporter::formatNamed(m_parser.value(m_format), &m_exportFormat))
        return fail(QStringLiteral("--format takes csv or json, not '%1'.").arg(m_parser.value(m_format)));
    if (m_parser.isSet(m_output) && m_parser.value(m_output).isEmpty())
        return fail(QStringLiteral("--output takes a file name."));
    for (const QString &domain : m_parser.values(m_domain))
        m_filter.domains.insert(domain);
    for (const auto &[option, day] : {std::pair{&m_from, &m_filter.from}, std::pair{&m_to, &m_filter.to}}) {
        if (!m_parser.isSet(*option))
            continue;
        *day = CHistoryExporter::dateFrom(m_parser.value(*option));
        if (!day->isValid())
            return fail(QStringLiteral("--%1 takes a day as YYYY-MM-DD, not '%2'.")
                            .arg(option->names().constFirst(), m_parser.value(*option)));
    }
    return Action::Export;
}

CCommandLine::Action CCommandLine::parseImport()
{
    if (m_parser.isSet(m_query) || m_parser.isSet(m_backfill) || m_parser.isSet(m_rank) || m_parser.isSet(m_reach))
        return fail(QStringLiteral("--import-history goes alone, without --query, --backfill, --rank or --reach."));
    if (importPath().isEmpty())
        return fail(QStringLiteral("--import-history takes a file name."));
    return Action::ImportHistory;
}

QString CCommandLine::versionText()
{
    return QStringLiteral("sorvane " SORVANE_VERSION);
}
