#include "CDataSession.h"

#include "CDataFile.h"
#include "CDataLock.h"
#include "CDataStore.h"
#include "CDomainName.h"
#include "CFieldText.h"
#include "CHistorySaver.h"
#include "CMemoryBudget.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One line naming the lines of the domain list too long to be names, each
// shortened: such a name could never be fetched, and would cost minutes
// to lay out wherever it is shown.
QString overlongDomainsLine(const QStringList &lines)
{
    constexpr int named = 5;
    constexpr qsizetype nameShown = 40;
    QStringList names;
    for (qsizetype i = 0; i < qMin<qsizetype>(lines.size(), named); ++i)
        names.append(QCoreApplication::translate("CDataSession", "%1 (%2 characters)")
                         .arg(CFieldText::shown(CDomainName::nameOf(lines.at(i)), nameShown))
                         .arg(CDomainName::nameOf(lines.at(i)).size()));
    if (lines.size() > named)
        names.append(QCoreApplication::translate("CDataSession", "and %1 more").arg(lines.size() - named));
    return QCoreApplication::translate("CDataSession", "Skipped in domains.dat, longer than a domain name can be (%1 characters): %2")
        .arg(CDomainName::MaxLength)
        .arg(names.join(QStringLiteral(", ")));
}

QString notReadAtStart(const QString &path)
{
    return QCoreApplication::translate("CDataSession", "%1 was not saved: it was not read at start and is left as it is.").arg(QDir::toNativeSeparators(path));
}

QString openedWithout(const QString &problem)
{
    return problem + QCoreApplication::translate("CDataSession", "\nSorvane opens without it and will not save over it in this session.");
}

} // namespace

CDataSession::CDataSession(QString dataDirectory, std::optional<qint64> availableMemory)
    : m_dataDirectory(std::move(dataDirectory))
    , m_availableMemory(availableMemory)
{
}

CDataSession::~CDataSession()
{
    // Before the locks go: a save of the history is never dropped.
    finishHistorySaves();
}

QString CDataSession::filePath(const QString &fileName) const
{
    return QDir::toNativeSeparators(QDir::fromNativeSeparators(m_dataDirectory) + u'/' + fileName);
}

QStringList CDataSession::dataFileNames()
{
    return {historyFileName(), domainListFileName(), groupsFileName(), alertRulesFileName(), alertLogFileName()};
}

int CDataSession::establish()
{
    return CDataStore::establishDataDirectory(m_dataDirectory);
}

CDataSession::LockState CDataSession::lock(LockMode mode)
{
    if (m_lockState == LockState::Held)
        return m_lockState;
    m_lockMessage.clear();
    m_lockReason.clear();
    if (const QString open = openToOthers(); !open.isEmpty()) {
        // Another user could replace the files or hold the lock: read, never write.
        m_lockReason = open;
        m_lockMessage = QCoreApplication::translate("CDataSession", "Sorvane keeps its data only in a folder no other user can write: %1.\n"
                                                                    "The window opens read-only: nothing will be saved in this session.")
                            .arg(open);
        m_lockState = LockState::ReadOnly;
        return m_lockState;
    }
    if (mode == LockMode::QueryRun) {
        m_queryLock = std::make_unique<CDataLock>(m_dataDirectory, QStringLiteral("query.lock"));
        const CDataLock::Result query = m_queryLock->acquire();
        if (!query.held()) {
            m_queryLock.reset();
            m_lockMessage = query.message;
            m_lockReason = query.reason;
            m_lockState = query.state == CDataLock::State::Busy ? LockState::QueryBusy : LockState::ReadOnly;
            return m_lockState;
        }
    }
    m_dataLock = std::make_unique<CDataLock>(m_dataDirectory);
    const CDataLock::Result data = m_dataLock->acquire();
    m_lockMessage = data.message;
    m_lockReason = data.reason;
    switch (data.state) {
    case CDataLock::State::Held:
        m_lockState = LockState::Held;
        // Saves cut short by the end of an earlier run; ours alone, as the lock says.
        CDataFile::removeLeftovers(m_dataDirectory, dataFileNames());
        break;
    case CDataLock::State::Busy:
        m_lockState = LockState::HeldByOther;
        break;
    case CDataLock::State::Unlocked:
    case CDataLock::State::Unusable:
        // Unlocked, another copy could be writing the same files: read them, save nothing.
        m_lockState = LockState::ReadOnly;
        break;
    }
    if (m_lockState != LockState::Held)
        unlock();
    return m_lockState;
}

