#pragma once

#include "io/CHistoryExporter.h"
#include "io/CHistoryFilter.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
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
    enum class Action { Window, Query, Export, ImportHistory, Help, Version, Error };
    static constexpr int MaxBackfillDays = 3650;

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
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QStringList m_toolkitOptions;
    bool m_rankMode = true;
    int m_backfillDays = 0;
    Action m_action = Action::Error;
    CHistoryFilter m_filter;
    CHistoryExporter::Format m_exportFormat = CHistoryExporter::Format::Csv;
    QString m_error;
    bool m_showUsage = false;
};
