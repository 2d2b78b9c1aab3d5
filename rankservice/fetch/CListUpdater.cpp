#include "rankservice/fetch/CListUpdater.h"

#include "rankservice/fetch/CFetchPacer.h"
#include "rankservice/fetch/CFetchPlan.h"
#include "rankservice/fetch/CFolderLock.h"
#include "rankservice/fetch/CRetryAfter.h"
#include "rankservice/store/CSnapshotStore.h"

#include "rankservice/crux/CCruxMonths.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QTemporaryFile>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace {

struct LaterDelete
{
    void operator()(QObject *object) const { object->deleteLater(); }
};

// Published months a run reaches back to at least, besides those held days need.
constexpr int MonthsAtLeast = 4;

// What the network side holds of an answer before this side takes it.
constexpr qint64 ReadBuffer = 256 * 1024;

void rewind(QIODevice &sink)
{
    if (auto *buffer = qobject_cast<QBuffer *>(&sink)) {
        buffer->buffer().clear();
    } else if (auto *file = qobject_cast<QFileDevice *>(&sink)) {
        file->resize(0);
        ::lseek(file->handle(), 0, SEEK_SET); // written through its descriptor
    }
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

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Writes bytes straight to the file's descriptor, so that a full disk is
// told by the system's own words here (a buffered QFile says "Unknown
// error" when its flush fails).
CResult<void> writeThrough(QIODevice &sink, const QByteArray &bytes)
{
    auto *file = qobject_cast<QFileDevice *>(&sink);
    if (!file) {
        return sink.write(bytes) == bytes.size() ? CResult<void>::success()
                                                 : CResult<void>::failure(sink.errorString());
    }
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t step = ::write(file->handle(), bytes.constData() + done, size_t(bytes.size() - done));
        if (step < 0 && errno == EINTR)
            continue;
        if (step <= 0)
            return CResult<void>::failure(systemError());
        done += step;
    }
    return CResult<void>::success();
}

// A limit as the user would say it: bytes below a KiB, else KiB or MiB.
QString timeInWords(std::chrono::milliseconds time)
{
    if (time.count() % 60000 == 0)
        return QStringLiteral("%1 min").arg(time.count() / 60000);
    return QStringLiteral("%1 s").arg(double(time.count()) / 1000.0);
}

QString bytesInWords(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    if (bytes < (qint64(1) << 20))
        return QStringLiteral("%1 KiB").arg(bytes >> 10);
    return QStringLiteral("%1 MiB").arg(bytes >> 20);
}

int defaultPort(const QUrl &url)
{
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}

} // namespace

QString CListUpdater::Summary::line(const QString &source) const
{
    const QString counts = QStringLiteral("%1: %2 fetched, %3 present, %4 unavailable, %5 failed")
                               .arg(source)
                               .arg(fetched)
                               .arg(present)
                               .arg(unavailable)
                               .arg(failed);
    if (left == 0)
        return counts;
    return counts + QStringLiteral(", %1 left for the next update (%2)").arg(left).arg(leftWhy);
}

CListUpdater::CListUpdater(const CListSource &source, const QString &dataFolder, const Settings &settings,
                           QObject *parent)
    : QObject(parent)
    , m_source(source)
    , m_folder(source.folder(dataFolder))
    , m_settings(settings)
    , m_ownPacer(std::make_unique<CFetchPacer>())
    , m_pacer(m_ownPacer.get())
{
}

CListUpdater::~CListUpdater() = default;

void CListUpdater::setPacer(CFetchPacer *pacer)
{
    m_pacer = pacer;
}

void CListUpdater::cancel()
{
    m_cancelled = true;
    m_pacer->interrupt();
    if (m_stopCurrent)
        m_stopCurrent();
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
    m_runEnd = m_settings.runDeadline.count() > 0 ? QDeadlineTimer(m_settings.runDeadline)
                                                  : QDeadlineTimer(QDeadlineTimer::Forever);
    m_notes.clear();
    m_outOfTime = false;
    m_downloaded = 0;
    if (!m_cancelled)
        m_pacer->resume(); // a pacer another run interrupted
    CFolderLock lock;
    CResult<void> ready = QDir().mkpath(m_folder)
        ? CResult<void>::success()
        : CResult<void>::failure(m_folder + QStringLiteral(": cannot be created"));
    if (ready) {
        emit progress(QStringLiteral("%1: waiting for the folder").arg(m_source.name()));
        // Waited through the pacer, so that a cancel ends the wait.
        ready = lock.take(m_folder, m_settings.lockWait,
                          [this](std::chrono::milliseconds step) { return m_pacer->pause(step); });
    }
    if (!ready && m_cancelled) {
        summary.leftWhy = stopReason(summary);
    } else if (!ready) {
        ++summary.failed;
        summary.problems << m_source.name() + QStringLiteral(": ") + ready.message();
    } else {
        runDays(summary);
    }
    summary.notes = m_notes;
    m_running = false;
    return summary;
}

