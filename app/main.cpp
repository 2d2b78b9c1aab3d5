#include "MainWindow.h"
#include "config/CSettings.h"
#include "headless/CCommandLine.h"
#include "headless/CHeadlessQuery.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

// Help, version and the query run need no display.
int runWithoutWindow(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CCommandLine commandLine;
    switch (commandLine.parse(QCoreApplication::arguments())) {
    case CCommandLine::Action::Help:
        out << commandLine.helpText();
        return 0;
    case CCommandLine::Action::Version:
        out << CCommandLine::versionText() << Qt::endl;
        return 0;
    case CCommandLine::Action::Error:
    case CCommandLine::Action::Window: // an option of the window given together with ours
        err << "sorvane: " << commandLine.errorText() << Qt::endl;
        return CHeadlessQuery::CannotStart;
    case CCommandLine::Action::Query:
        break;
    }
    const CSettings settings = CSettings::forHome(QDir::homePath(), nullptr);
    CHeadlessQuery::Options options;
    options.dataDirectory = settings.dataDirectory;
    options.service = qEnvironmentVariable("SORVANE_SERVICE");
    options.rankMode = commandLine.rankMode();
    options.backfillDays = commandLine.backfillDays();
    CHeadlessQuery query(options, out, err);
    return query.run();
}

} // namespace

int main(int argc, char *argv[])
{
    if (CCommandLine::wantsNoWindow(argc, argv))
        return runWithoutWindow(argc, argv);

    QApplication app(argc, argv);
    CCommandLine commandLine;
    // Qt has taken its own options; anything left is a mistake.
    if (commandLine.parse(QApplication::arguments()) != CCommandLine::Action::Window) {
        QTextStream(stderr) << "sorvane: " << commandLine.errorText() << Qt::endl;
        return CHeadlessQuery::CannotStart;
    }
    // Matches the window with its desktop entry, for its icon and name on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.qorvex.Sorvane"));
    auto window = std::make_unique<MainWindow>(nullptr, CSettings::fromEnvironment());
    // Another instance holds the data folder and has been told so.
    if (!window->ownsData())
        return 1;
    window->show();
    const int result = QApplication::exec();
    window.reset(); // saves the data files
    return result;
}
