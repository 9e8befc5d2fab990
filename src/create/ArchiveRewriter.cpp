#include "ArchiveRewriter.h"

#include "ArchiveLayout.h"
#include "SourceTree.h"

#include "archive/ArchiveBuilder.h"
#include "archive/ArchiveFile.h"
#include "archive/EntryFailure.h"
#include "archive/EntryTable.h"
#include "fs/FileSystem.h"

#include <QtEndian>

#include <algorithm>
#include <cerrno>

namespace {

// Bytes the kernel cannot copy go through memory in pieces of this size.
constexpr qint64 kCopyPiece = 1 << 20;

QString pastTheLimit()
{
    return QStringLiteral("the archive would pass 2 GiB, the most it can hold");
}

} // namespace

ArchiveRewriter::ArchiveRewriter(FileSystem &fs, int out, int level, int threads, Reporter reporter)
    : m_fs(fs)
    , m_out(fs, out)
    , m_packer(fs, m_out, level, threads)
    , m_report(std::move(reporter))
    , m_ahead(fs)
{ }

bool ArchiveRewriter::fail(const QString &error)
{
    if (m_error.isEmpty())
        m_error = error;
    return false;
}

bool ArchiveRewriter::copy(qint64 from, qint64 size)
{
    if (size <= 0)
        return true;
    if (m_copySize > 0 && from == m_copyFrom + m_copySize) {
        m_copySize += size;
        return true;
    }
    if (!flushCopy())
        return false;
    m_copyFrom = from;
    m_copySize = size;
    return true;
}

bool ArchiveRewriter::flushCopy()
{
    // Inside the kernel where it can (sharing the blocks where the file system can); through
    // memory where it cannot, which also tells a read from a write error.
    while (m_copySize > 0) {
        const qint64 n = m_out.copyFrom(m_archive->handle(), m_copyFrom, m_copySize);
        if (n <= 0)
            break;
        m_copyFrom += n;
        m_copySize -= n;
    }
    QByteArray piece;
    while (m_copySize > 0) {
        piece.resize(qMin(m_copySize, kCopyPiece));
        if (!m_archive->readFully(piece.data(), piece.size(), m_copyFrom))
            return fail(errno == 0 ? QStringLiteral("the archive shrank while being read")
                                   : EntryFailure::systemText(errno));
        if (!m_out.write(piece))
            return fail(EntryFailure::systemText(errno));
        m_copyFrom += piece.size();
        m_copySize -= piece.size();
    }
    return position() <= ArchiveBuilder::kMaxSize || fail(pastTheLimit());
}

bool ArchiveRewriter::pad()
{
    const qint64 align = m_layout->alignment();
    const qint64 zeros = (align - position() % align) % align;
    return zeros == 0 || (flushCopy() && m_out.write(QByteArray(zeros, '\0')))
        || fail(EntryFailure::systemText(errno));
}

bool ArchiveRewriter::write(const ArchiveFile &archive, const EntryTable &table,
                            const ArchiveLayout &layout, const ArchiveChanges &changes,
                            SourceTree *tree)
{
    m_archive = &archive;
    m_table = &table;
    m_layout = &layout;
    m_tree = tree;
    const auto removed
        = [&](qint32 row) { return !changes.removed.empty() && changes.removed[size_t(row)]; };

    // The block whose old bytes a row that stays keeps: its own, or for an entry of another
    // type the one its offset points into; -1 for none.
    const auto keeps = [&](qint32 row) {
        const qint32 type = table.entryType(row);
        return removed(row)                            ? -1
            : isFileEntry(type) || type == FolderEntry ? layout.blockOf(row)
                                                       : layout.blockAt(table.offset(row));
    };
    // The users of each block that keep its old bytes.
    const std::vector<ArchiveLayout::Block> &blocks = layout.blocks();
    std::vector<qint32> kept(blocks.size(), 0);
    auto replaced = changes.replaced.begin();
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        const bool replacing = replaced != changes.replaced.end() && replaced->first == row;
        if (replacing)
            m_replacements.push_back(
                { row, (replaced++)->second, layout.blockOf(row), false, 0, {} });
        else if (const qint32 block = keeps(row); block >= 0)
            ++kept[size_t(block)];
    }
    std::stable_sort(m_replacements.begin(), m_replacements.end(),
                     [](const Replacement &a, const Replacement &b) {
                         return quint32(a.block) < quint32(b.block); // none (-1) last
                     });

    readAhead(0);
    if (!copy(0, layout.headEnd()) || !writeBlocks(kept))
        return false;
    m_dataEnd = position();
    for (Replacement &r : m_replacements)
        if (r.block < 0 && (!pad() || !replace(r)))
            return false;
    for (const qsizetype item : changes.added)
        if (!add(item))
            return false;
    // A directory that started on the alignment still does.
    if (layout.alignment() > 1 && layout.dirStart() % layout.alignment() == 0 && !pad())
        return false;
    return writeDirectory(changes) && (m_out.flush() || fail(EntryFailure::systemText(errno)));
}