std::chrono::milliseconds CListUpdater::runLeft() const
{
    if (m_runEnd.isForever())
        return std::chrono::milliseconds::max();
    return std::chrono::milliseconds(qMax<qint64>(0, m_runEnd.remainingTime()));
}

void CListUpdater::runDays(Summary &summary)
{
    // Downloads cut short by a killed process; hidden, so never read, but not kept either.
    QDir folder(m_folder);
    for (const QString &left : folder.entryList({QStringLiteral(".download-*")}, QDir::Files | QDir::Hidden))
        folder.remove(left);
    if (m_source.monthly()) {
        runMonths(summary);
        return;
    }
    const QList<QDate> wanted = m_source.backfillable()
        ? CFetchPlan::days(m_settings.today, qMax(1, m_settings.days), m_settings.every)
        : QList<QDate>{m_settings.today};
    // The folder is read once: a present day is any file named with its date.
    const QStringList held = folder.entryList(QDir::Files);
    QList<QDate> missing;
    for (const QDate &day : wanted) {
        const QString date = day.toString(Qt::ISODate);
        if (std::any_of(held.cbegin(), held.cend(), [&date](const QString &name) { return name.contains(date); }))
            ++summary.present;
        else
            missing << day;
    }
    emit planned(CFetchPlan::costLine(m_source, m_folder, int(missing.size()), int(wanted.size())));
    for (qsizetype done = 0; done < missing.size(); ++done) {
        // A publisher that keeps failing, a run out of time or cancelled
        // leaves the missing days to the next update; they are counted, not tried.
        summary.leftWhy = stopReason(summary);
        if (!summary.leftWhy.isEmpty()) {
            summary.left = int(missing.size() - done);
            return;
        }
        const QDate &day = missing.at(done);
        const CResult<Fetched> fetched = fetchDay(day);
        if (!fetched && m_cancelled) {
            // The day cut short is not failed: the next update takes it.
            summary.leftWhy = stopReason(summary);
            summary.left = int(missing.size() - done);
            return;
        }
        count(summary, m_source.name() + QLatin1Char(' ') + day.toString(Qt::ISODate), fetched);
        emit advanced(QStringLiteral("%1: %2 of %3 days done, %4 downloaded")
                          .arg(m_source.name())
                          .arg(done + 1)
                          .arg(missing.size())
                          .arg(bytesInWords(m_downloaded)));
    }
    summary.leftWhy.clear();
}

QString CListUpdater::stopReason(const Summary &summary) const
{
    if (m_cancelled)
        return QStringLiteral("interrupted");
    if (m_outOfTime || m_runEnd.hasExpired())
        return QStringLiteral("the update's deadline of %1 passed").arg(timeInWords(m_settings.runDeadline));
    if (m_settings.failedDaysToGiveUp > 0 && summary.failed >= m_settings.failedDaysToGiveUp)
        return QStringLiteral("%1 given up after %2 failed days").arg(m_source.name()).arg(summary.failed);
    return {};
}

void CListUpdater::count(Summary &summary, const QString &label, const CResult<Fetched> &fetched)
{
    if (!fetched) {
        ++summary.failed;
        summary.problems << label + QStringLiteral(": ") + fetched.message();
    } else if (fetched.value() == Fetched::Stored) {
        ++summary.fetched;
    } else {
        ++summary.unavailable;
    }
}

