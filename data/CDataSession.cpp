#include "CDataSession.h"

#include "CDataFile.h"
#include "CDataLock.h"
#include "CDataStore.h"
#include "CDomainName.h"
#include "CFieldText.h"
#include "CMemoryBudget.h"

#include <QCoreApplication>
#include <QDir>

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

CDataSession::~CDataSession() = default;

QString CDataSession::filePath(const QString &fileName) const
{
    return QDir::toNativeSeparators(QDir::fromNativeSeparators(m_dataDirectory) + u'/' + fileName);
}

QStringList CDataSession::dataFileNames()
{
    return {historyFileName(), domainListFileName()};
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
    QStringList notes;
    const CResult<QStringList> read = CDataStore::readDomainList(filePath(domainListFileName()), notes);
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

QString CDataSession::refusal() const
{
    if (!m_historyProblem.isEmpty())
        return m_historyProblem;
    if (!m_domainsProblem.isEmpty())
        return m_domainsProblem;
    if (m_lockState != LockState::Held)
        return m_lockMessage.isEmpty() ? QCoreApplication::translate("CDataSession", "the data folder %1 is not locked").arg(QDir::toNativeSeparators(m_dataDirectory))
                                       : m_lockMessage;
    return QString();
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

CResult<> CDataSession::saveHistory() const
{
    const QString path = filePath(historyFileName());
    if (!ownsData())
        return CResult<>::success();
    const CResult<> may = mayOverwrite(path, m_historyProblem);
    return may ? CDataStore::saveHistory(path, m_history) : may;
}

CResult<> CDataSession::saveDomains(const QStringList &entries) const
{
    const QString path = filePath(domainListFileName());
    if (!ownsData())
        return CResult<>::success();
    const CResult<> may = mayOverwrite(path, m_domainsProblem);
    return may ? CDataStore::saveDomainList(path, entries) : may;
}

CResult<QByteArray> CDataSession::readFile(const QString &fileName) const
{
    return CDataFile::read(filePath(fileName));
}

CResult<> CDataSession::saveFile(const QString &fileName, const QByteArray &bytes) const
{
    const QString path = filePath(fileName);
    if (const CResult<> may = mayWrite(path); !may)
        return may;
    return CDataStore::saveBytes(path, bytes);
}

CResult<> CDataSession::saveLines(const QString &fileName, const QStringList &lines) const
{
    const QString path = filePath(fileName);
    if (const CResult<> may = mayWrite(path); !may)
        return may;
    return CDataStore::saveLines(path, lines);
}
