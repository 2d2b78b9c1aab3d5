#include "CListUpdater.h"

#include "CListReader.h"
#include "CSnapshotParser.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

struct LaterDelete
{
    void operator()(QObject *object) const { object->deleteLater(); }
};

void rewind(QIODevice &sink)
{
    if (auto *buffer = qobject_cast<QBuffer *>(&sink))
        buffer->buffer().clear();
    else if (auto *file = qobject_cast<QFileDevice *>(&sink))
        file->resize(0);
    sink.seek(0);
}

QString extensionOf(const QByteArray &head)
{
    if (head.startsWith("PK"))
        return QStringLiteral(".csv.zip");
    if (head.startsWith("\x1f\x8b"))
        return QStringLiteral(".csv.gz");
    return QStringLiteral(".csv");
}

} // namespace

QString CListUpdater::Summary::line(const QString &source) const
{
    return QStringLiteral("%1: %2 fetched, %3 present, %4 unavailable, %5 failed")
        .arg(source)
        .arg(fetched)
        .arg(present)
        .arg(unavailable)
        .arg(failed);
}

CListUpdater::CListUpdater(const CListSource &source, const QString &dataFolder, const Settings &settings,
                           QObject *parent)
    : QObject(parent)
    , m_source(source)
    , m_folder(source.folder(dataFolder))
    , m_settings(settings)
{
}

QString CListUpdater::userAgent()
{
    return QStringLiteral("sorvane-rankd/%1 (local ranking service of Sorvane)")
        .arg(QCoreApplication::applicationVersion().isEmpty() ? QStringLiteral("1")
                                                              : QCoreApplication::applicationVersion());
}

CListUpdater::Summary CListUpdater::run()
{
    Summary summary;
    if (m_running)
        return summary;
    m_running = true;
    if (!QDir().mkpath(m_folder)) {
        ++summary.failed;
        summary.problems << m_folder + QStringLiteral(": cannot be created");
        m_running = false;
        return summary;
    }
    // Downloads cut short by a killed process; hidden, so never read, but not kept either.
    QDir folder(m_folder);
    for (const QString &left : folder.entryList({QStringLiteral(".download-*")}, QDir::Files | QDir::Hidden))
        folder.remove(left);
    const int days = m_source.backfillable() ? qMax(1, m_settings.days) : 1;
    for (int back = 0; back < days; ++back) {
        const QDate day = m_settings.today.addDays(-back);
        if (present(day)) {
            ++summary.present;
            continue;
        }
        QString problem;
        switch (fetchDay(day, problem)) {
        case Outcome::Ok:
            ++summary.fetched;
            break;
        case Outcome::NotFound:
            ++summary.unavailable;
            break;
        case Outcome::Failed:
            ++summary.failed;
            summary.problems << m_source.name() + QLatin1Char(' ') + day.toString(Qt::ISODate)
                    + QStringLiteral(": ") + problem;
            break;
        }
    }
    m_running = false;
    return summary;
}

bool CListUpdater::present(const QDate &day) const
{
    const QString date = day.toString(Qt::ISODate);
    return !QDir(m_folder).entryList({QLatin1Char('*') + date + QLatin1Char('*')}, QDir::Files).isEmpty();
}

CListUpdater::Outcome CListUpdater::fetchDay(const QDate &day, QString &problem)
{
    const QString label = m_source.name() + QLatin1Char(' ') + day.toString(Qt::ISODate);
    QUrl url = m_source.listUrl(day);
    QUrl fallback;
    if (m_source.kind() == CListSource::Kind::Tranco) {
        QBuffer idText;
        idText.open(QIODevice::ReadWrite);
        const Got got = get(m_source.listIdUrl(day), idText, 256, label);
        if (got.outcome != Outcome::Ok) {
            problem = got.problem;
            return got.outcome;
        }
        const QString id = QString::fromLatin1(idText.data()).trimmed();
        static const QRegularExpression idPattern(QStringLiteral("^[A-Za-z0-9]{1,32}$"));
        if (!idPattern.match(id).hasMatch()) {
            // The service answers an empty or odd text for a day it has no list of.
            if (id.isEmpty())
                return Outcome::NotFound;
            problem = QStringLiteral("the list id is not an id: ") + id.left(40);
            return Outcome::Failed;
        }
        url = m_source.listUrl(day, id);
        fallback = m_source.fallbackUrl(id);
    }

    QTemporaryFile temporary(QDir(m_folder).filePath(QStringLiteral(".download-XXXXXX")));
    if (!temporary.open()) {
        problem = QStringLiteral("cannot write into %1: %2").arg(m_folder, temporary.errorString());
        return Outcome::Failed;
    }
    Got got = get(url, temporary, m_settings.maxBytes, label);
    if (got.outcome == Outcome::NotFound && !fallback.isEmpty()) {
        rewind(temporary);
        got = get(fallback, temporary, m_settings.maxBytes, label);
    }
    if (got.outcome != Outcome::Ok) {
        problem = got.problem;
        return got.outcome;
    }
    temporary.flush();
    const Outcome kept = keep(temporary.fileName(), day, got.lastModified, problem);
    if (kept == Outcome::Ok)
        temporary.setAutoRemove(false);
    return kept;
}

