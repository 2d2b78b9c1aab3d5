#include "CBench.h"
#include "CHistoryBench.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

namespace {

// The offscreen platform warns on every window shown; that says nothing here.
void filterMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QStringLiteral("propagateSizeHints")) || message.contains(QStringLiteral("XDG_RUNTIME_DIR")))
        return;
    std::fputs(qPrintable(qFormatLogMessage(type, context, message)), stderr);
    std::fputc('\n', stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(filterMessages);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sorvane_bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Measures Sorvane on generated data and prints, for each figure, the median of its runs and\n"
        "its ratio to the goal (measured / goal). Exits 1 when a goal is missed (not with --quick)."));
    parser.addHelpOption();
    const QCommandLineOption quickOption(QStringLiteral("quick"),
                                         QStringLiteral("Small sizes, for a smoke pass; missed goals do not fail."));
    const QCommandLineOption onlyOption(
        QStringLiteral("only"),
        QStringLiteral("Only these groups (comma-separated): files, startup, views, clear, startup_1m, startup_10m, parser, "
                       "service, query, latency, pastdays, flood, chart, lists, history, alerts, backfill, crux, year, pastdays_lists (the lists group's past days alone)."),
        QStringLiteral("groups"));
    const QCommandLineOption rankdOption(QStringLiteral("rankd"), QStringLiteral("The sorvane-rankd to measure."),
                                         QStringLiteral("path"), QStringLiteral(SORVANE_RANKD_PATH));
    QCommandLineOption childOption(QStringLiteral("startup-child"), QStringLiteral("internal"),
                                   QStringLiteral("home"));
    childOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption historyChildOption(QStringLiteral("history-child"), QStringLiteral("internal"));
    historyChildOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({quickOption, onlyOption, rankdOption, childOption, historyChildOption});
    parser.process(app);

    if (parser.isSet(childOption))
        return CBench::runStartupChild(parser.value(childOption));
    if (parser.isSet(historyChildOption))
        return CHistoryBench::runChild(parser.positionalArguments());

    const bool quick = parser.isSet(quickOption);
    const QStringList only = parser.isSet(onlyOption)
                                 ? parser.value(onlyOption).split(u',', Qt::SkipEmptyParts)
                                 : QStringList();
    CBench bench(quick ? CBench::QuickSizes : CBench::FullSizes, parser.value(rankdOption), only);
    const int result = bench.run();
    return quick && result == 1 ? 0 : result;
}
