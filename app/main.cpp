#include "CChartCommand.h"
#include "MainWindow.h"
#include "base/CQuitSignals.h"
#include "config/CSettings.h"
#include "config/CUiState.h"
#include "headless/CCommandLine.h"
#include "headless/CHeadlessDigest.h"
#include "headless/CHeadlessOverview.h"
#include "headless/CHeadlessQuery.h"
#include "headless/CHistoryCommand.h"
#include "watch/CAlertMailer.h"
#include "watch/CDesktopNotifier.h"
#include "prompts/CUserPrompts.h"
#include "translations/CTranslations.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSessionManager>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

// The history's export and import, with the raw bytes of an export on
// standard output.
int runHistoryCommand(const CCommandLine &commandLine, const QString &dataDirectory, QTextStream &err)
{
    QFile standardOutput;
    if (!standardOutput.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        return CHistoryCommand::CannotRun;
    CHistoryCommand command(dataDirectory, standardOutput, err);
    if (commandLine.action() == CCommandLine::Action::Export)
        return command.exportHistory(commandLine.exportFilter(), commandLine.groups(), commandLine.exportFormat(),
                                     commandLine.outputPath());
    return command.importHistory(commandLine.importPath(), commandLine.dryRun());
}

// The window's settings from the user's environment: the data folder under
// HOME and the ranking service of SORVANE_SERVICE.
CSettings settingsFromEnvironment()
{
    CSettings settings = CSettings::forHome(QDir::homePath());
    // The window opens whatever the variable says; a bad one is named and
    // the default service asked instead.
    const CResult<CServiceAddress> service = CServiceAddress::parse(qEnvironmentVariable("SORVANE_SERVICE"));
    if (!service)
        qWarning("SORVANE_SERVICE: %s; using %s", qUtf8Printable(service.message()), qUtf8Printable(CServiceAddress().text()));
    settings.service = service ? service.value() : CServiceAddress();
    settings.uiStatePath.clear();
    return settings;
}

// The query run, the history commands and the digest need no display.
int runWithoutWindow(int argc, char *argv[], const CCommandLine &commandLine)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const CSettings settings = CSettings::forHome(QDir::homePath());
    if (commandLine.action() == CCommandLine::Action::Export || commandLine.action() == CCommandLine::Action::ImportHistory)
        return runHistoryCommand(commandLine, settings.dataDirectory, err);
    if (commandLine.action() == CCommandLine::Action::Overview) {
        CHeadlessOverview overview({settings.dataDirectory, commandLine.groups(), commandLine.overviewFormat()}, out, err);
        return overview.run();
    }
    CUiState state(QString(), QDir::homePath()); // the window's Sorvane.ini, for [Alerts] mailTo
    state.load();
    const CAlertMailer mailer(CAlertMailer::program(qEnvironmentVariable("SORVANE_SENDMAIL")));
    const CDesktopNotifier notifier(QCoreApplication::applicationFilePath(), CDesktopNotifier::DefaultTimeoutMs);
    if (commandLine.isDigest()) {
        CHeadlessDigest::Options options;
        options.dataDirectory = settings.dataDirectory;
        options.groups = commandLine.groups();
        options.days = commandLine.digestDays();
        options.figure = commandLine.digestFigure();
        options.format = commandLine.digestFormat();
        options.mail = commandLine.mailDigest();
        options.outlets.mailer = &mailer;
        options.outlets.mailTo = state.mailTo;
        CHeadlessDigest digest(options, out, err);
        return digest.run();
    }
    CHeadlessQuery::Options options;
    options.dataDirectory = settings.dataDirectory;
    options.service = qEnvironmentVariable("SORVANE_SERVICE");
    options.rankMode = commandLine.rankMode();
    options.backfillDays = commandLine.backfillDays();
    options.groups = commandLine.groups();
    options.alerts = {&notifier, &mailer, state.mailTo};
    options.runtimeDirectory = qEnvironmentVariable("XDG_RUNTIME_DIR");
    CHeadlessQuery query(options, out, err);
    return query.run();
}