bool ArchiveRewriter::writeBlocks(const std::vector<qint32> &kept)
{
    const std::vector<ArchiveLayout::Block> &blocks = m_layout->blocks();
    m_at.assign(blocks.size(), -1);
    m_written.assign(blocks.size(), { 0, 0 });
    auto r = m_replacements.begin();
    for (size_t b = 0; b < blocks.size(); ++b) {
        const ArchiveLayout::Block &block = blocks[b];
        const auto first = r;
        while (r != m_replacements.end() && r->block == qint32(b))
            ++r;
        if ((kept[b] > 0 || first != r) && !pad())
            return false;
        const qint64 start = position();
        if (kept[b] > 0) { // the old bytes and their tail, as they were
            m_at[b] = start;
            if (!copy(block.start, block.end - block.start))
                return false;
        }
        for (auto it = first; it != r; ++it) {
            if (it != first || kept[b] > 0) {
                if (!pad() || !replace(*it))
                    return false;
                continue;
            }
            // The new bytes in the old ones' place, then the tail; where the blocks are
            // aligned, the next one's padding takes the tail's place.
            if (!replace(*it)
                || (m_layout->alignment() == 1
                    && !copy(block.start + block.size, block.end - block.start - block.size)))
                return false;
        }
        m_written[b] = { start, position() - start };
    }
    return true;
}

void ArchiveRewriter::readAhead(size_t index)
{
    if (index >= m_replacements.size()
        || m_table->entryType(m_replacements[index].row) != CompressedEntry)
        return;
    QString why;
    m_aheadItem = m_replacements[index].item;
    m_ahead.reset(m_tree->open(m_aheadItem, why));
    if (m_ahead.fd() >= 0)
        m_packer.readAhead(m_ahead.fd(), FilePacker::Form::Compressed);
}

bool ArchiveRewriter::replace(Replacement &r)
{
    const qint32 type = m_table->entryType(r.row);
    QString why;
    const bool packed = pack(
        r.item, type == CompressedEntry ? FilePacker::Form::Compressed : FilePacker::Form::Stored,
        r.offset, r.packed, why);
    readAhead(size_t(&r - m_replacements.data()) + 1);
    if (packed) {
        r.done = true;
        m_replacedRows.push_back(r.row);
        return true;
    }
    if (why.isEmpty())
        return false;
    m_report(m_tree->path(r.item), why + QStringLiteral(", not replaced"));
    // The entry stays as it was: its old bytes must be in the new archive.
    if (r.block < 0 || m_at[size_t(r.block)] >= 0)
        return true;
    const ArchiveLayout::Block &block = m_layout->blocks()[size_t(r.block)];
    if (!pad())
        return false;
    m_at[size_t(r.block)] = position();
    return copy(block.start, block.size);
}

bool ArchiveRewriter::add(qsizetype item)
{
    Added added { item, position(), { FolderEntry, 0, 0 } };
    if (!m_tree->isFolder(item)) {
        QString why;
        if (!pad())
            return false;
        if (!pack(item, FilePacker::Form::Smaller, added.offset, added.packed, why)) {
            if (why.isEmpty())
                return false;
            m_report(m_tree->path(item), why + QStringLiteral(", not added"));
            return true;
        }
    }
    m_added.push_back(added);
    m_addedItems.push_back(item);
    return true;
}

