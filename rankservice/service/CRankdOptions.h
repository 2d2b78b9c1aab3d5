#pragma once

#include "rankservice/fetch/CListUpdater.h"
#include "rankservice/lists/CListSource.h"

#include "base/CResult.h"

#include <QByteArray>
#include <QDate>
#include <QHostAddress>
#include <QString>
#include <QTime>

#include <optional>
#include <vector>

#include <QStringList>

// What sorvane-rankd was asked to do, from its command line and its
// environment: the one place besides main() that reads the environment.
class CRankdOptions
{
public:
    enum class Mode { Serve, Update, Sample };

    Mode mode = Mode::Serve;

    QString sampleFolder;
    QDate sampleLastDay;

    QString data;
    std::optional<CListSource> source; // the list served, with --source
    std::optional<CListSource> usSource; // the United States months, with --us-source crux (the default with --source)
    std::vector<CListSource> updateSources; // with --update: --source's, or every source
    CListUpdater::Settings settings;

    QHostAddress address;
    quint16 port = 0;
    int maxAgeDays = 3;
    QTime refreshAt;
    // How long one daily refresh may take; --update runs to its end.
    std::chrono::milliseconds refreshDeadline{15 * 60 * 1000};
    qint64 cacheMinRows = 0;

    QByteArray notifySocket; // systemd's, empty when not started by it

    // The folder the lists served are in.
    QString listFolder() const { return source ? source->folder(data) : data; }

    // Parses the arguments (the program's name first); shows the help or the
    // version and exits for --help and --version. A failure's message is one
    // line for the user.
    static CResult<CRankdOptions> parse(const QStringList &arguments);
};