// The chart into a file: Qt Charts draws through widgets, so an application
// of them is made, offscreen when there is no display (a timer's report).
int runChart(int argc, char *argv[], const CCommandLine &commandLine)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CTranslations::install(app, QLocale::system());
    QTextStream out(stdout);
    QTextStream err(stderr);
    CChartCommand::Options options;
    options.dataDirectory = CSettings::forHome(QDir::homePath()).dataDirectory;
    options.path = commandLine.chartPath();
    options.domains = commandLine.chartDomains();
    options.groups = commandLine.groups();
    options.figure = commandLine.chartFigure();
    options.days = commandLine.chartDays();
    options.from = commandLine.chartFrom();
    options.to = commandLine.chartTo();
    options.today = QDate::currentDate();
    options.size = commandLine.chartSize();
    CChartCommand command(options, out, err);
    return command.run();
}

} // namespace

int main(int argc, char *argv[])
{
    // A file-size limit makes a save fail with its reason instead of
    // killing the program with the file half written.
    std::signal(SIGXFSZ, SIG_IGN);
    // The program as its own notification helper, in a child it can end.
    if (argc == 2 && QString::fromLocal8Bit(argv[1]) == CDesktopNotifier::helperArgument()) {
        const QCoreApplication app(argc, argv);
        return CDesktopNotifier::runHelper();
    }
    // Before any application object: the windowed one needs a display and
    // would end the program in its platform plugin before a mistake is told.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    CCommandLine commandLine;
    switch (commandLine.parse(arguments)) {
    case CCommandLine::Action::Help: {
        const QCoreApplication app(argc, argv); // the help names the program as it was called
        QTextStream(stdout) << commandLine.helpText();
        return 0;
    }
    case CCommandLine::Action::Version:
        QTextStream(stdout) << CCommandLine::versionText() << Qt::endl;
        return 0;
    case CCommandLine::Action::Error: {
        QTextStream err(stderr);
        err << "sorvane: " << commandLine.errorText() << Qt::endl;
        if (commandLine.showUsage())
            err << CCommandLine::usageText() << Qt::endl;
        return CHeadlessQuery::CannotStart;
    }
    case CCommandLine::Action::Query:
    case CCommandLine::Action::Export:
    case CCommandLine::Action::ImportHistory:
    case CCommandLine::Action::Digest:
    case CCommandLine::Action::Overview:
        return runWithoutWindow(argc, argv, commandLine);
    case CCommandLine::Action::Chart:
        return runChart(argc, argv, commandLine);
    case CCommandLine::Action::Window:
        break;
    }

    QApplication app(argc, argv);
    // Before any window exists, so that every text is built translated.
    CTranslations::install(app, QLocale::system());
    // Matches the window with its desktop entry, for its icon and name on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.qorvex.Sorvane"));
    // Taken over before the data folder is locked, so a signal sent as soon
    // as the lock is seen is already one the program answers.
    CQuitSignals quitSignals;
    // Logout, shutdown or a kill end the program the way closing it does,
    // open dialogs included, so that nothing pending is lost. One that
    // comes while start-up shows a message is answered before the event
    // loop runs, when quit() would be lost.
    bool quitRequested = false;
    QObject::connect(&quitSignals, &CQuitSignals::received, &app, [&quitRequested] {
        quitRequested = true;
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    });
    CSettings settings = settingsFromEnvironment();
    settings.sendmailProgram = qEnvironmentVariable("SORVANE_SENDMAIL");
    settings.runtimeDirectory = qEnvironmentVariable("XDG_RUNTIME_DIR");
    settings.notifierProgram = QCoreApplication::applicationFilePath();
    auto window = std::make_unique<MainWindow>(nullptr, settings, std::make_shared<CUserPrompts>());
    // Another instance holds the data folder and has been told so.
    if (!window->ownsData())
        return 1;
    // The session may end without closing the window: save while it asks.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, window.get(),
                     [&window](QSessionManager &) { window->saveData(); });

    if (quitRequested)
        return 0; // the window's end saves the data files
    window->show();
    const int result = QApplication::exec();
    window.reset(); // saves the data files
    return result;
}
