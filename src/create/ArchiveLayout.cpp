#include "ArchiveLayout.h"

#include <algorithm>

bool ArchiveLayout::refuse(const QString &reason, qint32 row, qint32 other)
{
    m_fault = { reason, row, other };
    return false;
}

bool ArchiveLayout::read(const EntryTable &table, qint32 entryCount, qint64 dirStart)
{
    const qint32 rows = table.filledRows();
    m_dirStart = dirStart;
    m_countExtra = entryCount - rows;
    m_blocks.clear();
    m_blockOf.assign(size_t(rows), -1);

    // Every range with bytes, sorted by where it lies: rows of one range end up side by side.
    struct Range
    {
        qint32 offset, size, row;
    };
    std::vector<Range> ranges;
    for (qint32 row = 0; row < rows; ++row) {
        if (!isFileEntry(table.entryType(row)))
            continue;
        const qint32 offset = table.offset(row);
        const qint32 size = table.dataSize(row);
        if (size < 0)
            return refuse(QStringLiteral("%1 has a negative size in the directory"), row);
        if (offset < 0 || qint64(offset) + size > dirStart)
            return refuse(QStringLiteral("the data of %1 lies outside the data area"), row);
        if (size > 0)
            ranges.push_back({ offset, size, row });
    }
    std::sort(ranges.begin(), ranges.end(), [](const Range &a, const Range &b) {
        return a.offset != b.offset ? a.offset < b.offset : a.size < b.size;
    });

    qint64 starts = 0; // every block's start, or-ed: its lowest bit is their common alignment
    for (size_t i = 0; i < ranges.size(); ++i) {
        const Range &r = ranges[i];
        if (!m_blocks.empty() && r.offset == m_blocks.back().start
            && r.size == m_blocks.back().size) {
            m_blockOf[size_t(r.row)] = qint32(m_blocks.size() - 1);
            continue;
        }
        if (!m_blocks.empty() && r.offset < m_blocks.back().start + m_blocks.back().size)
            return refuse(QStringLiteral("the data of %1 overlaps that of %2"), r.row,
                          ranges[i - 1].row);
        if (!m_blocks.empty())
            m_blocks.back().end = r.offset;
        m_blocks.push_back({ r.offset, r.size, dirStart });
        m_blockOf[size_t(r.row)] = qint32(m_blocks.size() - 1);
        starts |= r.offset;
    }
    const qint64 lowest = starts & -starts;
    m_alignment = starts == 0 || lowest < 16 ? 1 : qMin(lowest, kMaxAlignment);
    return true;
}

qint32 ArchiveLayout::blockAt(qint64 offset) const
{
    if (offset < headEnd() || offset >= m_dirStart)
        return -1;
    const auto it = std::upper_bound(
        m_blocks.begin(), m_blocks.end(), offset,
        [](qint64 value, const ArchiveLayout::Block &b) { return value < b.start; });
    return qint32(it - m_blocks.begin()) - 1;
}
