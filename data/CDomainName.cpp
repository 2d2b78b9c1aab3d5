#include "CDomainName.h"

#include "CFieldText.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// "https://", "HTTP://", "ftp://": letters first, then letters, digits, "+", "-" or ".".
qsizetype schemeEnd(QStringView text)
{
    const qsizetype mark = text.indexOf(u"://");
    if (mark < 1 || !text[0].isLetter())
        return -1;
    for (qsizetype i = 0; i < mark; ++i) {
        const QChar c = text[i];
        if (!(c.isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.'))
            return -1;
    }
    return mark + 3;
}

QStringView hostOf(QStringView text)
{
    if (const qsizetype end = schemeEnd(text); end > 0)
        text = text.mid(end);
    else if (text.startsWith(u"//"))
        text = text.mid(2);
    for (const QChar stop : {u'/', u'?', u'#', u'\\'}) {
        if (const qsizetype at = text.indexOf(stop); at >= 0)
            text = text.left(at);
    }
    if (const qsizetype at = text.lastIndexOf(u'@'); at >= 0)
        text = text.mid(at + 1); // user info
    if (const qsizetype at = text.indexOf(u':'); at >= 0)
        text = text.left(at); // port
    while (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

CDomainName::Problem formProblem(const QString &host)
{
    if (host.isEmpty())
        return CDomainName::Problem::Empty;
    if (std::any_of(host.begin(), host.end(), [](QChar c) { return c.isSpace(); }))
        return CDomainName::Problem::Space;
    if (!host.contains(u'.'))
        return CDomainName::Problem::NoDot;
    bool digitsOnly = true;
    for (const QStringView label : QStringView(host).split(u'.')) {
        if (label.isEmpty() || label.startsWith(u'-') || label.endsWith(u'-'))
            return CDomainName::Problem::NotAHostName;
        if (label.size() > CDomainName::MaxLabelLength)
            return CDomainName::Problem::TooLong;
        for (const QChar c : label) {
            if (!(c.isLetterOrNumber() || c == u'-' || c == u'_'))
                return CDomainName::Problem::NotAHostName;
            digitsOnly = digitsOnly && c.isDigit();
        }
    }
    return digitsOnly ? CDomainName::Problem::Address : CDomainName::Problem::None;
}

} // namespace

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

CDomainName::Reduced CDomainName::reduce(QStringView pasted)
{
    // An address may be long; only its host must fit the rules of a name.
    const QStringView text = CFieldText::withoutByteOrderMarks(pasted).trimmed();
    QString host = hostOf(text).toString().toLower();
    if (host.startsWith(u"www."))
        host.remove(0, 4);
    if (const Problem stored = problemOf(host); stored != Problem::None)
        return {QString(), stored};
    if (const Problem form = formProblem(host); form != Problem::None)
        return {QString(), form};
    return {host, Problem::None};
}

QString CDomainName::reason(Problem problem)
{
    switch (problem) {
    case Problem::None:
        return QString();
    case Problem::TooLong:
        return QCoreApplication::translate("CDomainName", "is longer than a domain name can be (%1 characters, "
                                                          "%2 a part)")
            .arg(MaxLength)
            .arg(MaxLabelLength);
    case Problem::Unprintable:
        return QCoreApplication::translate("CDomainName", "holds a control or format character");
    case Problem::Comma:
        return QCoreApplication::translate("CDomainName", "holds \",\"");
    case Problem::Empty:
        return QCoreApplication::translate("CDomainName", "names no host");
    case Problem::Space:
        return QCoreApplication::translate("CDomainName", "holds a space");
    case Problem::NoDot:
        return QCoreApplication::translate("CDomainName", "has no dot");
    case Problem::NotAHostName:
        return QCoreApplication::translate("CDomainName", "is no host name (letters, digits, \"-\" and dots only)");
    case Problem::Address:
        return QCoreApplication::translate("CDomainName", "is an address, not a name");
    }
    return QString();
}
