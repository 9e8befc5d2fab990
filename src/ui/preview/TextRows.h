#pragma once

#include <QByteArrayView>

#include <utility>
#include <vector>

// Where the viewer's text rows start: a row ends at a line feed, or before the character that
// would pass kColumns. Only every kStride-th start is kept and the rows between are found again
// when asked for, so 16 MiB of line feeds take 1 MiB here, not a number per line.
class TextRows
{
public:
    static constexpr int kColumns = 100;
    static constexpr int kTabWidth = 8;

    TextRows() = default;
    // One pass over bytes; utf8: continuation bytes take no column, so no row splits a character.
    TextRows(QByteArrayView bytes, bool utf8);

    int count() const { return m_count; }
    // Where row starts in bytes and where it ends, its line break left out.
    std::pair<qsizetype, qsizetype> span(QByteArrayView bytes, int row) const;

private:
    static constexpr int kStride = 64;

    qsizetype nextRow(QByteArrayView bytes, qsizetype start) const;

    std::vector<qint32> m_marks; // the start of rows 0, kStride, 2 * kStride...
    int m_count = 0;
    bool m_utf8 = true;
};
