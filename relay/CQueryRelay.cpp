#include "relay/CQueryRelay.h"

#include "run/CBackfillRun.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QByteArrayView queryVerb = "query ";
constexpr QByteArrayView backfillVerb = "backfill ";
constexpr QByteArrayView rankWord = "rank";
constexpr QByteArrayView reachWord = "reach";

struct KindName
{
    CQueryRelay::Kind kind;
    QByteArrayView word;
};

constexpr KindName kindNames[] = {
    {CQueryRelay::Kind::Run, "run "},
    {CQueryRelay::Kind::Out, "out "},
    {CQueryRelay::Kind::Err, "err "},
    {CQueryRelay::Kind::Exit, "exit "},
};

QByteArrayView withoutEnd(QByteArrayView line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

QString CQueryRelay::serverName(const QString &dataDirectory)
{
    // The same folder reached through a link or a relative path is one folder.
    const QFileInfo folder(dataDirectory);
    QString canonical = folder.canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(folder.absoluteFilePath());
    const QByteArray digest = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("sorvane-") + QString::fromLatin1(digest.left(12).toHex());
}

namespace {

// A folder of this user's that no other user may write or enter.
bool isPrivateFolder(const QString &path)
{
    struct stat info{};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

} // namespace

CResult<QString> CQueryRelay::socketPath(const QString &runtimeDirectory, const QString &dataDirectory,
                                         const QString &tempDirectory)
{
    const QString name = serverName(dataDirectory);
    if (isPrivateFolder(runtimeDirectory))
        return CResult<QString>::success(QDir(runtimeDirectory).filePath(name));
    const QString temp = tempDirectory.isEmpty() ? QDir::tempPath() : tempDirectory;
    const QString own = QDir(temp).filePath(QStringLiteral("sorvane-%1").arg(::geteuid()));
    // Made private from the start; one that is there must be ours and private already.
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    if (!isPrivateFolder(own))
        return CResult<QString>::failure(QStringLiteral("neither $XDG_RUNTIME_DIR nor %1 is a folder of this user's that "
                                                        "no one else may enter")
                                             .arg(QDir::toNativeSeparators(own)));
    return CResult<QString>::success(QDir(own).filePath(name));
}

QByteArray CQueryRelay::request(const Request &request)
{
    const QByteArray mode = (request.rankMode ? rankWord : reachWord).toByteArray() + '\n';
    if (request.backfillDays > 0)
        return backfillVerb.toByteArray() + QByteArray::number(request.backfillDays) + ' ' + mode;
    return queryVerb.toByteArray() + mode;
}

namespace {

std::optional<bool> modeOf(QByteArrayView word)
{
    if (word == rankWord)
        return true;
    if (word == reachWord)
        return false;
    return std::nullopt;
}

} // namespace

std::optional<CQueryRelay::Request> CQueryRelay::parseRequest(QByteArrayView line)
{
    line = withoutEnd(line);
    if (line.startsWith(queryVerb)) {
        const std::optional<bool> mode = modeOf(line.sliced(queryVerb.size()));
        return mode ? std::optional<Request>(Request{*mode, 0}) : std::nullopt;
    }
    if (!line.startsWith(backfillVerb))
        return std::nullopt;
    const QByteArrayView rest = line.sliced(backfillVerb.size());
    const qsizetype space = rest.indexOf(' ');
    if (space <= 0 || space > 6)
        return std::nullopt;
    const QByteArrayView number = rest.first(space);
    // Digits only: no sign, no blank, no leading zero.
    if (number.front() == '0' || !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int days = QByteArray(number.data(), number.size()).toInt();
    const std::optional<bool> mode = modeOf(rest.sliced(space + 1));
    if (!mode || days > CBackfillRun::MaxDays)
        return std::nullopt;
    return Request{*mode, days};
}

QByteArray CQueryRelay::line(Kind kind, const QString &text)
{
    QByteArray bytes;
    for (const KindName &name : kindNames) {
        if (name.kind == kind)
            bytes = name.word.toByteArray();
    }
    QString flat = text;
    flat.replace(u'\n', u' ').replace(u'\r', u' ');
    bytes += flat.toUtf8().left(MaxLineLength - bytes.size() - 1);
    return bytes + '\n';
}

std::optional<CQueryRelay::Line> CQueryRelay::parseLine(QByteArrayView line)
{
    line = withoutEnd(line);
    for (const KindName &name : kindNames) {
        if (!line.startsWith(name.word))
            continue;
        Line parsed{name.kind, QString::fromUtf8(line.sliced(name.word.size()))};
        if (name.kind == Kind::Run || name.kind == Kind::Exit) {
            bool ok = false;
            const int number = parsed.text.toInt(&ok);
            if (!ok || number < 0)
                return std::nullopt;
        }
        return parsed;
    }
    return std::nullopt;
}
