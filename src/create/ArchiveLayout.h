#pragma once

#include "archive/EntryTable.h"

#include <QString>
#include <QtGlobal>

#include <vector>

// How an existing archive lays out its entries' data, as update and delete must keep it.
//
// The data area is the file from its first byte up to the directory start D (the count field):
// the part no record describes and no reader parses. The bytes of every stored or compressed
// entry, offset to offset + size (the packed size of a compressed one), must lie inside it.
// Records that point elsewhere, before the file, into the directory or past the end, make the
// archive one these commands refuse. Entries whose bytes are the same range share one data
// block; ranges that overlap in any other way are refused too, as nothing written over one
// could leave the other intact.
//
// The blocks, in the order of their offsets, cut the data area into the head (the bytes before
// the first block) and, per block, its bytes and its tail: whatever lies between its end and the
// next block's start, or the directory (padding, gaps, data no record names). Folders have no
// data here; a file entry of no bytes is only a position in the data area, which must lie inside
// it as well. An entry of another type has no size anyone knows, but its offset may name bytes
// all the same: the block whose bytes or tail hold it is kept as it was, wherever it goes.
class ArchiveLayout
{
public:
    struct Block
    {
        qint64 start = 0;
        qint64 size = 0;
        qint64 end = 0; // where its tail ends: the next block's start, or the directory's
    };

    // Why the archive is refused: reason holds %1 for the name of row and %2 for that of other.
    struct Fault
    {
        QString reason;
        qint32 row = -1;
        qint32 other = -1;
    };

    // The largest alignment taken for one: a larger common power of two is a coincidence of
    // sizes, and padding to it would only waste room.
    static constexpr qint64 kMaxAlignment = 64 * 1024;

    // False, with fault() set, for an archive that cannot be rewritten safely.
    bool read(const EntryTable &table, qint32 entryCount, qint64 dirStart);
    const Fault &fault() const { return m_fault; }

    const std::vector<Block> &blocks() const { return m_blocks; }
    // The block holding the data of row, or -1 when it has no bytes of its own.
    qint32 blockOf(qint32 row) const { return m_blockOf[size_t(row)]; }
    // The block whose bytes or tail hold offset, or -1 for the head and outside the data area.
    qint32 blockAt(qint64 offset) const;
    qint64 headEnd() const { return m_blocks.empty() ? m_dirStart : m_blocks.front().start; }
    qint64 dirStart() const { return m_dirStart; }
    // The power of two (16 or more) every block starts on a multiple of, or 1.
    qint64 alignment() const { return m_alignment; }
    // What the count field adds to the number of records: 1 or 0, both conventions exist.
    qint32 countExtra() const { return m_countExtra; }

private:
    bool refuse(const QString &reason, qint32 row, qint32 other = -1);

    std::vector<Block> m_blocks;
    std::vector<qint32> m_blockOf; // by row
    qint64 m_dirStart = 0;
    qint64 m_alignment = 1;
    qint32 m_countExtra = 0;
    Fault m_fault;
};
