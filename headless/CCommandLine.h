#pragma once

#include "io/CHistoryExporter.h"
#include "io/CHistoryFilter.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// The options of the sorvane program. Without one of its own options the
// program opens its window, so the entry looks at the raw arguments first to
// choose between a windowed and a windowless application object.
class CCommandLine
{
public:
    // Query covers --backfill, which is a query run over past days.
    enum class Action { Window, Query, Export, ImportHistory, Help, Version, Error };
    static constexpr int MaxBackfillDays = 3650;

    // True when an argument asks for something other than the window.
    static bool wantsNoWindow(int argc, char *argv[]);

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
    bool m_rankMode = true;
    int m_backfillDays = 0;
    Action m_action = Action::Error;
    CHistoryFilter m_filter;
    CHistoryExporter::Format m_exportFormat = CHistoryExporter::Format::Csv;
    QString m_error;
};
