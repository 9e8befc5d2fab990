#pragma once

#include "ArchiveOutput.h"
#include "FilePacker.h"

#include "fs/FileSystem.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class ArchiveFile;
class ArchiveLayout;
class EntryTable;
class SourceTree;

// What update or delete changes in an archive.
struct ArchiveChanges
{
    std::vector<bool> removed; // by row; empty when none is
    std::vector<std::pair<qint32, qsizetype>> replaced; // row and the file's item, by row
    std::vector<qsizetype> added; // the tree's items, in its order
};

// Writes an existing archive anew with some entries removed, replaced or added, keeping all
// else as the program that owns the archive wrote it (its ArchiveLayout):
//   - The head and every block still in use are copied inside the kernel, never inflated, with
//     the tail after each (padding, gaps), in their old order; records that shared a block
//     still share it. Removed blocks go with their tails.
//   - A replaced entry's new bytes take its block's place, unless another record still uses
//     the old bytes: then they follow them. Added entries follow all the old data, in the
//     tree's order, and so do the new bytes of an entry that had none.
//   - Where every block started on a multiple of the layout's alignment, every block written
//     or moved does too, after zero bytes; so does the directory if it did.
//   - The records keep their order and every byte but the offset (and, for a replaced entry,
//     its sizes); added records follow them. The offset of a record without bytes of its own
//     (a folder, an empty file) moves with the data around the place it names. The count field
//     keeps the archive's convention and the bytes between the records and the footer are kept.
// A file that cannot be read now is reported and its entry kept as it was (or not added).
class ArchiveRewriter
{
public:
    // path: below the tree's root.
    using Reporter = std::function<void(const QByteArray &path, const QString &reason)>;

    // out: an empty file open for writing.
    ArchiveRewriter(FileSystem &fs, int out, int level, int threads, Reporter reporter);

    // Writes the new archive; false when it cannot be written, errorString() says why. tree
    // holds the files of the changes, and may be null when nothing is replaced or added.
    bool write(const ArchiveFile &archive, const EntryTable &table, const ArchiveLayout &layout,
               const ArchiveChanges &changes, SourceTree *tree);
    QString errorString() const { return m_error; }

    // What was done: the rows replaced, and the items added.
    const std::vector<qint32> &replacedRows() const { return m_replacedRows; }
    const std::vector<qsizetype> &addedItems() const { return m_addedItems; }

private:
    struct Replacement
    {
        qint32 row;
        qsizetype item;
        qint32 block;
        bool done = false;
        qint64 offset = 0;
        FilePacker::Packed packed;
    };
    struct Added
    {
        qsizetype item;
        qint64 offset;
        FilePacker::Packed packed;
    };

    bool fail(const QString &error);
    qint64 position() const { return m_out.position() + m_copySize; }
    // Copies bytes of the old archive, joined to the copy before them where they follow it.
    bool copy(qint64 from, qint64 size);
    bool flushCopy();
    bool pad();
    bool writeBlocks(const std::vector<qint32> &kept);
    // Writes a replacement's file, or, when it cannot be read, makes sure its old bytes are
    // there for it.
    bool replace(Replacement &r);
    bool add(qsizetype item);
    // Starts deflating the file of the replacement at index, when it is a compressed entry's,
    // while the bytes before its place are copied.
    void readAhead(size_t index);
    // Packs the file of item at the position; false with why set for the file, empty for the
    // archive.
    bool pack(qsizetype item, FilePacker::Form form, qint64 &offset, FilePacker::Packed &packed,
              QString &why);
    bool writeDirectory(const ArchiveChanges &changes);
    // Where a position of the old data area lies in the new one.
    qint64 moved(qint64 old) const;

    FileSystem &m_fs;
    ArchiveOutput m_out;
    FilePacker m_packer;
    Reporter m_report;
    QString m_error;
    const ArchiveFile *m_archive = nullptr;
    const EntryTable *m_table = nullptr;
    const ArchiveLayout *m_layout = nullptr;
    SourceTree *m_tree = nullptr;
    qint64 m_copyFrom = 0, m_copySize = 0; // the copy not yet made
    // Per block: where its old bytes are in the new archive (-1: not there), and where the
    // bytes written for it and its tail begin and how many there are.
    std::vector<qint64> m_at;
    std::vector<std::pair<qint64, qint64>> m_written;
    qint64 m_dataEnd = 0; // where the old data ended in the new archive
    std::vector<Replacement> m_replacements; // in the order they are written
    FileSystem::Descriptor m_ahead; // the file read ahead, and its item
    qsizetype m_aheadItem = -1;
    std::vector<Added> m_added;
    std::vector<qint32> m_replacedRows;
    std::vector<qsizetype> m_addedItems;
};