void CListUpdater::runMonths(Summary &summary)
{
    // From this month (never out before the next) back to the oldest a
    // held day may need, and at least far enough for four published months.
    const QDate current(m_settings.today.year(), m_settings.today.month(), 1);
    const QDate oldest = qMin(CCruxMonths::oldestNeeded(m_settings.today, qMax(1, m_settings.days)),
                              current.addMonths(-MonthsAtLeast - 1));
    for (QDate month = current; month >= oldest; month = month.addMonths(-1)) {
        if (QFileInfo::exists(QDir(m_folder).filePath(CListSource::monthFileName(month)))) {
            ++summary.present;
            continue;
        }
        if (m_cancelled) {
            ++summary.left;
            summary.leftWhy = stopReason(summary);
            continue;
        }
        const QString label = m_source.name() + QLatin1Char(' ') + month.toString(QStringLiteral("yyyy-MM"));
        const CResult<Fetched> fetched = fetchMonth(month, label);
        if (!fetched && m_cancelled) {
            ++summary.left;
            continue;
        }
        count(summary, label, fetched);
    }
}

CResult<CListUpdater::Fetched> CListUpdater::fetchMonth(const QDate &month, const QString &label)
{
    using Result = CResult<Fetched>;
    QTemporaryFile temporary(QDir(m_folder).filePath(QStringLiteral(".download-XXXXXX")));
    if (!temporary.open())
        return Result::failure(QStringLiteral("cannot write into %1: %2").arg(m_folder, temporary.errorString()));
    const CResult<Answer> got = get(m_source.monthUrl(month), temporary, m_settings.maxBytes, label, Ask::List);
    if (!got)
        return Result::failure(got.message());
    // A month not yet published is not there at all.
    if (got.value().status == 404 || got.value().status == 410)
        return Result::success(Fetched::Unavailable);
    if (got.value().status != 200)
        return Result::failure(QStringLiteral("answer %1 from %2").arg(got.value().status).arg(m_source.monthUrl(month).toDisplayString()));
    const Result kept = keepMonth(temporary.fileName(), month);
    if (kept)
        temporary.setAutoRemove(false);
    return kept;
}

CResult<CListUpdater::Fetched> CListUpdater::keepMonth(const QString &temporary, const QDate &month)
{
    using Result = CResult<Fetched>;
    const CResult<qint64> names = CCruxMonths::check(temporary);
    if (!names)
        return Result::failure(QStringLiteral("the download ") + names.message());
    if (names.value() < m_settings.minRows)
        return Result::failure(QStringLiteral("the download ranks %1 distinct names, fewer than %2")
                                   .arg(names.value())
                                   .arg(m_settings.minRows));
    const QString name = CListSource::monthFileName(month);
    const QString target = QDir(m_folder).filePath(name);
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
        return Result::failure(QStringLiteral("cannot rename the download to %1: %2").arg(name, systemError()));
    return Result::success(Fetched::Stored);
}

CResult<CListUpdater::Fetched> CListUpdater::fetchDay(const QDate &day)
{
    const QString label = m_source.name() + QLatin1Char(' ') + day.toString(Qt::ISODate);
    if (m_source.kind() != CListSource::Kind::Tranco)
        return download(day, {}, label);
    const CResult<QString> id = listId(day, label);
    if (!id)
        return CResult<Fetched>::failure(id.message());
    if (id.value().isEmpty())
        return CResult<Fetched>::success(Fetched::Unavailable);
    return download(day, id.value(), label);
}

CResult<QString> CListUpdater::listId(const QDate &day, const QString &label)
{
    QBuffer idText;
    idText.open(QIODevice::ReadWrite);
    // Any answer but 200 means the day has no list yet (503 for today until
    // it is published); only a 429 waited out in vain or a failed
    // connection is a failure.
    const CResult<Answer> got = get(m_source.listIdUrl(day), idText, 256, label, Ask::ListId);
    if (!got)
        return CResult<QString>::failure(got.message());
    const QString id = QString::fromLatin1(idText.data()).trimmed();
    if (got.value().status != 200 || id.isEmpty())
        return CResult<QString>::success(QString());
    if (!CListSource::isListId(id))
        return CResult<QString>::failure(QStringLiteral("the list id is not an id: ") + id.left(40));
    return CResult<QString>::success(id);
}

