#include "rankservice/fetch/CListUpdater.h"
#include "rankservice/fetch/CProgressPace.h"
#include "rankservice/lists/CSampleGenerator.h"
#include "rankservice/service/CRankdOptions.h"
#include "rankservice/service/CRankService.h"

#include "base/CQuitSignals.h"
#include "base/CVersion.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

int writeSample(const CRankdOptions &options, QTextStream &out, QTextStream &err)
{
    const CResult<void> written = CSampleGenerator::write(options.sampleFolder, options.sampleLastDay);
    if (!written) {
        err << "sorvane-rankd: " << written.message() << Qt::endl;
        return 1;
    }
    out << "wrote sample lists for " << CSampleGenerator::Days << " days ending "
        << options.sampleLastDay.toString(Qt::ISODate) << " into " << options.sampleFolder << Qt::endl;
    return 0;
}

// Shows an update's progress: on a terminal one line, rewritten in place;
// in a log a line per day done, at most one a second.
void showProgress(CListUpdater &updater, QTextStream &err, bool terminal)
{
    if (terminal) {
        const auto rewrite = [&err](const QString &line) { err << '\r' << line.left(78) << "\x1b[K" << Qt::flush; };
        QObject::connect(&updater, &CListUpdater::progress, &updater, rewrite);
        QObject::connect(&updater, &CListUpdater::advanced, &updater, rewrite);
        return;
    }
    auto pace = std::make_shared<CProgressPace>();
    QObject::connect(&updater, &CListUpdater::advanced, &updater, [&err, pace](const QString &line) {
        if (pace->due())
            err << line << Qt::endl;
    });
}

// Fetches what each source lacks; 0 when no day failed (days not yet
// published are no failure), 130 when interrupted.
int update(const CRankdOptions &options, QTextStream &out, QTextStream &err)
{
    const bool terminal = isatty(fileno(stderr));
    // SIGINT or SIGTERM ends the run between two writes: nothing is left
    // half-written, and the next update goes on where this one stopped.
    CQuitSignals quitSignals;
    bool interrupted = false;
    bool allFetched = true;
    for (const CListSource &source : options.updateSources) {
        CListUpdater updater(source, options.data, options.settings);
        QObject::connect(&quitSignals, &CQuitSignals::received, &updater, [&updater, &interrupted] {
            interrupted = true;
            updater.cancel();
        });
        // Beside the progress: the output keeps the one summary line a source.
        QObject::connect(&updater, &CListUpdater::planned, &updater, [&err](const QString &line) {
            err << line << Qt::endl;
        });
        showProgress(updater, err, terminal);
        if (interrupted)
            updater.cancel();
        const CListUpdater::Summary summary = updater.run();
        if (terminal)
            err << "\r\x1b[K" << Qt::flush;
        for (const QString &problem : summary.problems + summary.notes)
            err << problem << '\n';
        err.flush();
        out << summary.line(source.name()) << Qt::endl;
        allFetched = allFetched && summary.failed == 0;
    }
    return interrupted ? 130 : allFetched ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // A file-size limit makes a write fail with its reason ("File too
    // large") instead of killing the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    // Each held day past the newest 90 keeps its rank file open (up to 640
    // for two years) beside up to 640 connections: more than the usual soft
    // limit of 1024 descriptors, which the hard limit allows raising.
    if (rlimit files{}; ::getrlimit(RLIMIT_NOFILE, &files) == 0) {
        const rlim_t wanted = files.rlim_max == RLIM_INFINITY ? rlim_t(65536) : qMin<rlim_t>(files.rlim_max, 65536);
        if (files.rlim_cur < wanted) {
            files.rlim_cur = wanted;
            ::setrlimit(RLIMIT_NOFILE, &files);
        }
    }
    // A list's text and rows (tens of MB each) go back to the system when it
    // is folded in; kept in the allocator's arenas instead, the lists parsed
    // on two threads left 100 MB more at the peak of a load.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // Qt's own event loop costs less per socket than GLib's, and a flood
    // of connections is paid for socket by socket.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sorvane-rankd"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SORVANE_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);

    const CResult<CRankdOptions> parsed = CRankdOptions::parse(QCoreApplication::arguments());
    if (!parsed) {
        err << "sorvane-rankd: " << parsed.message() << Qt::endl;
        return 2;
    }
    const CRankdOptions &options = parsed.value();
    switch (options.mode) {
    case CRankdOptions::Mode::Sample:
        return writeSample(options, out, err);
    case CRankdOptions::Mode::Update:
        return update(options, out, err);
    case CRankdOptions::Mode::Serve:
        break;
    }
    CRankService service(options, out, err);
    if (const CResult<void> started = service.start(); !started) {
        err << "sorvane-rankd: " << started.message() << Qt::endl;
        return 1;
    }
    return QCoreApplication::exec();
}
