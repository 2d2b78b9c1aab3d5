#include "CRequestTarget.h"
#include "FuzzCheck.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

using Korv::QtLib::Web::CRequestTarget;

// The input up to the first NUL is the address, the rest the referer; both
// decoded as UTF-8, the way addresses reach the program from files.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const qsizetype nul = bytes.indexOf('\0');
    const QString url = QString::fromUtf8(nul < 0 ? bytes : bytes.first(nul));
    const QString referer = nul < 0 ? QString() : QString::fromUtf8(bytes.sliced(nul + 1));

    CRequestTarget target;
    target.setUrl(url, int(size), referer);
    FUZZ_CHECK(target.url() == url);
    FUZZ_CHECK(target.referer() == referer);
    FUZZ_CHECK(target.tag() == int(size));
    FUZZ_CHECK(target.path().startsWith(u'/'));
    FUZZ_CHECK(!target.host().contains(u'/'));
    QString schemeless = url;
    schemeless.remove(QStringLiteral("http://"));
    FUZZ_CHECK(schemeless.startsWith(target.host()));

    // A second call leaves no trace of the first.
    CRequestTarget reused;
    reused.setUrl(referer, 7, url);
    reused.setUrl(url, int(size), referer);
    FUZZ_CHECK(reused.host() == target.host());
    FUZZ_CHECK(reused.path() == target.path());
    FUZZ_CHECK(reused.referer() == target.referer());
    return 0;
}
