#include "CHistorySaver.h"

#include "CDataStore.h"

#include <system_error>
#include <utility>

CHistorySaver::CHistorySaver(QObject *parent)
    : QObject(parent)
{
}

CHistorySaver::~CHistorySaver()
{
    wait();
}

void CHistorySaver::save(const QString &path, QList<CAlexaRankData> history, QObject *context, Done done)
{
    // A save still waiting to start takes the newest history; its askers hear that save.
    if (!m_next)
        m_next = Job{path, {}, {}};
    m_next->path = path;
    m_next->history = std::move(history);
    m_next->askers.append(Asker{context, std::move(done)});
    if (m_running.isEmpty())
        startNext();
}

void CHistorySaver::startNext()
{
    Job job = std::move(*m_next);
    m_next.reset();
    m_running = std::move(job.askers);
    const quint64 generation = ++m_generation;
    const auto work = [this, path = std::move(job.path), history = std::move(job.history), generation] {
        m_outcome = CDataStore::saveHistory(path, history);
        QMetaObject::invokeMethod(this, [this, generation] { collect(generation); }, Qt::QueuedConnection);
    };
    try {
        m_thread = std::thread(work);
    } catch (const std::system_error &) {
        // No thread to be had: the save is made here rather than not at all.
        work();
    }
}

void CHistorySaver::collect(quint64 generation)
{
    // wait() may have collected this save already.
    if (generation != m_generation || m_running.isEmpty())
        return;
    if (m_thread.joinable()) // not when no thread could be had
        m_thread.join();
    ended();
}

void CHistorySaver::ended()
{
    const CResult<> outcome = m_outcome;
    const QList<Asker> askers = std::exchange(m_running, {});
    // The next save starts before the askers hear, so that one that asks again queues behind it.
    if (m_next)
        startNext();
    for (const Asker &asker : askers) {
        if (asker.context)
            asker.done(outcome);
    }
}

void CHistorySaver::wait()
{
    while (isBusy()) {
        if (m_running.isEmpty())
            startNext();
        if (m_thread.joinable())
            m_thread.join();
        ended();
    }
}
