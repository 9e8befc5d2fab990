#include "TextRows.h"

TextRows::TextRows(QByteArrayView bytes, bool utf8) : m_utf8(utf8)
{
    // The last line's feed starts no row of its own; empty text is one empty row.
    for (qsizetype start = 0;;) {
        if (m_count % kStride == 0)
            m_marks.push_back(qint32(start));
        ++m_count;
        start = nextRow(bytes, start);
        if (start >= bytes.size())
            break;
    }
    m_marks.shrink_to_fit();
}

std::pair<qsizetype, qsizetype> TextRows::span(QByteArrayView bytes, int row) const
{
    qsizetype start = m_marks[size_t(row / kStride)];
    for (int skip = row % kStride; skip > 0; --skip)
        start = nextRow(bytes, start);
    qsizetype end = nextRow(bytes, start);
    while (end > start && (bytes[end - 1] == '\n' || bytes[end - 1] == '\r'))
        --end;
    return { start, end };
}

qsizetype TextRows::nextRow(QByteArrayView bytes, qsizetype start) const
{
    int column = 0;
    for (qsizetype i = start; i < bytes.size(); ++i) {
        const uchar c = uchar(bytes[i]);
        if (c == '\n')
            return i + 1;
        const int width = c == '\t'        ? kTabWidth - column % kTabWidth
            : m_utf8 && (c & 0xc0) == 0x80 ? 0
                                           : 1;
        if (column > 0 && column + width > kColumns)
            return i;
        column += width;
    }
    return bytes.size();
}
