#include "ImageDecoder.h"

#include <QtEndian>

#include <cstring>
#include <mutex>

namespace {

// Strips of about this much, in 32-bit pixels, are converted and scaled at a time.
constexpr qint64 kStripBytes = qint64(1) << 20;

qint64 area(const QSize &size)
{
    return qint64(size.width()) * size.height();
}

// A picture of size as shown in room: shrunk to fit, never enlarged.
QSize fitted(const QSize &size, const QSize &room)
{
    if (room.isEmpty() || (size.width() <= room.width() && size.height() <= room.height()))
        return size;
    return size.scaled(room, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// What libjpeg keeps of a progressive JPEG while it reads the scans: every coefficient at full
// size, whatever size it decodes to. 0 for a baseline one, which it decodes a few rows at a time.
qint64 progressiveCoefficients(const QByteArray &bytes)
{
    const auto word = [&](qsizetype at) { return qFromBigEndian<quint16>(bytes.constData() + at); };
    for (qsizetype at = 2; at + 4 <= bytes.size() && uchar(bytes[at]) == 0xff;) {
        const uchar marker = uchar(bytes[at + 1]);
        if (marker == 0xda || marker == 0xd9)
            return 0;
        // Frame headers are 0xc0 to 0xcf but for tables (0xc4, 0xcc) and 0xc8, kept back.
        if (marker < 0xc0 || marker > 0xcf || marker == 0xc4 || marker == 0xc8 || marker == 0xcc) {
            at += marker == 0xff ? 1 : 2 + word(at + 2);
            continue;
        }
        const qsizetype body = at + 4;
        const int count = body + 6 <= bytes.size() ? uchar(bytes[body + 5]) : 0;
        if ((marker & 3) != 2 || body + 6 + 3 * count > bytes.size())
            return 0;
        int hMax = 1, vMax = 1;
        for (int i = 0; i < count; ++i) {
            hMax = qMax(hMax, uchar(bytes[body + 7 + 3 * i]) >> 4);
            vMax = qMax(vMax, uchar(bytes[body + 7 + 3 * i]) & 15);
        }
        qint64 blocks = 0;
        for (int i = 0; i < count; ++i) {
            const int h = uchar(bytes[body + 7 + 3 * i]) >> 4,
                      v = uchar(bytes[body + 7 + 3 * i]) & 15;
            blocks += (qint64(word(body + 3)) * h / (8 * hMax) + 1 + h)
                * (qint64(word(body + 1)) * v / (8 * vMax) + 1 + v);
        }
        return blocks * 64 * 2;
    }
    return 0;
}

} // namespace

ImageDecoder::ImageDecoder(const QByteArray &bytes, qint64 fileSize, const QByteArray &format,
                           std::chrono::milliseconds timeLimit, std::function<bool()> cancelled)
    : m_bytes(bytes)
    , m_format(format)
    , m_deadline(timeLimit)
    , m_cancelled(std::move(cancelled))
    , m_stopped([this] { return m_deadline.hasExpired() || (m_cancelled && m_cancelled()); })
    // Qt's JPEG decoder takes any read, of scans that may each take milliseconds; read a few
    // at a time, it stops soon after it is asked to. Other decoders want all they ask for.
    , m_device(m_bytes, m_stopped, format == "jpeg" ? 512 : std::numeric_limits<qint64>::max())
    , m_reader(&m_device, format)
{
    if (format == "tga") {
        m_tga = TgaImage::parse(m_bytes, fileSize, m_bytes.size() == fileSize);
        m_size = m_tga.size();
    } else {
        m_size = m_reader.size();
    }
}

QImage ImageDecoder::decode(const QSize &room)
{
    // Qt's own ceiling for any one picture, should a decoder allocate more than it said. Qt
    // counts at least 32 bits a pixel (a palette picture of 24 MiB counts 96), so it is set
    // above the bound here, which counts what is allocated.
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(int(2 * kMemory >> 20)); });
    if (!m_size.isValid()) {
        m_error = QStringLiteral("its size cannot be read"); // so neither what it needs
        return {};
    }
    const QSize shown = fitted(m_size, room);
    if (memoryNeeded(shown) > kMemory) {
        m_error = QStringLiteral("it needs more than %1 MiB of memory").arg(kMemory >> 20);
        return {};
    }
    QImage image;
    if (m_tga.isValid()) {
        image = m_tga.shown(shrink(m_tga.pixels(m_bytes), room));
    } else {
        if (decodesShrunk() && shown != m_size)
            m_reader.setScaledSize(shown);
        m_reader.setAutoTransform(true);
        const QImage decoded = m_reader.read();
        if (decoded.isNull() && !m_stopped()) {
            m_error = m_reader.errorString();
            return {};
        }
        image = shrink(decoded, room);
    }
    if (m_stopped()) {
        m_error = QStringLiteral("it takes too long to decode");
        return {};
    }
    if (image.isNull())
        m_error = QStringLiteral("there is not enough memory");
    return image;
}

