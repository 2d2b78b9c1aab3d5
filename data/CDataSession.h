#pragma once

#include "CAlexaRankData.h"
#include "CDomainDateList.h"
#include "base/CResult.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class CDataLock;
class CHistorySaver;
class QObject;

// The data folder as one program run holds it: the folder set up, its locks
// taken, db.dat and domains.dat read by the rules below, what the user
// should hear about them gathered, and every save made with the checked
// atomic writer. The window and the command line both go through it and
// keep no file logic of their own; so does any later file of the folder.
//
// Use: establish(), lock(), then load(); read and change history() and
// domains(); saveHistory() / saveDomains(). Each step may be skipped by a
// caller that does not need it, but nothing is saved without the lock.
//
// Rules kept for every data file:
// - only a regular file, or a symbolic link to one, is read; a folder, FIFO,
//   socket or device is refused without being opened for long;
// - a link is written through (its target is replaced), never replaced;
//   a link whose target is missing is refused;
// - a file that exists but cannot be read whole is reported and never saved
//   over for the rest of the session;
// - saving writes a temporary file beside the target, syncs it, keeps the
//   old file's permissions and renames it into place; a failure leaves the
//   old file whole. A save cut short by a crash or a kill leaves
//   ".<name>.XXXXXX.tmp" behind (beside a link's target for a link), which
//   the next lock() removes; nothing else is ever removed.
// The history may also be saved on a thread of the session's own (see
// CHistorySaver), by the same checks and writer; a save made here waits for
// those first, and the session waits for them before it lets go of the
// folder, so no save is ever dropped or overtaken by an older one.
// For db.dat, the history may be refused before reading when the memory at
// hand cannot hold it (the file is then never saved over); lines that are
// not UTF-8 are reported. For domains.dat, lines with "," and lines longer
// than a domain name can be are skipped, named, and not saved back.
class CDataSession
{
public:
    enum class LockMode {
        Window,   // "sorvane.lock" alone
        QueryRun, // "query.lock" first, so a second run can tell a window from a run; then "sorvane.lock"
    };

    enum class LockState {
        Unlocked,    // lock() not called
        Held,        // the folder is this process's to read and write
        ReadOnly,    // no lock could be made: the files may be read, nothing is saved
        HeldByOther, // another process holds "sorvane.lock" (a window, or anything else)
        QueryBusy,   // another query run holds "query.lock" (QueryRun mode only)
    };

    // Something the user should be told about the files. Messages matter
    // (the window shows them in a box); status notes are a line's worth.
    struct Note
    {
        enum class Weight { Message, Status };
        Weight weight = Weight::Message;
        QString text;
    };

    // The history may use availableMemory bytes; unset: what the system has.
    explicit CDataSession(QString dataDirectory, std::optional<qint64> availableMemory = std::nullopt);
    ~CDataSession();
    CDataSession(const CDataSession &) = delete;
    CDataSession &operator=(const CDataSession &) = delete;

    QString dataDirectory() const { return m_dataDirectory; }
    // The path of a file of the data folder ("db.dat", "groups.dat", ...).
    QString filePath(const QString &fileName) const;
    static QString historyFileName() { return QStringLiteral("db.dat"); }
    static QString domainListFileName() { return QStringLiteral("domains.dat"); }
    static QString groupsFileName() { return QStringLiteral("groups.dat"); }
    static QString alertRulesFileName() { return QStringLiteral("alerts.dat"); }
    static QString alertLogFileName() { return QStringLiteral("alerts.log"); }
    // Every file of the folder, whose interrupted saves lock() cleans up.
    // A new data file of the folder adds its name here.
    static QStringList dataFileNames();

    // Creates the folder and its parent, one level at a time; returns how
    // many levels could not be created (0: the folder is there).
    int establish();

    // Never waits. Held: leftovers of saves cut short are removed. The
    // message says why the lock is not held (empty when held).
    LockState lock(LockMode mode = LockMode::Window);
    LockState lockState() const { return m_lockState; }
    QString lockMessage() const { return m_lockMessage; }
    // The same in a few words, for one line of the command line.
    QString lockReason() const { return m_lockReason; }
    // True unless another process holds the folder: this one may read it.
    bool ownsData() const { return m_lockState != LockState::HeldByOther && m_lockState != LockState::QueryBusy; }
    // Lets go of the locks (the process's end does too).
    void unlock();

