#include "TestDecompressor.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include <zlib.h>

EntryWriter::Decompressor testDecompressor()
{
    return [](QByteArray &TheData, const qint32 &OrigSize) -> qint32 {
        if (TheData.isEmpty())
            throw std::runtime_error("subscript out of range");
        // nearbyint rounds half to even in the default rounding mode.
        const double capacity = std::nearbyint(double(OrigSize) * 0.01 + double(OrigSize) + 12);
        if (capacity > std::numeric_limits<qint32>::max())
            throw std::runtime_error("overflow");
        if (capacity < 0)
            throw std::runtime_error("subscript out of range");
        QByteArray work(qsizetype(capacity), '\0');
        uLongf outLen = uLongf(capacity);
        const int code = uncompress(reinterpret_cast<Bytef *>(work.data()), &outLen,
                                    reinterpret_cast<const Bytef *>(TheData.constData()),
                                    uLong(TheData.size()));
        if (outLen == 0)
            throw std::runtime_error("subscript out of range");
        work.truncate(qsizetype(outLen));
        TheData = work;
        return code;
    };
}
