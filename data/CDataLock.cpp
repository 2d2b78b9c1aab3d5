#include "CDataLock.h"

#include <QLockFile>

QString CDataLock::dataLockPath(const QString &dataDirectory)
{
    return dataDirectory + QStringLiteral("/sorvane.lock");
}

QString CDataLock::queryLockPath(const QString &dataDirectory)
{
    return dataDirectory + QStringLiteral("/query.lock");
}

CDataLock::CDataLock(const QString &path)
    : m_file(std::make_unique<QLockFile>(path))
{
    // A lock is stale only when its process has gone, never by its age.
    m_file->setStaleLockTime(0);
}

CDataLock::~CDataLock() = default;

CDataLock::State CDataLock::take()
{
    if (m_file->tryLock(0))
        return State::Taken;
    return m_file->error() == QLockFile::LockFailedError ? State::Held : State::Failed;
}
