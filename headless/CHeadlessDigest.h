#pragma once

#include "CRankClock.h"
#include "watch/CAlertRun.h"
#include "watch/CDigest.h"

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

// The digest without a window: how each domain of the list (or of some
// groups) moved over the last days, printed or mailed.
class CHeadlessDigest
{
public:
    enum ExitCode {
        Done = 0,
        NotSent = 1,     // the mail could not be handed on
        CannotStart = 2, // nothing to tell or the history cannot be read
    };

    struct Options
    {
        QString dataDirectory;
        QStringList groups; // empty: every domain of the list
        int days = 7;
        int figure = 0; // a CTrendFigure
        CDigest::Format format = CDigest::Format::Text;
        bool mail = false;
        CAlertOutlets outlets; // its mailer and mailTo for --mail
        CRankClock clock;
        // Bytes of memory the history may use; unset: what the system has.
        std::optional<qint64> availableMemory;
    };

    CHeadlessDigest(Options options, QTextStream &out, QTextStream &err);

    ExitCode run();

private:
    ExitCode refuse(const QString &message);

    Options m_options;
    QTextStream &m_out;
    QTextStream &m_err;
};
