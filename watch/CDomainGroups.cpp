#include "watch/CDomainGroups.h"

#include "CDataSession.h"
#include "CDomainName.h"
#include "watch/CTextFile.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>

QString CDomainGroups::key(const QString &group, const QString &domain)
{
    // A group name holds no control character, so this cannot be ambiguous.
    return group + u'\n' + domain;
}

bool CDomainGroups::isGroupName(QStringView name)
{
    if (name.isEmpty() || name.size() > MaxNameLength)
        return false;
    return std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c == u',' || c.category() == QChar::Other_Control; });
}

CDomainGroups CDomainGroups::parse(QStringView text, const QString &fileLabel, QStringList &notes)
{
    CDomainGroups groups;
    const QList<QStringView> lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringView line = lines.at(i);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype comma = line.indexOf(u',');
        const QStringView group = comma < 0 ? QStringView() : line.left(comma).trimmed();
        const QStringView domain = comma < 0 ? QStringView() : line.mid(comma + 1).trimmed();
        QString problem;
        if (comma < 0)
            problem = QCoreApplication::translate("CDomainGroups", "not \"group,domain\"");
        else if (!isGroupName(group))
            problem = QCoreApplication::translate("CDomainGroups", "\"%1\" is no group name (1 to %2 characters, "
                                                                   "no comma or control character)")
                          .arg(group.toString())
                          .arg(MaxNameLength);
        else if (domain.isEmpty() || CDomainName::problemOf(domain) != CDomainName::Problem::None)
            problem = QCoreApplication::translate("CDomainGroups", "\"%1\" is no domain name").arg(domain.toString());
        if (!problem.isEmpty()) {
            notes.append(QCoreApplication::translate("CDomainGroups", "%1 line %2: %3, left out")
                             .arg(fileLabel)
                             .arg(i + 1)
                             .arg(problem));
            continue;
        }
        groups.add(group.toString(), domain.toString());
    }
    return groups;
}

CResult<CDomainGroups> CDomainGroups::read(CDataSession &session, QStringList &notes)
{
    const CResult<QString> text = CTextFile::read(session, CDataSession::groupsFileName(), notes);
    if (!text)
        return CResult<CDomainGroups>::failure(text.message());
    return CResult<CDomainGroups>::success(parse(text.value(), session.filePath(CDataSession::groupsFileName()), notes));
}

CResult<> CDomainGroups::save(const CDataSession &session) const
{
    QStringList lines;
    lines.reserve(m_entries.size());
    for (const auto &[group, domain] : m_entries)
        lines.append(group + u',' + domain);
    return session.saveLines(CDataSession::groupsFileName(), lines);
}

QStringList CDomainGroups::groups() const
{
    QStringList names;
    for (const auto &entry : m_entries)
        names.append(entry.first);
    names.sort();
    names.removeDuplicates();
    return names;
}

QStringList CDomainGroups::domainsOf(const QString &group) const
{
    return domainsOf(QStringList{group});
}

QStringList CDomainGroups::domainsOf(const QStringList &groups) const
{
    QStringList domains;
    for (const auto &[group, domain] : m_entries) {
        if (groups.contains(group) && !domains.contains(domain))
            domains.append(domain);
    }
    return domains;
}

QStringList CDomainGroups::groupsOf(const QString &domain) const
{
    QStringList names;
    for (const auto &entry : m_entries) {
        if (entry.second == domain)
            names.append(entry.first);
    }
    return names;
}

QHash<QString, QStringList> CDomainGroups::groupsByDomain() const
{
    QHash<QString, QStringList> groups;
    for (const auto &entry : m_entries)
        groups[entry.second].append(entry.first);
    return groups;
}

bool CDomainGroups::contains(const QString &group, const QString &domain) const
{
    return m_index.contains(key(group, domain));
}

void CDomainGroups::setGroupsOf(const QString &domain, const QStringList &groups)
{
    m_entries.removeIf([&](const std::pair<QString, QString> &entry) {
        if (entry.second != domain)
            return false;
        m_index.remove(key(entry.first, entry.second));
        return true;
    });
    for (const QString &group : groups)
        add(group.trimmed(), domain);
}

void CDomainGroups::add(const QString &group, const QString &domain)
{
    if (isGroupName(group) && !contains(group, domain)) {
        m_entries.append({group, domain});
        m_index.insert(key(group, domain));
    }
}