QString CDataSession::openToOthers() const
{
    const QString shown = QDir::toNativeSeparators(m_dataDirectory);
    struct stat info{};
    if (::stat(QFile::encodeName(m_dataDirectory).constData(), &info) != 0)
        return QString(); // not there: the lock says why
    if (info.st_uid != ::geteuid())
        return QCoreApplication::translate("CDataSession", "the data folder %1 belongs to another user").arg(shown);
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return QCoreApplication::translate("CDataSession", "the data folder %1 can be written by other users (mode %2; chmod go-w %1 mends it)")
            .arg(shown)
            .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return QString();
}

void CDataSession::unlock()
{
    m_dataLock.reset();
    m_queryLock.reset();
    if (m_lockState == LockState::Held)
        m_lockState = LockState::Unlocked;
}

void CDataSession::load()
{
    if (!ownsData())
        return;
    loadHistory();
    loadDomainList();
}

void CDataSession::loadHistory()
{
    m_history.clear();
    m_dates.clear();
    const QString path = filePath(historyFileName());
    const CResult<> fits = CMemoryBudget::checkHistory(path, m_availableMemory.value_or(CMemoryBudget::available()));
    if (!fits) {
        m_historyProblem = fits.message();
        note(Note::Weight::Message, fits.message());
        return;
    }
    QStringList notes;
    const CResult<> read = CDataStore::readHistory(path, m_history, m_dates, notes);
    if (!read) {
        m_history.clear();
        m_dates.clear();
        m_historyProblem = read.message();
        notes.prepend(openedWithout(read.message()));
    }
    for (const QString &text : std::as_const(notes))
        note(Note::Weight::Message, text);
}

void CDataSession::loadDomainList()
{
    m_domains.clear();
    const QString path = filePath(domainListFileName());
    const CResult<> fits = CMemoryBudget::checkDomainList(path, m_availableMemory.value_or(CMemoryBudget::available()));
    if (!fits) {
        m_domainsProblem = fits.message();
        note(Note::Weight::Message, openedWithout(fits.message()));
        return;
    }
    QStringList notes;
    const CResult<QStringList> read = CDataStore::readDomainList(path, notes);
    if (!read) {
        m_domainsProblem = read.message();
        notes.prepend(openedWithout(read.message()));
    }
    for (const QString &text : std::as_const(notes))
        note(Note::Weight::Message, text);
    if (!read)
        return;
    QStringList overlong;
    for (const QString &line : read.value()) {
        if (CDomainName::problemOf(CDomainName::nameOf(line)) == CDomainName::Problem::TooLong)
            overlong.append(line);
        else
            m_domains.append(line);
    }
    if (!overlong.isEmpty())
        note(Note::Weight::Status, overlongDomainsLine(overlong));
}

CResult<> CDataSession::savable() const
{
    if (!m_historyProblem.isEmpty())
        return CResult<>::failure(m_historyProblem);
    if (!m_domainsProblem.isEmpty())
        return CResult<>::failure(m_domainsProblem);
    if (m_lockState != LockState::Held)
        return CResult<>::failure(m_lockMessage.isEmpty() ? QCoreApplication::translate("CDataSession", "the data folder %1 is not locked").arg(QDir::toNativeSeparators(m_dataDirectory))
                                                          : m_lockMessage);
    return CResult<>::success();
}

