#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>
#include <memory>

struct psl_ctx_st;

// Which tracked names a CrUX origin ("https://www.example.com:8443") counts
// for. Its host counts for itself and, without a leading "www.", for the
// name of that form; it also counts for the registrable domain it lies
// under, told from public suffixes by the Public Suffix List: a host of
// shop.example.co.uk counts for example.co.uk, never for co.uk, and one of
// user.github.io never for github.io. Scheme and port are dropped.
class CCruxOrigins
{
public:
    // Host names are at most this long.
    static constexpr qsizetype MaxHost = 253;

    CCruxOrigins();
    ~CCruxOrigins();
    CCruxOrigins(const CCruxOrigins &) = delete;
    CCruxOrigins &operator=(const CCruxOrigins &) = delete;

    // The system's public suffix list file, whichever is read (empty when none).
    static QString suffixListFile();

    // The host of an http or https origin, or empty when text is none.
    static QByteArrayView hostOf(QByteArrayView origin);

    // The keys (lower case, as the store keys names) a host counts for: one
    // or two, pointing into the host lowered in buffer; none for a host too
    // long to be one.
    struct Keys
    {
        std::array<char, MaxHost + 1> buffer; // the host lowered, ended by a zero for the list
        std::array<QByteArrayView, 2> keys;
        int count = 0;
    };
    void keysOf(QByteArrayView host, Keys &out) const;

private:
    // The registrable domain host lies under, or empty.
    QByteArrayView registrableOf(QByteArrayView host) const;

    struct Free
    {
        void operator()(psl_ctx_st *psl) const;
    };
    std::unique_ptr<psl_ctx_st, Free> m_psl;
};
