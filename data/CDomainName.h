#pragma once

#include <QString>
#include <QStringView>

// The rules of a domain name and of its entry in the domain list: an entry is
// two spaces followed by the name; the name is what the entry trims to. A
// name never holds "," (it would split its history line), a control or
// format character, or more characters than a DNS name can have.
class CDomainName
{
public:
    static constexpr qsizetype MaxLength = 253;

    enum class Problem {
        None,
        TooLong,
        Unprintable, // a control or format character
        Comma,
    };

    static QString entry(const QString &name);
    static QString nameOf(const QString &entry);
    // The first rule the text breaks, length first, the comma last.
    static Problem problemOf(QStringView name);
    // A host name as the list keeps it: without "www.".
    static QString withoutWww(QString host);
};
