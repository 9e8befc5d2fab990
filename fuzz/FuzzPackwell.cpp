#include "FuzzTargets.h"

#include "compress/PackwellCore.h"
#include "compress/Windows1252.h"

#include <QtEndian>

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "packwell fuzz: %s\n", what);
        std::abort();
    }
}

// Capacities between these are legal but only allocate more of the same untouched memory,
// which under the sanitizers costs time in proportion to its size.
constexpr qint32 kLargestTried = 1 << 20;
constexpr qint32 kSmallestOverflow = 2126221422;

} // namespace

namespace FuzzTargets {

// The first four bytes are an OrigSize, the rest is data: inflate it with that size, then check
// that compressing and inflating the data, as bytes and as a string, gives it back.
void packwell(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return;
    const qint32 origSize = qFromLittleEndian<qint32>(data);
    const QByteArray payload(reinterpret_cast<const char *>(data) + 4, qsizetype(size - 4));
    PackwellCore packwell;

    if (origSize <= kLargestTried || origSize >= kSmallestOverflow) {
        QByteArray inflated = payload;
        try {
            packwell.DecompressData(inflated, origSize);
            check(!inflated.isEmpty(), "an empty array came back");
            check(inflated.size() <= PackwellCore::workCapacity(origSize), "output past capacity");
        } catch (const PackwellError &) { }
        QString text = Windows1252::decode(payload);
        try {
            packwell.DecompressString(text, origSize);
            check(text.size() <= PackwellCore::workCapacity(origSize), "string past capacity");
        } catch (const PackwellError &) { }
    }

    QByteArray round = payload;
    try {
        check(packwell.CompressData(round) == 0, "compress failed");
        const qint32 length = qint32(payload.size());
        check(packwell.DecompressData(round, length) == 0, "inflate failed");
        check(round == payload, "bytes round trip differs");
    } catch (const PackwellError &error) {
        check(payload.isEmpty() && error.kind() == PackwellError::Kind::SubscriptOutOfRange,
              "unexpected error on a round trip");
    }

    const QString original = Windows1252::decode(payload);
    QString text = original;
    check(packwell.CompressString(text) == 0, "string compress failed");
    const qint32 length = qint32(original.size());
    check(packwell.DecompressString(text, length) == 0, "string inflate failed");
    check(text == original, "string round trip differs");
}

} // namespace FuzzTargets
