#include "PngBytes.h"

#include "ArchiveWriter.h"

#include <QtEndian>

#include <zlib.h>

namespace {

QByteArray bigEndian(quint32 value)
{
    value = qToBigEndian(value);
    return QByteArray(reinterpret_cast<const char *>(&value), 4);
}

QByteArray chunk(const char *type, const QByteArray &data)
{
    const QByteArray body = type + data;
    const auto crc = crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()));
    return bigEndian(quint32(data.size())) + body + bigEndian(quint32(crc));
}

} // namespace

QByteArray pngBytes(quint32 width, quint32 height, const QByteArray &scanlines)
{
    // 8 bits a sample, colour type 2 (RGB), default compression, filtering and no interlace.
    const QByteArray header
        = bigEndian(width) + bigEndian(height) + QByteArray("\x08\x02\0\0\0", 5);
    return QByteArray("\x89PNG\r\n\x1a\n") + chunk("IHDR", header)
        + chunk("IDAT", ArchiveWriter::zlibCompress(scanlines)) + chunk("IEND", {});
}
