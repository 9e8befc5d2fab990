#include "Extraction.h"

#include "EntryWriter.h"

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