CListUpdater::Outcome CListUpdater::keep(const QString &temporary, const QDate &day, const QDateTime &claimed,
                                         QString &problem)
{
    // A publisher that serves an old list under a new address is not giving the day asked for.
    if (claimed.isValid() && claimed.date().daysTo(day) > 2) {
        problem = QStringLiteral("the download claims to be from ") + claimed.date().toString(Qt::ISODate);
        return Outcome::Failed;
    }
    const CResult<QByteArray> read = CListReader::read(temporary);
    if (!read) {
        problem = QStringLiteral("the download ") + read.message();
        return Outcome::Failed;
    }
    std::vector<CSnapshotParser::Row> rows;
    CSnapshotParser::parse(read.value(), rows);
    if (qint64(rows.size()) < m_settings.minRows) {
        problem = QStringLiteral("the download holds %1 ranking lines, fewer than %2")
                      .arg(rows.size())
                      .arg(m_settings.minRows);
        return Outcome::Failed;
    }
    QFile file(temporary);
    QByteArray head;
    if (file.open(QIODevice::ReadOnly))
        head = file.read(4);
    file.close();
    const QString name = m_source.name() + QLatin1Char('-') + day.toString(Qt::ISODate) + extensionOf(head);
    const QString target = QDir(m_folder).filePath(name);
    QFile::remove(target);
    if (!QFile::rename(temporary, target)) {
        problem = QStringLiteral("cannot rename the download to ") + name;
        return Outcome::Failed;
    }
    return Outcome::Ok;
}

CListUpdater::Got CListUpdater::get(const QUrl &url, QIODevice &sink, qint64 maxBytes, const QString &label)
{
    Got got;
    std::chrono::milliseconds wait = m_settings.backOff;
    for (int attempt = 1;; ++attempt) {
        rewind(sink);
        bool mayRetry = false;
        got = getOnce(url, sink, maxBytes, label, mayRetry);
        if (got.outcome != Outcome::Failed || !mayRetry || attempt >= m_settings.attempts)
            break;
        emit progress(QStringLiteral("%1: %2; again in %3 s").arg(label, got.problem).arg(wait.count() / 1000.0));
        QEventLoop pause;
        QTimer::singleShot(wait, &pause, &QEventLoop::quit);
        pause.exec();
        wait *= 2;
    }
    if (got.outcome == Outcome::Failed && m_settings.attempts > 1)
        got.problem += QStringLiteral(" (%1 attempts)").arg(m_settings.attempts);
    return got;
}

CListUpdater::Got CListUpdater::getOnce(const QUrl &url, QIODevice &sink, qint64 maxBytes, const QString &label,
                                        bool &mayRetry)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    const std::unique_ptr<QNetworkReply, LaterDelete> reply(m_network.get(request));

    Got got;
    QEventLoop loop;
    QTimer stall; // restarted by every byte, so a slow but moving download goes on
    stall.setSingleShot(true);
    bool timedOut = false;
    bool tooLarge = false;
    bool writeFailed = false;
    connect(&stall, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        stall.start(m_settings.timeout);
        const QByteArray bytes = reply->readAll();
        if (sink.size() + bytes.size() > maxBytes) {
            tooLarge = true;
            reply->abort();
        } else if (sink.write(bytes) != bytes.size()) {
            writeFailed = true;
            reply->abort();
        }
    });
    connect(reply.get(), &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64 total) {
        emit progress(total > 0 ? QStringLiteral("%1: %2 of %3 kB").arg(label).arg(received / 1024).arg(total / 1024)
                                : QStringLiteral("%1: %2 kB").arg(label).arg(received / 1024));
    });
    connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    stall.start(m_settings.timeout);
    loop.exec();
    stall.stop();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (timedOut) {
        got.problem = QStringLiteral("no data for %1 s from %2").arg(m_settings.timeout.count() / 1000.0).arg(url.toDisplayString());
        mayRetry = true;
    } else if (tooLarge) {
        got.problem = QStringLiteral("more than %1 MB from %2").arg(maxBytes >> 20).arg(url.toDisplayString());
    } else if (writeFailed) {
        got.problem = QStringLiteral("cannot write the download: ") + sink.errorString();
    } else if (status == 404 || status == 410) {
        got.outcome = Outcome::NotFound;
        got.problem = QStringLiteral("not offered (%1) at %2").arg(status).arg(url.toDisplayString());
    } else if (reply->error() != QNetworkReply::NoError) {
        got.problem = reply->errorString();
        mayRetry = status == 0 || status >= 500 || status == 429;
    } else if (status != 200) {
        got.problem = QStringLiteral("answer %1 from %2").arg(status).arg(url.toDisplayString());
    } else {
        sink.write(reply->readAll());
        got.outcome = Outcome::Ok;
        got.lastModified = reply->header(QNetworkRequest::LastModifiedHeader).toDateTime();
    }
    return got;
}