CResult<CListUpdater::Fetched> CListUpdater::download(const QDate &day, const QString &id, const QString &label)
{
    using Result = CResult<Fetched>;
    QTemporaryFile temporary(QDir(m_folder).filePath(QStringLiteral(".download-XXXXXX")));
    if (!temporary.open())
        return Result::failure(QStringLiteral("cannot write into %1: %2").arg(m_folder, temporary.errorString()));
    CResult<Answer> got = get(m_source.listUrl(day, id), temporary, m_settings.maxBytes, label, Ask::List);
    const int status = got ? got.value().status : 0;
    // Tranco has no zip of older lists (403) or of some days (404): the
    // plain list of the same ID is the one to take then.
    if (!id.isEmpty() && (status == 403 || status == 404 || status == 410)) {
        rewind(temporary);
        got = get(m_source.fallbackUrl(id), temporary, m_settings.maxBytes, label, Ask::List);
    }
    if (!got)
        return Result::failure(got.message());
    const int answered = got.value().status;
    // A key not yet uploaded: S3 answers 403 AccessDenied, others 404.
    const bool notOffered = answered == 404 || answered == 410
        || (answered == 403 && m_source.kind() == CListSource::Kind::Umbrella);
    if (notOffered)
        return Result::success(Fetched::Unavailable);
    if (answered != 200)
        return Result::failure(QStringLiteral("answer %1 from %2").arg(answered).arg(m_source.listUrl(day, id).toDisplayString()));
    const Result kept = keep(temporary.fileName(), day, id, got.value().lastModified);
    if (kept)
        temporary.setAutoRemove(false);
    return kept;
}

CResult<CListUpdater::Fetched> CListUpdater::keep(const QString &temporary, const QDate &day, const QString &id,
                                                  const QDateTime &claimed)
{
    using Result = CResult<Fetched>;
    // A publisher that serves an old list under a new address is not giving the day asked for.
    if (claimed.isValid() && claimed.date().daysTo(day) > 2)
        return Result::failure(QStringLiteral("the download claims to be from ") + claimed.date().toString(Qt::ISODate));
    QFile file(temporary);
    QByteArray head;
    char last = 0;
    if (file.open(QIODevice::ReadOnly)) {
        head = file.read(4);
        if (file.size() > 0 && file.seek(file.size() - 1))
            file.getChar(&last);
    }
    file.close();
    const QString extension = extensionOf(head);
    const CResult<CSnapshotStore::Checked> checked = CSnapshotStore::checkList(temporary, m_settings.maxRows);
    if (!checked)
        return Result::failure(QStringLiteral("the download ") + checked.message());
    const CResult<qint64> distinct = CResult<qint64>::success(checked.value().distinct);
    // The publishers' plain lists end with a line end: one without was cut short.
    if (extension == QLatin1String(".csv") && last != '\n')
        return Result::failure(QStringLiteral("the download ends inside a line (cut short)"));
    if (distinct.value() < m_settings.minRows)
        return Result::failure(QStringLiteral("the download holds %1 distinct domains, fewer than %2")
                                   .arg(distinct.value())
                                   .arg(m_settings.minRows));
    const QString name = m_source.fileName(day, id, extension);
    const QString target = QDir(m_folder).filePath(name);
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
        return Result::failure(QStringLiteral("cannot rename the download to %1: %2").arg(name, systemError()));
    if (checked.value().capped)
        m_notes << QStringLiteral("%1: holds more than %2 rows; the service reads the first %2 (--max-rows)")
                       .arg(name)
                       .arg(m_settings.maxRows);
    return Result::success(Fetched::Stored);
}

CResult<CListUpdater::Answer> CListUpdater::get(const QUrl &url, QIODevice &sink, qint64 maxBytes,
                                                const QString &label, Ask ask)
{
    constexpr int MaxRedirects = 5;
    QUrl at = url;
    for (int hop = 0;; ++hop) {
        const CResult<Answer> got = getRetrying(at, sink, maxBytes, label, ask);
        const int status = got ? got.value().status : 0;
        if (!got || !(status == 301 || status == 302 || status == 303 || status == 307 || status == 308))
            return got;
        const QUrl to = at.resolved(got.value().location);
        if (got.value().location.isEmpty() || hop >= MaxRedirects)
            return CResult<Answer>::failure(QStringLiteral("redirected too often, or nowhere, from ") + url.toDisplayString());
        if (!redirectAllowed(at, to, QUrl(m_source.base())))
            return CResult<Answer>::failure(
                QStringLiteral("refused a redirect from %1 to %2").arg(at.toDisplayString(), to.toDisplayString()));
        at = to;
    }
}