bool ArchiveRewriter::pack(qsizetype item, FilePacker::Form form, qint64 &offset,
                           FilePacker::Packed &packed, QString &why)
{
    if (!flushCopy())
        return false;
    FileSystem::Descriptor file(m_fs);
    if (item == std::exchange(m_aheadItem, -1) && m_ahead.fd() >= 0)
        file.reset(m_ahead.release()); // its reading began before
    else
        file.reset(m_tree->open(item, why));
    if (file.fd() < 0) {
        if (why.isEmpty()) // the archive itself, never read
            why = QStringLiteral("the archive itself");
        return false;
    }
    offset = position();
    if (m_packer.pack(file.fd(), form, packed, why))
        return position() <= ArchiveBuilder::kMaxSize || fail(pastTheLimit());
    if (why.isEmpty())
        fail(m_packer.errorString());
    return false;
}

qint64 ArchiveRewriter::moved(qint64 old) const
{
    // The head, each block with its tail, and the directory's start, by where they began.
    const std::vector<ArchiveLayout::Block> &blocks = m_layout->blocks();
    if (old >= m_layout->dirStart())
        return m_dataEnd;
    const qint32 b = m_layout->blockAt(old);
    if (b < 0)
        return old;
    return m_written[size_t(b)].first
        + qMin(old - blocks[size_t(b)].start, m_written[size_t(b)].second);
}

bool ArchiveRewriter::writeDirectory(const ArchiveChanges &changes)
{
    const EntryTable &table = *m_table;
    qint64 records = 0, bytes = 8 + table.trailingBytes().size();
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        if (changes.removed.empty() || !changes.removed[size_t(row)]) {
            ++records;
            bytes += table.record(row).size();
        }
    }
    for (const Added &a : m_added) {
        ++records;
        bytes += ArchiveBuilder::recordSize(m_tree->name(a.item).size());
    }
    if (position() + bytes > ArchiveBuilder::kMaxSize)
        return fail(pastTheLimit());

    if (!flushCopy())
        return false;
    QByteArray out;
    ArchiveBuilder::appendInt32(out, qint32(records + m_layout->countExtra()));
    std::sort(m_replacements.begin(), m_replacements.end(),
              [](const Replacement &a, const Replacement &b) { return a.row < b.row; });
    auto r = m_replacements.begin();
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        const QByteArrayView record = table.record(row);
        while (r != m_replacements.end() && r->row < row)
            ++r;
        if (!changes.removed.empty() && changes.removed[size_t(row)])
            continue;
        const qint32 block = m_layout->blockOf(row);
        const qint32 offset = table.offset(row);
        // A record without bytes of its own (a folder, an empty file) points at a place in
        // the data all the same: it moves with the bytes around it.
        const bool place = block < 0 && offset >= 0 && offset <= m_layout->dirStart();
        if (r != m_replacements.end() && r->row == row && r->done) {
            // A stored entry's packed size follows the convention the record had.
            const qint32 oldPacked = qFromLittleEndian<qint32>(record.data() + record.size() - 8);
            const qint32 packed = r->packed.type == CompressedEntry
                    || oldPacked == qFromLittleEndian<qint32>(record.data() + record.size() - 12)
                ? qint32(r->packed.packed)
                : oldPacked;
            out.append(record.first(record.size() - 12));
            ArchiveBuilder::appendInt32(out, qint32(r->packed.size));
            ArchiveBuilder::appendInt32(out, packed);
            ArchiveBuilder::appendInt32(out, qint32(r->offset));
        } else if (block >= 0 || place) {
            out.append(record.first(record.size() - 4));
            ArchiveBuilder::appendInt32(out,
                                        qint32(block >= 0 ? m_at[size_t(block)] : moved(offset)));
        } else {
            out.append(record);
        }
        if (out.size() >= kCopyPiece && !m_out.write(std::exchange(out, {})))
            return fail(EntryFailure::systemText(errno));
    }
    for (const Added &a : m_added) {
        const QByteArray name = m_tree->name(a.item);
        ArchiveBuilder::appendRecord(out, qint32(name.size() + 1), name, 0, 0, a.packed.type,
                                     qint32(a.packed.size), qint32(a.packed.packed),
                                     qint32(a.offset));
    }
    out.append(table.trailingBytes());
    ArchiveBuilder::appendInt32(out, qint32(bytes));
    return m_out.write(out) || fail(EntryFailure::systemText(errno));
}
