#include "PackwellCore.h"

#include "Windows1252.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>

namespace {

using Kind = PackwellError::Kind;

constexpr qint64 kMaxCapacity = std::numeric_limits<qint32>::max();

// The work buffer comes from calloc: it is zero-filled, and a large one (a caller may pass an
// OrigSize of two billion for a tiny stream) costs only the pages zlib really writes.
struct FreeDeleter
{
    void operator()(unsigned char *p) const { std::free(p); }
};
using WorkBuffer = std::unique_ptr<unsigned char[], FreeDeleter>;

WorkBuffer allocateWork(qint32 capacity)
{
    // calloc(0) may return a null pointer; zlib is told the true capacity anyway.
    auto *p = static_cast<unsigned char *>(std::calloc(std::max<size_t>(size_t(capacity), 1), 1));
    if (!p)
        throw PackwellError(Kind::OutOfMemory,
                            "a work buffer of " + std::to_string(capacity) + " bytes");
    return WorkBuffer(p);
}

// The length of the caller's data as the component's signed 32-bit count.
qint32 inputSize(qsizetype size)
{
    if (size > kMaxCapacity)
        throw PackwellError(Kind::Overflow, "an input of " + std::to_string(size) + " bytes");
    return qint32(size);
}

qint32 checkedCapacity(qint32 n, Kind negativeKind)
{
    const qint64 capacity = PackwellCore::workCapacity(n);
    if (capacity >= 0 && capacity <= kMaxCapacity)
        return qint32(capacity);
    throw PackwellError(capacity < 0 ? negativeKind : Kind::Overflow,
                        "a work capacity of " + std::to_string(capacity) + " bytes for a size of "
                            + std::to_string(n));
}

void requireElements(qsizetype size)
{
    if (size == 0)
        throw PackwellError(Kind::SubscriptOutOfRange, "a byte array with no elements");
}

const unsigned char *bytesOf(const QByteArray &array)
{
    return reinterpret_cast<const unsigned char *>(array.constData());
}

// Replaces TheData with the first outLen bytes of the work buffer, or leaves it as it is and
// raises the error when that would leave it with no elements.
// The array operations' work buffer becomes the caller's array, so a large result is never
// copied. Only the bytes zlib writes are ever looked at, so it needs no clearing first.
QByteArray allocateArrayWork(qint32 capacity)
{
    return QByteArray(std::max<qsizetype>(capacity, 1), Qt::Uninitialized);
}

void takeArray(QByteArray &TheData, QByteArray &work, unsigned long outLen)
{
    requireElements(qsizetype(outLen));
    work.truncate(qsizetype(outLen));
    // A generous capacity that zlib filled only in small part is given back.
    if (work.size() < work.capacity() / 2)
        work.squeeze();
    TheData.swap(work);
}

// The first outLen bytes of the work buffer as a string, one character per byte.
QString stringFrom(const WorkBuffer &work, unsigned long outLen)
{
    return Windows1252::decode(reinterpret_cast<const char *>(work.get()), qsizetype(outLen));
}

// Runs an operation with std::bad_alloc, from Qt's containers or from std::string, reported as
// the component's own out-of-memory error.
template<typename Operation> qint32 runOperation(Operation operation)
{
    try {
        return operation();
    } catch (const std::bad_alloc &) {
        throw PackwellError(Kind::OutOfMemory, {});
    }
}

} // namespace

PackwellCore::PackwellCore(QObject *parent) : PackwellCore(PackwellHost::application(), parent) { }

PackwellCore::PackwellCore(const PackwellHost &host, QObject *parent)
    : QObject(parent), m_host(&host)
{ }

qint64 PackwellCore::workCapacity(qint32 n)
{
    // Three separate roundings, in this order; the file is built without floating-point
    // contraction, so the product and the first sum are never fused.
    double capacity = n * 0.01;
    capacity += n;
    capacity += 12;
    // Ties to even, independent of the current rounding mode.
    const double below = std::floor(capacity);
    const double fraction = capacity - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded += 1;
    return qint64(rounded);
}

