#include "CFileCases.h"

#include "CTempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

QList<CFileCases::Case> CFileCases::all()
{
    return {
        {"history, no permission", Kind::NoPermission, QStringLiteral("db.dat"), true, QStringLiteral("Permission denied")},
        {"history, fifo", Kind::Fifo, QStringLiteral("db.dat"), true, QStringLiteral("named pipe")},
        {"history, folder", Kind::Folder, QStringLiteral("db.dat"), true, QStringLiteral("is a folder")},
        {"history, link", Kind::Link, QStringLiteral("db.dat"), false, QString()},
        {"history, dangling link", Kind::DanglingLink, QStringLiteral("db.dat"), true, QStringLiteral("which does not exist")},
        {"history, too large", Kind::TooLarge, QStringLiteral("db.dat"), true, QStringLiteral("of memory")},
        {"domain list, fifo", Kind::Fifo, QStringLiteral("domains.dat"), true, QStringLiteral("named pipe")},
        {"domain list, dangling link", Kind::DanglingLink, QStringLiteral("domains.dat"), true, QStringLiteral("which does not exist")},
        {"domain list, not UTF-8", Kind::NotUtf8, QStringLiteral("domains.dat"), false, QStringLiteral("is not UTF-8 text")},
        {"domain list, over-long line", Kind::Overlong, QStringLiteral("domains.dat"), false, QStringLiteral("longer than a domain name can be")},
        {"domain list, comma line", Kind::Comma, QStringLiteral("domains.dat"), false, QStringLiteral("evil,x")},
    };
}

QStringList CFileCases::domains()
{
    return {QStringLiteral("a.test"), QStringLiteral("b.test")};
}

QByteArray CFileCases::history()
{
    return "old.test,1,2,3,4,5,6,01/01/2020\nold.test,7,8,9,10,11,12,02/01/2020\n";
}

QString CFileCases::linkTarget(const CTempHome &home)
{
    return home.path() + QStringLiteral("/elsewhere.dat");
}

bool CFileCases::arrange(const Case &which, const CTempHome &home)
{
    const QString path = home.dataDirectory() + u'/' + which.file;
    home.writeFile(home.historyPath(), history());
    home.writeFile(home.domainListPath(), domains().join(u'\n').toUtf8() + '\n');
    const QByteArray name = QFile::encodeName(path);
    switch (which.kind) {
    case Kind::NoPermission:
        return QFile::setPermissions(path, QFileDevice::WriteOwner);
    case Kind::Fifo:
        return QFile::remove(path) && ::mkfifo(name.constData(), 0600) == 0;
    case Kind::Folder:
        return QFile::remove(path) && QDir().mkdir(path);
    case Kind::Link:
        return QFile::rename(path, linkTarget(home)) && QFile::link(linkTarget(home), path);
    case Kind::DanglingLink:
        return QFile::remove(path) && QFile::link(linkTarget(home), path);
    case Kind::NotUtf8:
        home.writeFile(path, "a.test\nb\xff\xfe.test\nb.test\n");
        return true;
    case Kind::Overlong:
        home.writeFile(path, "a.test\n" + QByteArray(300, 'x') + ".test\nb.test\n");
        return true;
    case Kind::Comma:
        home.writeFile(path, "a.test\nevil,x\nb.test\n");
        return true;
    case Kind::TooLarge: {
        QFile file(path);
        // 64 GB that take no room on disk: no memory at hand is three times that.
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.resize(qint64(64) << 30);
    }
    }
    return false;
}

QByteArray CFileCases::stateOf(const QString &path)
{
    struct stat info{};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return "missing";
    if (S_ISLNK(info.st_mode))
        return "link to " + QFile::encodeName(QFileInfo(path).symLinkTarget()) + ": " + stateOf(QFileInfo(path).symLinkTarget());
    if (S_ISFIFO(info.st_mode))
        return "fifo";
    if (S_ISDIR(info.st_mode))
        return "folder";
    if (info.st_size > (1 << 20))
        return "large file of " + QByteArray::number(qint64(info.st_size)) + " bytes, inode " + QByteArray::number(qulonglong(info.st_ino));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "unreadable file, mode " + QByteArray::number(info.st_mode & 07777, 8);
    return "file: " + file.readAll();
}
