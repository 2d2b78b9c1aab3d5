#include "relay/CQueryRelay.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr QByteArrayView queryVerb = "query ";
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

QByteArray CQueryRelay::request(bool rankMode)
{
    return queryVerb.toByteArray() + (rankMode ? rankWord : reachWord).toByteArray() + '\n';
}

std::optional<bool> CQueryRelay::parseRequest(QByteArrayView line)
{
    line = withoutEnd(line);
    if (!line.startsWith(queryVerb))
        return std::nullopt;
    const QByteArrayView mode = line.sliced(queryVerb.size());
    if (mode == rankWord)
        return true;
    if (mode == reachWord)
        return false;
    return std::nullopt;
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
