#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Deflates large files on several threads into one zlib stream, the same bytes whatever the
// number of threads. The design, as in pigz:
//   - A file is cut into pieces of a fixed size (kPieceSize), so where it is cut depends only on
//     its length.
//   - Each piece is deflated as raw deflate on its own, primed with the 32 KiB before it as a
//     dictionary, so it compresses as well as one long stream would.
//   - A piece ends with Z_SYNC_FLUSH, on a byte boundary with an empty stored block; the last
//     one with Z_FINISH. Pieces so ended can simply be joined.
//   - The pieces are handed back in the order they were given and written behind one zlib
//     header (zlibHeader); each piece's Adler-32 is combined with the sum so far
//     (adler32_combine) and the result closes the stream (zlibTrailer).
//   - A piece's output depends only on its bytes, its dictionary and the level, never on which
//     thread ran it or when: so -j cannot change the archive.
class ParallelDeflate
{
public:
    // Small enough to keep every thread busy on a file of a few MiB, large enough that the
    // byte-boundary flush between pieces costs nothing worth measuring.
    static constexpr qint64 kPieceSize = 128 * 1024;
    static constexpr qint64 kWindow = 32 * 1024;

    struct Piece
    {
        QByteArray input;
        QByteArray dictionary; // the up to 32 KiB before input in its stream
        bool last = true; // ends the stream; otherwise ends on a byte boundary
        // Filled in by deflate().
        QByteArray output; // raw deflate
        quint32 adler = 1; // of input
        bool ok = false; // false: zlib ran out of memory
    };

    // level 1 to 9; at least one thread.
    ParallelDeflate(int level, int threads);
    ~ParallelDeflate();
    ParallelDeflate(const ParallelDeflate &) = delete;
    ParallelDeflate &operator=(const ParallelDeflate &) = delete;

    // Queues a piece; never waits.
    void submit(std::unique_ptr<Piece> piece);
    // The oldest piece not yet taken, once it is deflated; null when none is queued.
    std::unique_ptr<Piece> take();
    // Pieces queued and not yet taken, and their input bytes.
    qsizetype queued() const { return qsizetype(m_queue.size()); }
    qint64 queuedBytes() const { return m_queuedBytes; }

    // The two bytes that open a zlib stream deflated at level, as zlib itself writes them.
    static QByteArray zlibHeader(int level);
    // The stream's trailer: the Adler-32 sum, most significant byte first.
    static QByteArray zlibTrailer(quint32 adler);
    // Sum of a and b's data joined, b's data being sizeB bytes.
    static quint32 combine(quint32 a, quint32 b, qint64 sizeB);

private:
    struct Slot
    {
        std::unique_ptr<Piece> piece;
        bool done = false;
    };

    void work();

    const int m_level;
    std::vector<std::thread> m_workers;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // a piece to deflate, or stop
    std::condition_variable m_done; // a piece deflated
    std::deque<Slot> m_queue; // oldest first
    qsizetype m_started = 0; // slots of m_queue given to a worker
    qint64 m_queuedBytes = 0;
    bool m_stop = false;
};
