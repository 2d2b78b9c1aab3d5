#pragma once

#include "CTrendPeriod.h"

#include <QDate>
#include <QSize>
#include <QString>
#include <QStringList>

class QTextStream;

// `sorvane --chart`: the chart of some domains drawn into a PNG or SVG file
// without a window, as the chart window saves it, for a timer's report.
class CChartCommand
{
public:
    enum ExitCode {
        Done = 0,
        NotSaved = 1,    // the picture could not be written
        CannotStart = 2, // nothing to draw from or the history cannot be read
    };

    struct Options
    {
        QString dataDirectory;
        QString path;        // ".svg" (in any case) for SVG, else PNG
        QStringList domains; // empty: those of the groups, else every listed domain
        QStringList groups;
        int figure = 0; // a CTrendFigure
        int days = 0;   // the last days up to today; 0: from/to, or all the history
        QDate from;
        QDate to;
        QDate today;
        QSize size;
    };

    CChartCommand(Options options, QTextStream &out, QTextStream &err);

    ExitCode run();
    CTrendPeriod period() const;

private:
    ExitCode refuse(const QString &message);

    Options m_options;
    QTextStream &m_out;
    QTextStream &m_err;
};
