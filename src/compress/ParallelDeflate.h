#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Deflates pieces of zlib streams on worker threads and hands them back in the order they were
// given. A large stream is cut into pieces of a fixed size; each piece is raw deflate primed with
// the 32 KiB before it and ended on a byte boundary (the last one ends the stream), so the pieces
// joined behind one zlib header, with the pieces' Adler-32 sums combined behind them, are one
// zlib stream that a one-shot uncompress takes. What comes out depends only on the bytes and the
// level, never on the number of threads or on timing.
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
