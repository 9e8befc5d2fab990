#include "Extraction.h"

#include "EntryWriter.h"

#include <QItemSelection>

#include <algorithm>

Extraction::Extraction(const EntryTable &table, const QString &extractDir, EntryWriter &writer,
                       Progress progress)
    : m_table(table), m_extractDir(extractDir), m_writer(writer), m_progress(std::move(progress))
{ }

bool Extraction::extractRow(qint32 row)
{
    const EntryRecord entry = m_table.at(row);
    if (m_progress)
        m_progress(EntryWriter::outputPath(m_extractDir, entry.name));
    switch (entry.entryType) {
    case StoredEntry:
        return m_writer.writeStoredEntry(entry.offset, entry.unpackedSize, entry.name);
    case CompressedEntry:
        return m_writer.writeCompressedEntry(entry.offset, entry.packedSize, entry.unpackedSize,
                                             entry.name);
    case FolderEntry:
        return m_writer.writeFolderEntry(entry.name);
    default:
        return true; // passed over
    }
}

qint64 Extraction::extractAll()
{
    qint64 failed = 0;
    for (qint32 row = 0; row < m_table.filledRows(); ++row)
        failed += extractRow(row) ? 0 : 1;
    return failed;
}

qint64 Extraction::extractRows(const std::vector<qint32> &rows)
{
    qint64 failed = 0;
    for (qint32 row : rows)
        failed += extractRow(row) ? 0 : 1;
    return failed;
}

namespace {

// The selection's row ranges in ascending order with overlaps folded away.
std::vector<std::pair<qint64, qint64>> disjointRanges(const QItemSelection &selection)
{
    std::vector<std::pair<qint64, qint64>> ranges;
    ranges.reserve(size_t(selection.size()));
    for (const QItemSelectionRange &range : selection)
        if (range.isValid())
            ranges.emplace_back(range.top(), range.bottom());
    std::sort(ranges.begin(), ranges.end());

    std::vector<std::pair<qint64, qint64>> disjoint;
    for (const auto &[top, bottom] : ranges) {
        if (!disjoint.empty() && top <= disjoint.back().second + 1)
            disjoint.back().second = std::max(disjoint.back().second, bottom);
        else
            disjoint.emplace_back(top, bottom);
    }
    return disjoint;
}

} // namespace

std::vector<qint32> Extraction::selectedRows(const QItemSelection &selection)
{
    std::vector<qint32> rows;
    for (const auto &[top, bottom] : disjointRanges(selection))
        for (qint64 row = top; row <= bottom; ++row)
            rows.push_back(qint32(row));
    return rows;
}

qint64 Extraction::selectedCount(const QItemSelection &selection)
{
    qint64 count = 0;
    for (const auto &[top, bottom] : disjointRanges(selection))
        count += bottom - top + 1;
    return count;
}
