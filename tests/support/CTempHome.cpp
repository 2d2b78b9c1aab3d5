#include "CTempHome.h"

#include <QDir>
#include <QFile>
#include <QTest>

CTempHome::CTempHome() = default;

CTempHome::~CTempHome() = default;

CSettings CTempHome::settings(const QDate &today) const
{
    CSettings settings = CSettings::forHome(path());
    settings.clock = CRankClock(today);
    settings.runtimeDirectory = runtimeDirectory();
    return settings;
}

QString CTempHome::runtimeDirectory() const
{
    const QString dir = m_dir.path() + QStringLiteral("/run");
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return dir;
}

QString CTempHome::dataDirectory() const
{
    const QString dir = m_dir.path() + QStringLiteral("/.qorvex/Sorvane");
    QDir().mkpath(dir);
    return dir;
}

QString CTempHome::domainListPath() const
{
    return dataDirectory() + QStringLiteral("/domains.dat");
}

QString CTempHome::historyPath() const
{
    return dataDirectory() + QStringLiteral("/db.dat");
}

void CTempHome::writeFile(const QString &path, const QByteArray &contents) const
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(contents), contents.size());
}

QByteArray CTempHome::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}
