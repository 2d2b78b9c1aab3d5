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
    enum class Action { Window, Query, Help, Version, Error };

    // True when an argument asks for something other than the window.
    static bool wantsNoWindow(int argc, char *argv[]);

    CCommandLine();

    Action parse(const QStringList &arguments);
    bool rankMode() const { return m_rankMode; }
    QString errorText() const { return m_error; }
    QString helpText() const { return m_parser.helpText(); }
    static QString versionText();

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_query;
    QCommandLineOption m_rank;
    QCommandLineOption m_reach;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    bool m_rankMode = true;
    QString m_error;
};
