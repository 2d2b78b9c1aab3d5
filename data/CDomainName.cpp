#include "CDomainName.h"

#include "CFieldText.h"

#include <algorithm>

QString CDomainName::entry(const QString &name)
{
    return QStringLiteral("  ") + name;
}

QString CDomainName::nameOf(const QString &entry)
{
    return entry.trimmed();
}

CDomainName::Problem CDomainName::problemOf(QStringView name)
{
    if (name.size() > MaxLength)
        return Problem::TooLong;
    // Spaces may stand in a typed name, but escapes, line breaks of other
    // systems, invisible marks and direction overrides would garble every
    // place the name is shown or stored.
    if (std::any_of(name.begin(), name.end(), [](QChar c) {
            return CFieldText::breaksLine(c) || c.category() == QChar::Other_Format;
        }))
        return Problem::Unprintable;
    if (name.contains(u','))
        return Problem::Comma;
    return Problem::None;
}

QString CDomainName::withoutWww(QString host)
{
    return host.remove(QStringLiteral("www."));
}