qint64 ImageDecoder::memoryNeeded(const QSize &shown) const
{
    // The bytes, the strips, the shown copy and one more of it: turned, flipped or scaled.
    qint64 needed = m_bytes.size() + 3 * kStripBytes + 2 * 4 * area(shown);
    if (m_tga.isValid())
        return needed; // its pixels are read where they lie
    if (m_format == "jpeg") {
        // It shrinks by eighths, to less than an eighth over the shown size each way.
        const QSize decoded(qMin(m_size.width(), shown.width() + m_size.width() / 8 + 1),
                            qMin(m_size.height(), shown.height() + m_size.height() / 8 + 1));
        return needed + 4 * area(decoded) + progressiveCoefficients(m_bytes);
    }
    if (decodesShrunk())
        return needed + 4 * area(shown);
    // The whole picture at the decoder's depth: exact for Qt's PNG decoder, which says what it
    // makes; at least 32 bits for the others, and GIF keeps a second picture to draw frames on.
    const int depth = QImage::toPixelFormat(m_reader.imageFormat()).bitsPerPixel();
    const qint64 bits = m_format == "png" ? depth : m_format == "gif" ? 64 : qMax(depth, 32);
    return needed + area(m_size) * bits / 8;
}

bool ImageDecoder::decodesShrunk() const
{
    // Qt's JPEG decoder scales while it decodes, and so does its PNG decoder for 8-bit colour
    // without interlacing; the others make the whole picture first.
    if (m_format == "jpeg")
        return true;
    const QImage::Format format = m_reader.imageFormat();
    return m_format == "png" && (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32)
        && m_bytes.size() > 28 && m_bytes[28] == 0;
}

QImage ImageDecoder::shrink(const QImage &image, const QSize &room) const
{
    const QSize size = fitted(image.size(), room);
    const QImage::Format format
        = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.isNull() || (image.size() == size && image.format() == format))
        return image;
    // Scaling converts a picture to 32 or 64 bits first, whole: here only a strip at a time is.
    QImage shown(size, format);
    const int stripRows
        = int(qMax<qint64>(1, kStripBytes / (4 * image.width()) * size.height() / image.height()));
    for (int top = 0; top < size.height() && !shown.isNull(); top += stripRows) {
        if (m_stopped())
            return {};
        const int bottom = qMin(size.height(), top + stripRows);
        const int from = int(qint64(top) * image.height() / size.height());
        const int to = qMax(from + 1, int(qint64(bottom) * image.height() / size.height()));
        const QImage strip = image.copy(0, from, image.width(), to - from)
                                 .convertToFormat(format)
                                 .scaled(size.width(), bottom - top, Qt::IgnoreAspectRatio,
                                         Qt::SmoothTransformation);
        for (int y = top; y < bottom; ++y)
            std::memcpy(shown.scanLine(y), strip.constScanLine(y - top),
                        size_t(shown.bytesPerLine()));
    }
    return shown;
}
