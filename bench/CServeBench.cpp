#include "CServeBench.h"

#include "CFetchLoop.h"
#include "CRankdProcess.h"
#include "rankservice/server/CRankConnection.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// One request on a blocking socket, read until the server closes; the
// answer, empty when the connection failed.
QByteArray fetch(quint16 port, const QByteArray &request)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    const timeval limit{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    const sockaddr_in address = loopback(port);
    QByteArray answer;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0
        && ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) == request.size()) {
        char buffer[16384];
        for (ssize_t got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            answer.append(buffer, got);
    }
    ::close(fd);
    return answer;
}

void allowOpenFiles(rlim_t wanted)
{
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < wanted) {
        files.rlim_cur = qMin(files.rlim_max, wanted);
        setrlimit(RLIMIT_NOFILE, &files);
    }
}

} // namespace

CServeBench::CServeBench(CBenchReport &report, const CRankdProcess &service, const QString &size, int runs)
    : m_report(report)
    , m_service(service)
    , m_size(size)
    , m_runs(runs)
{
}

double CServeBench::fetchMs(const QByteArray &path) const
{
    QElapsedTimer clock;
    clock.start();
    const QByteArray answer = fetch(m_service.port(), CFetchLoop::request(path));
    return answer.startsWith("HTTP/1.1 200 OK\r\n") ? CBenchReport::msOf(clock) : -1;
}

void CServeBench::benchPastDays(const QList<QDate> &days, const QList<QByteArray> &domains, int seconds)
{
    if (days.isEmpty() || domains.isEmpty())
        return;
    const auto pastPath = [&](qsizetype i) -> QByteArray {
        return "/siteinfo/" + domains.at(i % domains.size()) + "?date="
            + days.at((i / domains.size() + i) % days.size()).toString(Qt::ISODate).toLatin1();
    };
    // Alone: of a hundred pages of held past days per run, the 95th
    // percentile (the goal) and the slowest, which a busy host moves most.
    QList<double> p95;
    QList<double> slowest;
    int failed = 0;
    for (int run = 0; run < m_runs; ++run) {
        std::vector<double> times;
        for (int i = 0; i < 100; ++i) {
            const double ms = fetchMs(pastPath(run * 100 + i));
            failed += ms < 0 ? 1 : 0;
            times.push_back(ms < 0 ? 10000.0 : ms);
        }
        std::sort(times.begin(), times.end());
        p95.append(times[94]);
        slowest.append(times.back());
    }
    if (failed > 0)
        CBenchReport::say(QStringLiteral("  past days: %1 pages not answered 200").arg(failed));
    m_report.figure(QStringLiteral("past_day_page_slowest_%1").arg(m_size), slowest, QStringLiteral("ms"));
    m_report.goal(QStringLiteral("past_day_page_p95_%1").arg(m_size), p95, QStringLiteral("ms"),
                  CBenchReport::Bound::AtMost, 5);

    // Ten clients ask for past days one after another while a normal client
    // asks for today's pages: the longest a normal page took, per run.
    QList<double> longest;
    QList<double> pastRates;
    for (int run = 0; run < m_runs; ++run) {
        std::atomic<bool> stop{false};
        std::atomic<qint64> pastPages{0};
        std::vector<std::thread> clients;
        for (int c = 0; c < 10; ++c) {
            clients.emplace_back([&, c] {
                for (qsizetype i = c * 7919; !stop.load(); ++i) {
                    if (fetch(m_service.port(), CFetchLoop::request(pastPath(i))).startsWith("HTTP/1.1 200 OK\r\n"))
                        ++pastPages;
                }
            });
        }
        QThread::msleep(200); // the ten are under way
        const qint64 before = pastPages.load();
        QElapsedTimer clock;
        clock.start();
        double worst = 0;
        for (qsizetype i = 0; !clock.hasExpired(qint64(seconds) * 1000); ++i) {
            const double ms = fetchMs("/siteinfo/" + domains.at(i % domains.size()));
            worst = ms < 0 ? qMax(worst, 10000.0) : qMax(worst, ms);
        }
        pastRates.append(double(pastPages.load() - before) / (double(clock.elapsed()) / 1000));
        stop = true;
        for (std::thread &client : clients)
            client.join();
        longest.append(worst);
    }
    m_report.figure(QStringLiteral("past_day_pages_per_s_%1").arg(m_size), pastRates, QStringLiteral("pages/s"));
    m_report.goal(QStringLiteral("past_day_normal_longest_%1").arg(m_size), longest, QStringLiteral("ms"),
                  CBenchReport::Bound::AtMost, 50);
}

