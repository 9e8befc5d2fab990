#include "TgaImage.h"

#include <QtEndian>

namespace {

constexpr qsizetype kHeader = 18;
constexpr qsizetype kFooter = 26;

quint16 word(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

QImage::Format pixelFormat(int type, int depth, int alphaBits)
{
    if (type == 3)
        return depth == 8 && alphaBits == 0 ? QImage::Format_Grayscale8 : QImage::Format_Invalid;
    switch (depth) {
    case 16:
        return alphaBits <= 1 ? QImage::Format_RGB555 : QImage::Format_Invalid;
    case 24:
        return alphaBits == 0 ? QImage::Format_BGR888 : QImage::Format_Invalid;
    case 32:
        // Blue, green, red, alpha: Qt's 32-bit layout in memory on a little-endian machine.
        return alphaBits == 8 ? QImage::Format_ARGB32
            : alphaBits == 0  ? QImage::Format_RGB32
                              : QImage::Format_Invalid;
    default:
        return QImage::Format_Invalid;
    }
}

} // namespace

TgaImage TgaImage::parse(QByteArrayView bytes, qint64 fileSize, bool whole)
{
    TgaImage tga;
    if (bytes.size() < kHeader || QSysInfo::ByteOrder != QSysInfo::LittleEndian)
        return tga;
    const int mapType = uchar(bytes[1]), type = uchar(bytes[2]), depth = uchar(bytes[16]);
    const int descriptor = uchar(bytes[17]);
    const QImage::Format format = pixelFormat(type, depth, descriptor & 0x0f);
    const QSize size(word(bytes, 12), word(bytes, 14));
    // Interleaving (bits 6 and 7) was never used; a colour map is allowed, and skipped.
    if (mapType > 1 || format == QImage::Format_Invalid || size.isEmpty() || descriptor & 0xc0)
        return tga;
    const qint64 map = mapType == 1 ? qint64(word(bytes, 5)) * ((uchar(bytes[7]) + 7) / 8) : 0;
    const qint64 offset = kHeader + uchar(bytes[0]) + map;
    const qint64 end = offset + qint64(size.width()) * size.height() * (depth / 8);
    // Past the pixels only the 2.0 footer and what it points at; not yet seen, it may be there.
    const QByteArrayView signature("TRUEVISION-XFILE.\0", 18);
    const bool footer = end + kFooter <= fileSize
        && (!whole || bytes.sliced(bytes.size() - signature.size()) == signature);
    if (end != fileSize && !footer)
        return tga;
    tga.m_size = size;
    tga.m_format = format;
    tga.m_offset = offset;
    tga.m_end = end;
    tga.m_bottomUp = !(descriptor & 0x20);
    tga.m_rightToLeft = descriptor & 0x10;
    return tga;
}

QImage TgaImage::pixels(const QByteArray &bytes) const
{
    if (bytes.size() < m_end)
        return {};
    const int depth = QImage::toPixelFormat(m_format).bitsPerPixel();
    // The image holds a share of the bytes, no copy: it may be the very image shown, long after
    // the decoder that read them is gone.
    auto *held = new QByteArray(bytes);
    return QImage(
        reinterpret_cast<const uchar *>(held->constData()) + m_offset, m_size.width(),
        m_size.height(), qsizetype(m_size.width()) * depth / 8, m_format,
        [](void *info) { delete static_cast<QByteArray *>(info); }, held);
}

QImage TgaImage::shown(const QImage &pixels) const
{
    if (!m_bottomUp && !m_rightToLeft)
        return pixels;
    return pixels.mirrored(m_rightToLeft, m_bottomUp);
}
