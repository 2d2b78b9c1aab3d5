#include "CTextPool.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <array>
#include <atomic>
#include <memory>

namespace {

// Texts live in fixed chunks that are never moved, so readers need no lock.
constexpr int ChunkBits = 14;
constexpr quint32 ChunkSize = 1u << ChunkBits;
constexpr quint32 ChunkCount = (CTextPool::MaxId >> ChunkBits) + 1;

struct Pool
{
    ~Pool()
    {
        for (auto &chunk : chunks)
            delete[] chunk.load(std::memory_order_relaxed);
    }

    QMutex mutex;
    QHash<QString, quint32> ids;
    quint32 next = 1;
    std::atomic<QString *> chunks[ChunkCount] = {};
};

Pool &pool()
{
    static Pool instance;
    return instance;
}

} // namespace

quint32 CTextPool::idOf(const QString &text)
{
    Q_ASSERT(!text.isEmpty());
    // Results bring the same few texts again and again (today's date, "NA"):
    // the last ones seen on this thread spare the lock and a lookup in a
    // pool of perhaps millions of texts. An id never changes, so they stay right.
    struct Seen
    {
        QString text;
        quint32 id = 0;
    };
    thread_local std::array<Seen, 4> seen;
    thread_local std::size_t nextSeen = 0;
    for (const Seen &s : seen) {
        if (s.id != 0 && s.text == text)
            return s.id;
    }
    const quint32 id = lookUp(text);
    seen[nextSeen] = Seen{text, id};
    nextSeen = (nextSeen + 1) % seen.size();
    return id;
}

quint32 CTextPool::lookUp(const QString &text)
{
    Pool &p = pool();
    const QMutexLocker lock(&p.mutex);
    if (const auto found = p.ids.constFind(text); found != p.ids.cend())
        return *found;
    // Two billion texts would need far more memory than the start-up guard
    // lets a history have.
    if (p.next > MaxId)
        qFatal("CTextPool: more than %u distinct texts", MaxId);
    const quint32 id = p.next++;
    auto &chunk = p.chunks[id >> ChunkBits];
    QString *texts = chunk.load(std::memory_order_relaxed);
    if (!texts) {
        auto fresh = std::make_unique<QString[]>(ChunkSize);
        texts = fresh.release();
        chunk.store(texts, std::memory_order_release);
    }
    texts[id & (ChunkSize - 1)] = text;
    p.ids.insert(text, id);
    return id;
}

const QString &CTextPool::text(quint32 id)
{
    Q_ASSERT(id > 0 && id <= MaxId);
    const QString *texts = pool().chunks[id >> ChunkBits].load(std::memory_order_acquire);
    return texts[id & (ChunkSize - 1)];
}

quint32 CTextPool::count()
{
    Pool &p = pool();
    const QMutexLocker lock(&p.mutex);
    return p.next - 1;
}
