#pragma once

#include <QByteArray>
#include <QImage>

// An uncompressed TGA picture: true colour (type 2) or greyscale (type 3), with or without the
// 2.0 footer. Qt's TGA plugin reads only the first kind, and only with the footer. The format has
// no signature, so the header must describe exactly the bytes there are.
class TgaImage
{
public:
    // The picture in bytes, the first of fileSize; whole: bytes are all of it, so the footer can
    // be looked for too. Invalid when the bytes are not such a picture.
    static TgaImage parse(QByteArrayView bytes, qint64 fileSize, bool whole);

    bool isValid() const { return m_format != QImage::Format_Invalid; }
    QSize size() const { return m_size; }
    // The pixels where they lie in bytes, with no copy made: the image keeps a share of bytes.
    // See shown() for which way up. Null when bytes end before them.
    QImage pixels(const QByteArray &bytes) const;
    // The picture as it is meant to be seen from pixels, or from a copy of them shrunk.
    QImage shown(const QImage &pixels) const;

private:
    QSize m_size;
    QImage::Format m_format = QImage::Format_Invalid;
    qsizetype m_offset = 0;
    qint64 m_end = 0;
    bool m_bottomUp = false;
    bool m_rightToLeft = false;
};
