#pragma once

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
    enum class Action { Window, Query, Help, Version, Error };
    static constexpr int MaxBackfillDays = 3650;

    // True when an argument asks for something other than the window.
    static bool wantsNoWindow(int argc, char *argv[]);

    CCommandLine();

    Action parse(const QStringList &arguments);
    bool rankMode() const { return m_rankMode; }
    // With --backfill: how many past days to fill; 0 for today's run.
    int backfillDays() const { return m_backfillDays; }
    QString errorText() const { return m_error; }
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
    bool m_rankMode = true;
    int m_backfillDays = 0;
    QString m_error;
};
