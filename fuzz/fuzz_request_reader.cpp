#include "FuzzCheck.h"
#include "rankservice/server/CRequestReader.h"

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>

namespace {

bool sameOutcome(const CRequestReader &a, const CRequestReader &b)
{
    if (a.status() != b.status())
        return false;
    if (a.status() != CRequestReader::Status::Complete)
        return true;
    return a.method() == b.method() && a.target() == b.target() && a.version() == b.version()
           && a.headSize() == b.headSize();
}

} // namespace

// Byte 0 picks the size of the pieces the bytes arrive in; whatever the
// pieces, the reader must come to the same result as with one piece.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype piece = data[0] % 32 + 1;
    const QByteArrayView bytes(data + 1, qsizetype(size - 1));

    CRequestReader whole;
    whole.feed(bytes);
    FUZZ_CHECK(whole.headSize() <= CRequestReader::MaxHeadSize);

    CRequestReader pieces;
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        pieces.feed(bytes.sliced(at, qMin(piece, bytes.size() - at)));
    FUZZ_CHECK(sameOutcome(whole, pieces));

    if (whole.status() == CRequestReader::Status::Complete) {
        FUZZ_CHECK(whole.target().startsWith('/'));
        FUZZ_CHECK(whole.version() == "HTTP/1.0" || whole.version() == "HTTP/1.1");
        FUZZ_CHECK(!whole.method().isEmpty());
        FUZZ_CHECK(whole.headSize() <= bytes.size());
    }
    return 0;
}