CServeBench::FloodRun CServeBench::flood(const QByteArray &page, int seconds, bool talking) const
{
    // The pace asked of the flood: a little over the goal, so that the
    // pacing's steps cannot keep it under.
    constexpr qint64 connectionsPerSecond = 32000;
    // The flood holds at most this many connections, closing its oldest.
    constexpr size_t FloodOpen = 2000;
    constexpr int FloodThreads = 2;
    allowOpenFiles(FloodOpen + 512);
    for (int i = 0; i < 20; ++i)
        fetchMs(page);
    FloodRun run;
    run.rssBefore = m_service.residentMb();
    std::atomic<qint64> opened{0};
    std::atomic<int> running{FloodThreads};
    std::array<qint64, FloodThreads> floodNs{}; // how long each thread ran
    // One local process opening connections as fast as the pace allows, on
    // threads of its own (one thread's system calls fall short of the rate);
    // each stops by itself after seconds.
    const auto floodThread = [&](int thread) {
        const sockaddr_in address = loopback(m_service.port());
        std::deque<int> open;
        QElapsedTimer clock;
        clock.start();
        for (qint64 mine = 0; !clock.hasExpired(qint64(seconds) * 1000);) {
            const qint64 due = clock.nsecsElapsed() * (connectionsPerSecond / FloodThreads) / 1000000000;
            for (; mine < due; ++mine) {
                const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
                if (fd < 0)
                    break;
                ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
                if (talking)
                    ::send(fd, "G", 1, MSG_NOSIGNAL);
                open.push_back(fd);
                ++opened;
                if (open.size() > FloodOpen / FloodThreads) {
                    // Closed with a reset, as a flood closes: no TIME_WAIT keeps
                    // its port, so the flood is bounded by the service, not by
                    // the system's ephemeral ports.
                    CRankConnection::closeWithReset(open.front());
                    open.pop_front();
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        floodNs[size_t(thread)] = clock.nsecsElapsed();
        for (const int fd : open)
            CRankConnection::closeWithReset(fd);
        --running;
    };
    std::vector<std::thread> floods;
    for (int t = 0; t < FloodThreads; ++t)
        floods.emplace_back(floodThread, t);
    // A normal client asks for a page every 20 ms meanwhile.
    QThread::msleep(100);
    int asked = 0;
    int ok = 0;
    while (running.load() > 0) {
        const double ms = fetchMs(page);
        ++asked;
        ok += ms >= 0 ? 1 : 0;
        run.longest = qMax(run.longest, ms);
        QThread::msleep(20);
    }
    for (std::thread &thread : floods)
        thread.join();
    run.rate = double(opened.load()) / (double(*std::max_element(floodNs.begin(), floodNs.end())) / 1e9);
    run.answered = asked > 0 ? double(ok) / asked : 0;
    // Longer than the service's deadline for a connection: whatever the
    // flood left open is gone by then.
    QThread::msleep(6000);
    fetchMs(page);
    run.rssAfter = m_service.residentMb();
    return run;
}

void CServeBench::benchFlood(const QByteArray &domain, int seconds)
{
    const QByteArray page = "/siteinfo/" + domain;
    // The goals are for a connect flood, whose connections send nothing.
    // A flood whose connections each send a byte of a request that never
    // comes whole gets past the system's hold and meets the service's own
    // fairness alone: shown beside it, without goals.
    for (const bool talking : {false, true}) {
        QList<double> rates;
        QList<double> longest;
        QList<double> answered;
        QList<double> before;
        QList<double> after;
        for (int i = 0; i < m_runs; ++i) {
            const FloodRun run = flood(page, seconds, talking);
            rates.append(run.rate);
            longest.append(run.longest);
            answered.append(run.answered);
            before.append(run.rssBefore);
            after.append(run.rssAfter);
        }
        if (talking) {
            m_report.figure(QStringLiteral("flood_talking_connects_per_s"), rates, QStringLiteral("/s"));
            m_report.figure(QStringLiteral("flood_talking_normal_longest"), longest, QStringLiteral("ms"));
            m_report.figure(QStringLiteral("flood_talking_normal_answered"), answered, QString());
            m_report.figure(QStringLiteral("flood_talking_rss_after"), after, QStringLiteral("MB"));
            continue;
        }
        m_report.goal(QStringLiteral("flood_connects_per_s"), rates, QStringLiteral("/s"),
                      CBenchReport::Bound::AtLeast, 30000);
        m_report.goal(QStringLiteral("flood_normal_longest"), longest, QStringLiteral("ms"),
                      CBenchReport::Bound::AtMost, 1000);
        m_report.goal(QStringLiteral("flood_normal_answered"), answered, QString(), CBenchReport::Bound::AtLeast, 1);
        m_report.figure(QStringLiteral("flood_rss_before"), before, QStringLiteral("MB"));
        m_report.figure(QStringLiteral("flood_rss_after"), after, QStringLiteral("MB"));
        m_report.goal(QStringLiteral("flood_rss_growth"), CBenchReport::median(after) - CBenchReport::median(before),
                      QStringLiteral("MB"), CBenchReport::Bound::AtMost, 10,
                      QStringLiteral("resident memory after the flood over before it"));
    }
}
