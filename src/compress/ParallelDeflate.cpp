#include "ParallelDeflate.h"

#include <zlib.h>

#include <csignal>
#include <new>
#include <pthread.h>

namespace {

Bytef *bytes(const QByteArray &array)
{
    return reinterpret_cast<Bytef *>(const_cast<char *>(array.constData()));
}

// One piece through a raw deflate stream kept from the last: reset, primed with the bytes before
// the piece, then flushed to a byte boundary or finished.
bool deflatePiece(z_stream &zs, ParallelDeflate::Piece &piece)
{
    if (deflateReset(&zs) != Z_OK)
        return false;
    if (!piece.dictionary.isEmpty()
        && deflateSetDictionary(&zs, bytes(piece.dictionary), uInt(piece.dictionary.size()))
            != Z_OK)
        return false;
    piece.adler = quint32(adler32_z(1, bytes(piece.input), z_size_t(piece.input.size())));
    try {
        // The bound is for a finished stream; the flush of an unfinished one adds a few bytes.
        piece.output.resize(qsizetype(deflateBound(&zs, uLong(piece.input.size()))) + 64);
        zs.next_in = bytes(piece.input);
        zs.avail_in = uInt(piece.input.size());
        qsizetype done = 0;
        for (;;) {
            zs.next_out = reinterpret_cast<Bytef *>(piece.output.data()) + done;
            zs.avail_out = uInt(piece.output.size() - done);
            const int code = ::deflate(&zs, piece.last ? Z_FINISH : Z_SYNC_FLUSH);
            done = piece.output.size() - zs.avail_out;
            if (code == Z_STREAM_END || (!piece.last && code == Z_OK && zs.avail_out > 0))
                break;
            if (code != Z_OK && code != Z_BUF_ERROR)
                return false;
            if (zs.avail_out == 0)
                piece.output.resize(piece.output.size() * 2);
        }
        piece.output.truncate(done);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

} // namespace

ParallelDeflate::ParallelDeflate(int level, int threads) : m_level(level)
{
    // The workers take no signals: the main thread alone stops the program and cleans up.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    for (int i = 0; i < qMax(threads, 1); ++i)
        m_workers.emplace_back([this] { work(); });
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

ParallelDeflate::~ParallelDeflate()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

void ParallelDeflate::submit(std::unique_ptr<Piece> piece)
{
    m_queuedBytes += piece->input.size();
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back({ std::move(piece), false });
    }
    m_wake.notify_one();
}

std::unique_ptr<ParallelDeflate::Piece> ParallelDeflate::take()
{
    std::unique_lock lock(m_mutex);
    if (m_queue.empty())
        return nullptr;
    m_done.wait(lock, [this] { return m_queue.front().done; });
    std::unique_ptr<Piece> piece = std::move(m_queue.front().piece);
    m_queue.pop_front();
    --m_started;
    m_queuedBytes -= piece->input.size();
    return piece;
}

void ParallelDeflate::work()
{
    z_stream zs {};
    const bool ready = deflateInit2(&zs, m_level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_started < qsizetype(m_queue.size()); });
        if (m_stop)
            break;
        // Slots further back may be added meanwhile; this one stays where it is until taken.
        Slot &slot = m_queue[size_t(m_started++)];
        lock.unlock();
        slot.piece->ok = ready && deflatePiece(zs, *slot.piece);
        lock.lock();
        slot.done = true;
        m_done.notify_all();
    }
    if (ready)
        deflateEnd(&zs);
}

QByteArray ParallelDeflate::zlibHeader(int level)
{
    // Deflate with a 32 KiB window, the level's class in two bits, and a check on the pair.
    const unsigned levelClass = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    unsigned header = ((Z_DEFLATED + ((15 - 8) << 4)) << 8) | (levelClass << 6);
    header += 31 - header % 31;
    const char bytes[] = { char(header >> 8), char(header & 0xff) };
    return QByteArray(bytes, 2);
}

QByteArray ParallelDeflate::zlibTrailer(quint32 adler)
{
    const char bytes[] = { char(adler >> 24), char(adler >> 16), char(adler >> 8), char(adler) };
    return QByteArray(bytes, 4);
}

quint32 ParallelDeflate::combine(quint32 a, quint32 b, qint64 sizeB)
{
    return quint32(adler32_combine(a, b, z_off_t(sizeB)));
}
