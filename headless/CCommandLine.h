#pragma once

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
    enum class Action { Window, Query, Help, Version, Error };
    static constexpr int MaxBackfillDays = 3650;

    CCommandLine();

    Action parse(const QStringList &arguments);
    bool rankMode() const { return m_rankMode; }
    // With --backfill: how many past days to fill; 0 for today's run.
    int backfillDays() const { return m_backfillDays; }
    QString errorText() const { return m_error; }
    // The one-line usage, shown after an option the parser does not know.
    bool showUsage() const { return m_showUsage; }
    static QString usageText();
    QString helpText() const { return m_parser.helpText(); }
    static QString versionText();

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_query;
    QCommandLineOption m_backfill;
    QCommandLineOption m_rank;
    QCommandLineOption m_reach;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QStringList m_toolkitOptions;
    bool m_rankMode = true;
    int m_backfillDays = 0;
    QString m_error;
    bool m_showUsage = false;
};
