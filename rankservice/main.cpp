#include "CRankServer.h"
#include "CSampleGenerator.h"
#include "CSnapshotStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QHostAddress>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sorvane-rankd"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves site-information pages for Sorvane from a folder of daily ranking lists.\n"
        "Each list is one file per day with the date (YYYY-MM-DD) in its name: headerless\n"
        "\"rank,domain\" lines or the link-based list with a GlobalRank,...,Domain,... header.\n"
        "A name with a separate \"us\" part (2024-05-01.us.csv) is a United States list."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption addressOption(QStringLiteral("address"),
                                           QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                           QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks a free one (default 8080)."),
                                        QStringLiteral("port"), QStringLiteral("8080"));
    const QCommandLineOption dataOption(QStringLiteral("data"),
                                        QStringLiteral("Folder of daily ranking lists to serve."),
                                        QStringLiteral("folder"));
    const QCommandLineOption sampleOption(
        QStringLiteral("generate-sample"),
        QStringLiteral("Write the synthetic sample lists (%1 days ending today) and %2 into folder, then exit.")
            .arg(CSampleGenerator::Days)
            .arg(CSampleGenerator::DomainsFileName),
        QStringLiteral("folder"));
    const QCommandLineOption lastDayOption(QStringLiteral("sample-last-day"),
                                           QStringLiteral("Last day of the sample instead of today."),
                                           QStringLiteral("YYYY-MM-DD"));
    parser.addOptions({addressOption, portOption, dataOption, sampleOption, lastDayOption});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);

    if (parser.isSet(sampleOption)) {
        const QDate lastDay = parser.isSet(lastDayOption)
            ? QDate::fromString(parser.value(lastDayOption), Qt::ISODate)
            : QDate::currentDate();
        if (!lastDay.isValid()) {
            err << "sorvane-rankd: not a date: " << parser.value(lastDayOption) << Qt::endl;
            return 2;
        }
        QString error;
        if (!CSampleGenerator::write(parser.value(sampleOption), lastDay, &error)) {
            err << "sorvane-rankd: " << error << Qt::endl;
            return 1;
        }
        out << "wrote sample lists for " << CSampleGenerator::Days << " days ending "
            << lastDay.toString(Qt::ISODate) << " into " << parser.value(sampleOption) << Qt::endl;
        return 0;
    }

    if (!parser.isSet(dataOption)) {
        err << "sorvane-rankd: --data <folder> is required (see --help)" << Qt::endl;
        return 2;
    }
    const QHostAddress address(parser.value(addressOption));
    if (address.isNull()) {
        err << "sorvane-rankd: not an address: " << parser.value(addressOption) << Qt::endl;
        return 2;
    }
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        err << "sorvane-rankd: not a port: " << parser.value(portOption) << Qt::endl;
        return 2;
    }

    CSnapshotStore store;
    const CSnapshotStore::Report report = store.load(parser.value(dataOption));
    for (const QString &problem : report.problems)
        err << problem << '\n';
    err.flush();
    out << report.summary() << Qt::endl;
    if (report.days == 0)
        err << "sorvane-rankd: no daily list in " << parser.value(dataOption)
            << "; every page will read NA" << Qt::endl;

    CRankServer server(store);
    if (!server.listen(address, quint16(port))) {
        err << "sorvane-rankd: cannot listen on " << address.toString() << ':' << port << ": "
            << server.errorString() << Qt::endl;
        return 1;
    }
    out << "listening on " << server.serverAddress().toString() << ':' << server.serverPort() << Qt::endl;
    std::fflush(stdout);
    return app.exec();
}
