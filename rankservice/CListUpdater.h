#pragma once

#include "CListSource.h"

#include <QDate>
#include <QDateTime>
#include <QNetworkAccessManager>
#include <QObject>
#include <QStringList>

#include <chrono>

class QIODevice;

// Fetches the daily lists of one source that its folder lacks, newest
// first. Each download goes to a hidden temporary file in the folder and is
// renamed into place only once it reads as a complete list with a plausible
// number of rank lines for the day it claims, so the service never sees half
// a file. Runs one request at a time in a local event loop: a running
// service goes on answering meanwhile.
class CListUpdater : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        int days = 90;                                // the last days wanted, today included
        QDate today = QDate::currentDate();
        std::chrono::milliseconds timeout{30000};     // without a byte arriving
        int attempts = 3;                             // per address, for errors that may pass
        std::chrono::milliseconds backOff{2000};      // before the second attempt, doubled after
        qint64 minRows = 10000;                       // fewer rank lines is no real list
        qint64 maxBytes = qint64(512) * 1024 * 1024;  // of one download
    };

    struct Summary
    {
        int fetched = 0;
        int present = 0;
        int unavailable = 0; // the source does not offer the day (yet)
        int failed = 0;
        QStringList problems; // one line per failed day
        QString line(const QString &source) const;
    };

    CListUpdater(const CListSource &source, const QString &dataFolder, const Settings &settings,
                 QObject *parent = nullptr);

    Summary run();
    bool running() const { return m_running; }

    static QString userAgent();

signals:
    // What is being fetched now, for a progress line.
    void progress(const QString &line);

private:
    enum class Outcome { Ok, NotFound, Failed };
    struct Got
    {
        Outcome outcome = Outcome::Failed;
        QString problem;
        QDateTime lastModified;
    };

    Got get(const QUrl &url, QIODevice &sink, qint64 maxBytes, const QString &label);
    Got getOnce(const QUrl &url, QIODevice &sink, qint64 maxBytes, const QString &label, bool &mayRetry);
    // Fetches the list of day into the folder.
    Outcome fetchDay(const QDate &day, QString &problem);
    bool present(const QDate &day) const;
    // Checks the download and renames it into place.
    Outcome keep(const QString &temporary, const QDate &day, const QDateTime &claimed, QString &problem);

    CListSource m_source;
    QString m_folder;
    Settings m_settings;
    QNetworkAccessManager m_network;
    bool m_running = false;
};
