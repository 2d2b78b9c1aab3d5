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
    static constexpr qsizetype MaxLabelLength = 63;

    enum class Problem {
        None,
        TooLong,
        Unprintable, // a control or format character
        Comma,
        // Only reduce() finds these:
        Empty,
        Space,
        NoDot,
        NotAHostName, // a character no host name has, or an empty label
        Address,      // digits only: an IP address
    };

    struct Reduced
    {
        QString name; // empty when refused
        Problem problem = Problem::None;
    };

    static QString entry(const QString &name);
    static QString nameOf(const QString &entry);
    // The first rule the text breaks, length first, the comma last.
    static Problem problemOf(QStringView name);
    // A host name as the list keeps it: without "www.".
    static QString withoutWww(QString host);

    // What a user pastes or a file lists, reduced to the name the list
    // keeps: the host of an address, without scheme, user info, port, path,
    // query, trailing dot and leading "www.", in lower case. Text that is
    // then still no domain name is refused with the first rule it breaks.
    static Reduced reduce(QStringView pasted);
    // Why a text was refused, as a sentence's end: "holds a space".
    static QString reason(Problem problem);
};