CResult<> CDataSession::stillSavable() const
{
    if (CResult<> savedBefore = savable(); !savedBefore)
        return savedBefore;
    const QString path = filePath(historyFileName());
    const QFileInfo link(path);
    const QString target = link.isSymLink() ? link.canonicalFilePath() : path;
    if (target.isEmpty())
        return CResult<>::failure(QCoreApplication::translate("CDataSession", "%1 is a link to %2, which does not exist.")
            .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(link.symLinkTarget())));
    const QByteArray name = QFile::encodeName(target);
    struct stat info{};
    const bool exists = ::stat(name.constData(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode))
        return CResult<>::failure(QCoreApplication::translate("CDataSession", "%1 is no longer a regular file.").arg(QDir::toNativeSeparators(path)));
    // errno is taken at once: the translation's look-up may set it again.
    if (exists && ::access(name.constData(), R_OK) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        return CResult<>::failure(QCoreApplication::translate("CDataSession", "%1 can no longer be read (%2).")
            .arg(QDir::toNativeSeparators(path), why));
    }
    const QString folder = QFileInfo(target).absolutePath();
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        return CResult<>::failure(QCoreApplication::translate("CDataSession", "%1 cannot be saved: its folder %2 cannot be written (%3).")
            .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(folder), why));
    }
    return CResult<>::success();
}

QStringList CDataSession::domainNames() const
{
    QStringList names;
    for (const QString &line : m_domains) {
        const QString name = CDomainName::nameOf(line);
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

CResult<> CDataSession::mayWrite(const QString &path) const
{
    if (m_lockState == LockState::Held)
        return CResult<>::success();
    return CResult<>::failure(QCoreApplication::translate("CDataSession", "%1 was not saved: the data folder could not be locked.").arg(QDir::toNativeSeparators(path)));
}

CResult<> CDataSession::mayOverwrite(const QString &path, const QString &readProblem) const
{
    if (!readProblem.isEmpty())
        return CResult<>::failure(notReadAtStart(path));
    return mayWrite(path);
}

CResult<> CDataSession::saveHistory()
{
    // After any save on the session's thread, so that the newest history lands last.
    finishHistorySaves();
    const QString path = filePath(historyFileName());
    if (!ownsData())
        return CResult<>::success();
    const CResult<> may = mayOverwrite(path, m_historyProblem);
    return may ? CDataStore::saveHistory(path, m_history) : may;
}

void CDataSession::saveHistoryInBackground(QObject *context, std::function<void(const CResult<> &)> done)
{
    const QString path = filePath(historyFileName());
    if (!ownsData()) {
        done(CResult<>::success());
        return;
    }
    if (const CResult<> may = mayOverwrite(path, m_historyProblem); !may) {
        done(may);
        return;
    }
    if (!m_saver)
        m_saver = std::make_unique<CHistorySaver>();
    m_saver->save(path, m_history, context, std::move(done));
}

bool CDataSession::isSavingHistory() const
{
    return m_saver && m_saver->isBusy();
}

void CDataSession::finishHistorySaves()
{
    if (m_saver)
        m_saver->wait();
}

CResult<> CDataSession::saveDomains(const QStringList &entries) const
{
    const QString path = filePath(domainListFileName());
    if (!ownsData())
        return CResult<>::success();
    const CResult<> may = mayOverwrite(path, m_domainsProblem);
    return may ? CDataStore::saveDomainList(path, entries) : may;
}

CResult<QByteArray> CDataSession::readFile(const QString &fileName)
{
    CResult<QByteArray> read = CDataFile::read(filePath(fileName));
    if (read)
        m_readProblems.remove(fileName);
    else
        m_readProblems.insert(fileName, read.message());
    return read;
}

CResult<> CDataSession::saveFile(const QString &fileName, const QByteArray &bytes) const
{
    const QString path = filePath(fileName);
    if (const CResult<> may = mayOverwrite(path, m_readProblems.value(fileName)); !may)
        return may;
    return CDataStore::saveBytes(path, bytes);
}

CResult<> CDataSession::saveLines(const QString &fileName, const QStringList &lines) const
{
    const QString path = filePath(fileName);
    if (const CResult<> may = mayOverwrite(path, m_readProblems.value(fileName)); !may)
        return may;
    return CDataStore::saveLines(path, lines);
}

CResult<> CDataSession::appendFile(const QString &fileName, QByteArrayView bytes) const
{
    const QString path = filePath(fileName);
    if (const CResult<> may = mayWrite(path); !may)
        return may;
    return CDataFile::append(path, bytes);
}