qint32 PackwellCore::CompressData(QByteArray &TheData)
{
    return runOperation([&] {
        const qint32 n = inputSize(TheData.size());
        setOriginalSize(n);
        requireElements(n);
        const qint32 capacity = checkedCapacity(n, Kind::SubscriptOutOfRange);
        QByteArray work = allocateArrayWork(capacity);
        unsigned long outLen = capacity;
        const int code = zlibCompress(reinterpret_cast<unsigned char *>(work.data()), &outLen,
                                      bytesOf(TheData), n);
        takeArray(TheData, work, outLen);
        if (code == Z_OK)
            setCompressedSize(qint32(TheData.size()));
        return code;
    });
}

qint32 PackwellCore::CompressString(QString &TheString)
{
    return runOperation([&] {
        const qint32 len = inputSize(TheString.size());
        setOriginalSize(len);
        const qint32 capacity = checkedCapacity(len, Kind::InvalidArgument);
        const WorkBuffer work = allocateWork(capacity);
        unsigned long outLen = capacity;
        const QByteArray bytes = Windows1252::encode(TheString);
        const int code = zlibCompress(work.get(), &outLen, bytesOf(bytes), len);
        TheString = stringFrom(work, outLen);
        setCompressedSize(qint32(outLen));
        return code;
    });
}

qint32 PackwellCore::DecompressData(QByteArray &TheData, const qint32 &OrigSize)
{
    return runOperation([&] {
        const qint32 capacity = checkedCapacity(OrigSize, Kind::SubscriptOutOfRange);
        const qint32 n = inputSize(TheData.size());
        requireElements(n);
        QByteArray work = allocateArrayWork(capacity);
        unsigned long outLen = capacity;
        const int code = zlibUncompress(reinterpret_cast<unsigned char *>(work.data()), &outLen,
                                        bytesOf(TheData), n);
        takeArray(TheData, work, outLen);
        if (code == Z_OK) {
            setCompressedSize(0);
            setOriginalSize(0);
        }
        return code;
    });
}

qint32 PackwellCore::DecompressString(QString &TheString, const qint32 &OrigSize)
{
    return runOperation([&] {
        const qint32 capacity = checkedCapacity(OrigSize, Kind::InvalidArgument);
        const qint32 len = inputSize(TheString.size());
        const WorkBuffer work = allocateWork(capacity);
        unsigned long outLen = capacity;
        const QByteArray bytes = Windows1252::encode(TheString);
        const int code = zlibUncompress(work.get(), &outLen, bytesOf(bytes), len);
        TheString = stringFrom(work, outLen);
        if (code == Z_OK) {
            setCompressedSize(0);
            setOriginalSize(0);
        }
        return code;
    });
}

void PackwellCore::setCompressedSize(qint32 New_CompressedSize)
{
    if (!m_host->userMode())
        return;
    m_CompressedSize = New_CompressedSize;
    Q_EMIT propertyChanged(QStringLiteral("CompressedSize"));
}

void PackwellCore::setOriginalSize(qint32 New_OriginalSize)
{
    if (!m_host->userMode())
        return;
    m_OriginalSize = New_OriginalSize;
    Q_EMIT propertyChanged(QStringLiteral("OriginalSize"));
}

void PackwellCore::InitProperties()
{
    m_CompressedSize = 0;
    m_OriginalSize = 0;
}

int PackwellCore::zlibCompress(unsigned char *dest, unsigned long *destLen,
                               const unsigned char *source, unsigned long sourceLen)
{
    return ::compress(dest, destLen, source, sourceLen);
}

int PackwellCore::zlibUncompress(unsigned char *dest, unsigned long *destLen,
                                 const unsigned char *source, unsigned long sourceLen)
{
    return ::uncompress(dest, destLen, source, sourceLen);
}