    // Reads db.dat, then domains.dat (nothing when another process holds
    // the folder). A file that could not be read is left empty here and
    // marked unsavable; the notes say why.
    void load();
    // Whether the file was read whole; a failure names it and why not, and
    // the file is then never saved over.
    CResult<> historyRead() const { return readResult(m_historyProblem); }
    CResult<> domainsRead() const { return readResult(m_domainsProblem); }
    bool historySavable() const { return m_lockState == LockState::Held && m_historyProblem.isEmpty(); }
    bool domainsSavable() const { return m_lockState == LockState::Held && m_domainsProblem.isEmpty(); }
    // The first reason either file could not be saved, for a run that must
    // not start if it could not store its results.
    CResult<> savable() const;
    // The same, and what changed on disk since: a history that is no longer
    // a readable regular file, or whose folder (a link's target's, for a
    // link) can no longer be written. Asked before a run fetches anything.
    CResult<> stillSavable() const;

    // The notes gathered since the last call, in the order they arose.
    QList<Note> takeNotes() { return std::exchange(m_notes, {}); }

    // The history and its per-domain latest dates, oldest record first.
    QList<CAlexaRankData> &history() { return m_history; }
    const QList<CAlexaRankData> &history() const { return m_history; }
    CDomainDateList &dates() { return m_dates; }
    const CDomainDateList &dates() const { return m_dates; }
    // The domain list's lines as read (untrimmed), without the skipped ones.
    const QStringList &domains() const { return m_domains; }
    // The names to query: the lines trimmed, blank ones left out.
    QStringList domainNames() const;

    // Saves the history as it stands / the given domain list entries
    // (trimmed as they are written). Fails, saying why, when the file may
    // not be saved (see historySavable()) or could not be written; a
    // process that does not own the folder saves nothing and succeeds.
    CResult<> saveHistory();
    CResult<> saveDomains(const QStringList &entries) const;
    // The same save of the history as it stands, made on the session's
    // thread; done hears the result on this thread in a later step of its
    // event loop (at once when the save is refused before it starts),
    // unless context has gone by then.
    void saveHistoryInBackground(QObject *context, std::function<void(const CResult<> &)> done);
    bool isSavingHistory() const;
    // Waits for the saves under way or asked for; their askers have heard
    // when it returns.
    void finishHistorySaves();

    // Any other file of the folder, by the same rules: read whole (a
    // missing file reads as empty) or fail with the reason; saved with the
    // checked atomic writer, only while the lock is held and never over a
    // file this session could not read; appended to (alerts.log) without
    // waiting, only when it is a regular file, only while the lock is held.
    CResult<QByteArray> readFile(const QString &fileName);
    CResult<> saveFile(const QString &fileName, const QByteArray &bytes) const;
    CResult<> saveLines(const QString &fileName, const QStringList &lines) const;
    CResult<> appendFile(const QString &fileName, QByteArrayView bytes) const;

private:
    static CResult<> readResult(const QString &problem)
    {
        return problem.isEmpty() ? CResult<>::success() : CResult<>::failure(problem);
    }
    void loadHistory();
    void loadDomainList();
    void note(Note::Weight weight, const QString &text) { m_notes.append(Note{weight, text}); }
    CResult<> mayWrite(const QString &path) const;
    // Why the folder is not this user's alone (empty when it is).
    QString openToOthers() const;
    // A file read at start: not when it was not read whole, nor without the lock.
    CResult<> mayOverwrite(const QString &path, const QString &readProblem) const;

    QString m_dataDirectory;
    std::optional<qint64> m_availableMemory;
    std::unique_ptr<CDataLock> m_queryLock;
    std::unique_ptr<CDataLock> m_dataLock;
    LockState m_lockState = LockState::Unlocked;
    QString m_lockMessage;
    QString m_lockReason;
    QString m_historyProblem;
    QString m_domainsProblem;
    QHash<QString, QString> m_readProblems; // of the other files, by name
    QList<Note> m_notes;
    QList<CAlexaRankData> m_history;
    CDomainDateList m_dates;
    QStringList m_domains;
    std::unique_ptr<CHistorySaver> m_saver;
};
