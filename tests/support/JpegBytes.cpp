#include "JpegBytes.h"

#include <QStringBuilder>

#include <initializer_list>
#include <utility>

namespace {

// Entropy-coded bits, most significant first, with the stuffed zero after each 0xff byte.
class BitWriter
{
public:
    void put(quint32 bits, int count)
    {
        while (count-- > 0) {
            m_byte = quint8(m_byte << 1 | (bits >> count & 1));
            if (++m_used == 8)
                flush();
        }
    }

    // Pads the last byte with ones, as the format asks.
    QByteArray take()
    {
        if (m_used > 0)
            put(0xff, 8 - m_used);
        return std::exchange(m_bytes, {});
    }

private:
    void flush()
    {
        m_bytes += char(m_byte);
        if (m_byte == 0xff)
            m_bytes += '\0';
        m_byte = 0;
        m_used = 0;
    }

    QByteArray m_bytes;
    quint8 m_byte = 0;
    int m_used = 0;
};

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out += char(v);
    return out;
}

QByteArray segment(quint8 marker, const QByteArray &body)
{
    const int length = int(body.size()) + 2;
    return bytes({ 0xff, marker, length >> 8, length & 0xff }) + body;
}

QByteArray scanHeader(quint8 first, quint8 last)
{
    // One component, tables 0 and 0, no successive approximation.
    return segment(0xda, bytes({ 1, 1, 0, first, last, 0 }));
}

} // namespace

QByteArray progressiveJpegBytes(quint16 width, quint16 height, int acScans)
{
    const qint64 blocks = qint64((width + 7) / 8) * ((height + 7) / 8);
    QByteArray out("\xff\xd8", 2);
    out += segment(0xdb, QByteArray(1, '\0') + QByteArray(64, '\1'));
    out += segment(
        0xc2, bytes({ 8, height >> 8, height & 0xff, width >> 8, width & 0xff, 1, 1, 0x11, 0 }));
    // DC: one code, '0', for "no difference". AC: the 15 end-of-band runs, 4 bits each.
    const QByteArray dc = bytes({ 0x00, 1 }) + QByteArray(15, '\0') + QByteArray(1, '\0');
    QByteArray ac = bytes({ 0x10, 0, 0, 0, 15 }) + QByteArray(12, '\0');
    for (int r = 0; r < 15; ++r)
        ac += char(r << 4);
    out += segment(0xc4, dc) + segment(0xc4, ac);

    BitWriter dcBits;
    for (qint64 i = 0; i < blocks; ++i)
        dcBits.put(0, 1);
    out += scanHeader(0, 0) + dcBits.take();

    // Every block of coefficient 1 is empty: runs of 2^r + r extra bits, at most 32,767 each.
    BitWriter acBits;
    for (qint64 left = blocks; left > 0;) {
        const qint64 run = qMin<qint64>(left, 32767);
        int r = 0;
        while ((qint64(2) << r) <= run)
            ++r;
        acBits.put(quint32(r), 4);
        acBits.put(quint32(run - (qint64(1) << r)), r);
        left -= run;
    }
    const QByteArray acScan = scanHeader(1, 1) + acBits.take();
    out.reserve(out.size() + acScans * acScan.size() + 2);
    for (int i = 0; i < acScans; ++i)
        out += acScan;
    return out + QByteArray("\xff\xd9", 2);
}
