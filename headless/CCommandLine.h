#pragma once

#include "io/CHistoryExporter.h"
#include "io/CHistoryFilter.h"
#include "io/COverviewWriter.h"
#include "run/CBackfillRun.h"
#include "watch/CDigest.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QSize>
#include <QString>
#include <QStringList>

// The options of the sorvane program, and the toolkit's own options of a
// windowed program ("-platform offscreen", "-style=fusion"). The entry
// parses them before anything else, so a mistake is told the same way with
// or without a display; without one of its own options the program opens
// its window.
class CCommandLine
{
public:
    // Query covers --backfill, which is a query run over past days.
    enum class Action { Window, Query, Export, ImportHistory, Digest, Overview, Chart, Help, Version, Error };
    static constexpr int MaxBackfillDays = CBackfillRun::MaxDays;
    static constexpr int MaxDigestDays = 3650;

    CCommandLine();

    Action parse(const QStringList &arguments);
    // What the last parse() answered.
    Action action() const { return m_action; }
    bool rankMode() const { return m_rankMode; }
    // With --backfill: how many past days to fill; 0 for today's run.
    int backfillDays() const { return m_backfillDays; }
    // With --export: what, how and where (empty: standard output).
    const CHistoryFilter &exportFilter() const { return m_filter; }
    CHistoryExporter::Format exportFormat() const { return m_exportFormat; }
    QString outputPath() const { return m_parser.value(m_output); }
    // With --import-history.
    QString importPath() const { return m_parser.value(m_importHistory); }
    bool dryRun() const { return m_parser.isSet(m_dryRun); }
    // With --group: only these groups' domains.
    QStringList groups() const { return m_groups; }
    // With --digest: the days, the format, the figure (a CTrendFigure) and
    // whether to mail it.
    int digestDays() const { return m_digestDays; }
    CDigest::Format digestFormat() const { return m_digestFormat; }
    int digestFigure() const { return m_digestFigure; }
    bool mailDigest() const { return m_mailDigest; }
    bool isDigest() const { return m_parser.isSet(m_digest); }
    // With --overview: text, csv or json.
    COverviewWriter::Format overviewFormat() const { return m_overviewFormat; }
    // With --chart: the picture's file (PNG, or SVG for a name ending in
    // ".svg"), its domains (none given: those of --group, else the list),
    // figure, size and days (the last chartDays() days, or from/to; all
    // the history when neither is given).
    QString chartPath() const { return m_parser.value(m_chart); }
    QStringList chartDomains() const { return m_parser.values(m_domain); }
    int chartFigure() const { return m_digestFigure; }
    int chartDays() const { return m_chartDays; }
    QSize chartSize() const { return m_chartSize; }
    QDate chartFrom() const { return m_filter.from; }
    QDate chartTo() const { return m_filter.to; }
    QString errorText() const { return m_error; }
    // The one-line usage, shown after an option the parser does not know.
    bool showUsage() const { return m_showUsage; }
    static QString usageText();
    QString helpText() const { return m_parser.helpText(); }
    static QString versionText();

private:
    Action parseArguments(const QStringList &arguments);
    Action parseExport();
    Action parseImport();
    Action fail(const QString &error);
    Action parseDigest();
    Action parseOverview();
    Action parseChart();
    Action parseFigure();
    Action parseFromTo();

    QCommandLineParser m_parser;
    QCommandLineOption m_query;
    QCommandLineOption m_backfill;
    QCommandLineOption m_rank;
    QCommandLineOption m_reach;
    QCommandLineOption m_export;
    QCommandLineOption m_format;
    QCommandLineOption m_output;
    QCommandLineOption m_domain;
    QCommandLineOption m_from;
    QCommandLineOption m_to;
    QCommandLineOption m_importHistory;
    QCommandLineOption m_dryRun;
    QCommandLineOption m_group;
    QCommandLineOption m_digest;
    QCommandLineOption m_days;
    QCommandLineOption m_figure;
    QCommandLineOption m_mail;
    QCommandLineOption m_overview;
    QCommandLineOption m_chart;
    QCommandLineOption m_size;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QStringList m_toolkitOptions;
    bool m_rankMode = true;
    int m_backfillDays = 0;
    Action m_action = Action::Error;
    CHistoryFilter m_filter;
    CHistoryExporter::Format m_exportFormat = CHistoryExporter::Format::Csv;
    QStringList m_groups;
    int m_digestDays = 7;
    CDigest::Format m_digestFormat = CDigest::Format::Text;
    int m_digestFigure = 0;
    bool m_mailDigest = false;
    COverviewWriter::Format m_overviewFormat = COverviewWriter::Format::Text;
    int m_chartDays = 0;
    QSize m_chartSize;
    QString m_error;
    bool m_showUsage = false;
};