CResult<CListUpdater::Answer> CListUpdater::getRetrying(const QUrl &url, QIODevice &sink, qint64 maxBytes,
                                                        const QString &label, Ask ask)
{
    const auto busy = [ask](int status) {
        return status == 429 || (ask == Ask::List && status >= 500);
    };
    CResult<Answer> got = CResult<Answer>::failure(QString());
    std::chrono::milliseconds backOff = m_settings.backOff;
    int attempts = 0; // made, for the words below
    for (int attempt = 1;; ++attempt) {
        if (ask == Ask::ListId && !m_pacer->spaceOut(m_settings.idSpacing))
            return CResult<Answer>::failure(QStringLiteral("interrupted"));
        rewind(sink);
        bool mayRetry = false;
        got = getOnce(url, sink, maxBytes, label, mayRetry);
        attempts = attempt;
        const int status = got ? got.value().status : 0;
        if (!(mayRetry || busy(status)) || attempt >= m_settings.attempts)
            break;
        const CResult<std::chrono::milliseconds> wait = waitBefore(got, url, backOff);
        if (!wait)
            return CResult<Answer>::failure(wait.message());
        // No pause the run's deadline would cut short: the next attempt could not end in time.
        if (runLeft() <= wait.value())
            break;
        emit progress(QStringLiteral("%1: %2; again in %3 s")
                          .arg(label, got ? QStringLiteral("answer %1").arg(status) : got.message())
                          .arg(double(wait.value().count()) / 1000.0));
        if (!m_pacer->pause(wait.value()))
            return CResult<Answer>::failure(QStringLiteral("interrupted"));
        backOff *= 2;
    }
    const QString tries = attempts > 1 ? QStringLiteral(" (%1 attempts)").arg(attempts) : QString();
    if (!got)
        return CResult<Answer>::failure(got.message() + tries);
    if (busy(got.value().status) && (attempts > 1 || got.value().status == 429))
        return CResult<Answer>::failure(QStringLiteral("answer %1 from %2").arg(got.value().status).arg(url.toDisplayString()) + tries);
    return got;
}

CResult<std::chrono::milliseconds> CListUpdater::waitBefore(const CResult<Answer> &got, const QUrl &url,
                                                            std::chrono::milliseconds backOff) const
{
    using Result = CResult<std::chrono::milliseconds>;
    if (!got || got.value().status != 429)
        return Result::success(backOff);
    const std::optional<std::chrono::seconds> asked =
        CRetryAfter::parse(got.value().retryAfter, QDateTime::currentDateTimeUtc());
    if (!asked)
        return Result::success(backOff);
    if (*asked > m_settings.mostRetryAfter)
        return Result::failure(QStringLiteral("answer 429 from %1 asks to wait %2 s, more than the %3 s an update waits")
                                   .arg(url.toDisplayString())
                                   .arg(asked->count())
                                   .arg(m_settings.mostRetryAfter.count()));
    return Result::success(std::chrono::milliseconds(*asked));
}

bool CListUpdater::redirectAllowed(const QUrl &from, const QUrl &to, const QUrl &base)
{
    const bool sameHost = to.host().compare(from.host(), Qt::CaseInsensitive) == 0;
    const bool configuredHost = to.host().compare(base.host(), Qt::CaseInsensitive) == 0;
    if (!sameHost && !configuredHost)
        return false;
    if (to.scheme() == from.scheme())
        return defaultPort(to) == defaultPort(from) || (configuredHost && defaultPort(to) == defaultPort(base));
    // Only ever to the stronger scheme, and there on its own port.
    return from.scheme() == QLatin1String("http") && to.scheme() == QLatin1String("https") && defaultPort(to) == 443;
}

