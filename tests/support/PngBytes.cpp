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

QByteArray header(quint32 width, quint32 height, char bitDepth)
{
    // Colour type 2 (RGB), default compression, filtering and no interlace.
    return bigEndian(width) + bigEndian(height) + bitDepth + QByteArray("\x02\0\0\0", 4);
}

} // namespace

QByteArray pngBytes(quint32 width, quint32 height, const QByteArray &scanlines)
{
    return QByteArray("\x89PNG\r\n\x1a\n") + chunk("IHDR", header(width, height, 8))
        + chunk("IDAT", ArchiveWriter::zlibCompress(scanlines)) + chunk("IEND", {});
}

QByteArray blackPngBytes(quint32 width, quint32 height, int bitDepth)
{
    // Compressed a row at a time: the image data may be far larger than the file.
    const QByteArray row(1 + qsizetype(width) * 3 * bitDepth / 8, '\0');
    z_stream zs {};
    deflateInit(&zs, Z_DEFAULT_COMPRESSION);
    QByteArray data;
    char out[64 * 1024];
    for (quint32 y = 0; y <= height; ++y) {
        zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(row.constData()));
        zs.avail_in = y < height ? uInt(row.size()) : 0;
        do {
            zs.next_out = reinterpret_cast<Bytef *>(out);
            zs.avail_out = sizeof out;
            deflate(&zs, y < height ? Z_NO_FLUSH : Z_FINISH);
            data.append(out, qsizetype(sizeof out - zs.avail_out));
        } while (zs.avail_out == 0);
    }
    deflateEnd(&zs);
    return QByteArray("\x89PNG\r\n\x1a\n") + chunk("IHDR", header(width, height, char(bitDepth)))
        + chunk("IDAT", data) + chunk("IEND", {});
}
