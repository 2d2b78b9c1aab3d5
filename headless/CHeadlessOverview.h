#pragma once

#include "io/COverviewWriter.h"

#include <QString>
#include <QStringList>

class QTextStream;

// `sorvane --overview`: where each domain of the list stands, as the
// window's overview shows it, printed without a display.
class CHeadlessOverview
{
public:
    enum ExitCode {
        Done = 0,
        CannotStart = 2, // no domains to show or the history cannot be read
    };

    struct Options
    {
        QString dataDirectory;
        QStringList groups; // empty: every domain of the list
        COverviewWriter::Format format = COverviewWriter::Format::Text;
    };

    CHeadlessOverview(Options options, QTextStream &out, QTextStream &err);

    ExitCode run();

private:
    ExitCode refuse(const QString &message);

    Options m_options;
    QTextStream &m_out;
    QTextStream &m_err;
};