CResult<CListUpdater::Answer> CListUpdater::getOnce(const QUrl &url, QIODevice &sink, qint64 maxBytes,
                                                    const QString &label, bool &mayRetry)
{
    using Result = CResult<Answer>;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    // Redirects are followed by get(), which checks where each one leads.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    const std::unique_ptr<QNetworkReply, LaterDelete> reply(m_network.get(request));
    // The network side holds no more than this: the rest waits in the socket.
    reply->setReadBufferSize(ReadBuffer);

    QEventLoop loop;
    QString problem;
    const auto stop = [&](const QString &why, bool retry) {
        if (!problem.isEmpty())
            return;
        problem = why;
        mayRetry = retry;
        reply->abort();
    };
    QTimer stall; // restarted by every byte, so a slow but moving download goes on
    stall.setSingleShot(true);
    connect(&stall, &QTimer::timeout, &loop, [&] {
        stop(QStringLiteral("no data for %1 s from %2").arg(double(m_settings.timeout.count()) / 1000.0).arg(url.toDisplayString()), true);
    });
    // The overall deadline: past the least time, the bytes must keep up the least rate.
    QElapsedTimer clock;
    clock.start();
    qint64 received = 0;
    QTimer pace;
    pace.setInterval(std::clamp<qint64>(m_settings.deadline.count() / 10, 20, 1000));
    connect(&pace, &QTimer::timeout, &loop, [&] {
        const qint64 late = clock.elapsed() - m_settings.deadline.count();
        if (late > 0 && received < m_settings.minRate * late / 1000)
            stop(QStringLiteral("too slow: %1 bytes in %2 s from %3")
                     .arg(received)
                     .arg(double(clock.elapsed()) / 1000.0)
                     .arg(url.toDisplayString()),
                 true);
    });
    // The run's deadline cuts a download short too.
    QTimer runOut;
    runOut.setSingleShot(true);
    runOut.setTimerType(Qt::PreciseTimer);
    connect(&runOut, &QTimer::timeout, &loop, [&] {
        m_outOfTime = true;
        stop(QStringLiteral("the update's deadline of %1 passed while fetching %2")
                 .arg(timeInWords(m_settings.runDeadline), url.toDisplayString()),
             false);
    });
    connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        stall.start(m_settings.timeout);
        const QByteArray bytes = reply->read(ReadBuffer);
        received += bytes.size();
        m_downloaded += bytes.size();
        if (received > maxBytes)
            stop(QStringLiteral("more than %1 from %2").arg(bytesInWords(maxBytes)).arg(url.toDisplayString()), false);
        else if (const CResult<void> written = writeThrough(sink, bytes); !written)
            stop(QStringLiteral("cannot write the download: ") + written.message(), false);
    });
    connect(reply.get(), &QNetworkReply::downloadProgress, &loop, [&](qint64 got, qint64 total) {
        emit progress(total > 0 ? QStringLiteral("%1: %2 of %3 kB").arg(label).arg(got / 1024).arg(total / 1024)
                                : QStringLiteral("%1: %2 kB").arg(label).arg(got / 1024));
    });
    connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    stall.start(m_settings.timeout);
    pace.start();
    if (const std::chrono::milliseconds left = runLeft(); left != std::chrono::milliseconds::max())
        runOut.start(left);
    m_stopCurrent = [&] { stop(QStringLiteral("interrupted"), false); };
    if (m_cancelled)
        stop(QStringLiteral("interrupted"), false);
    else if (runLeft().count() > 0)
        loop.exec();
    else
        stop(QStringLiteral("the update's deadline passed before %1 was asked for").arg(url.toDisplayString()), false);
    m_stopCurrent = nullptr;
    m_outOfTime = m_outOfTime || runLeft().count() <= 0;
    stall.stop();
    pace.stop();
    runOut.stop();

    if (!problem.isEmpty())
        return Result::failure(problem);
    return answerOf(*reply, url, sink, maxBytes, received, mayRetry);
}

CResult<CListUpdater::Answer> CListUpdater::answerOf(QNetworkReply &reply, const QUrl &url, QIODevice &sink,
                                                     qint64 maxBytes, qint64 received, bool &mayRetry)
{
    using Result = CResult<Answer>;
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 0) {
        mayRetry = true;
        return Result::failure(reply.errorString());
    }
    while (reply.bytesAvailable() > 0) {
        const QByteArray bytes = reply.read(ReadBuffer);
        received += bytes.size();
        m_downloaded += bytes.size();
        if (received > maxBytes)
            return Result::failure(QStringLiteral("more than %1 from %2").arg(bytesInWords(maxBytes)).arg(url.toDisplayString()));
        if (const CResult<void> written = writeThrough(sink, bytes); !written)
            return Result::failure(QStringLiteral("cannot write the download: ") + written.message());
    }
    // A body cut short by a reset after the status line is no answer.
    if (reply.error() != QNetworkReply::NoError && status == 200) {
        mayRetry = true;
        return Result::failure(reply.errorString());
    }
    return Result::success(Answer{status, reply.header(QNetworkRequest::LastModifiedHeader).toDateTime(),
                                  reply.attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl(),
                                  reply.rawHeader("Retry-After")});
}
