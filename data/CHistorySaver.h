#pragma once

#include "CAlexaRankData.h"
#include "base/CResult.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <thread>

// Saves the history on a thread of its own, so that making the text of a
// large history, writing it and syncing it hold up no event loop. A save
// writes the history as it stood when it was asked for: the list is
// shared, not copied, unless it changes while the save runs.
//
// One save runs at a time. Saves asked for while one runs become one save,
// made after it with the newest history asked for; each asker then hears
// that save's result. Askers hear on the saver's thread, in a later step of
// its event loop, or before wait() returns; one whose context has gone
// hears nothing. The saver waits for its saves before it goes.
class CHistorySaver : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(const CResult<>&)>;

    explicit CHistorySaver(QObject *parent = nullptr);
    ~CHistorySaver() override;
    CHistorySaver(const CHistorySaver &) = delete;
    CHistorySaver &operator=(const CHistorySaver &) = delete;

    // Saves history to path with the checked atomic writer; done hears how
    // it went, unless context has gone by then.
    void save(const QString &path, QList<CAlexaRankData> history, QObject *context, Done done);
    // A save is under way or asked for.
    bool isBusy() const { return !m_running.isEmpty() || m_next.has_value(); }
    // Makes every save under way or asked for, and tells their askers.
    void wait();

private:
    struct Asker
    {
        QPointer<QObject> context;
        Done done;
    };
    struct Job
    {
        QString path;
        QList<CAlexaRankData> history;
        QList<Asker> askers;
    };

    void startNext();
    // The save of this generation has ended: its askers hear, the next one starts.
    void collect(quint64 generation);
    void ended();

    std::thread m_thread;
    quint64 m_generation = 0;
    CResult<> m_outcome = CResult<>::success(); // written by the thread, read once it is joined
    QList<Asker> m_running; // of the save under way, until they have heard
    std::optional<Job> m_next;
};
