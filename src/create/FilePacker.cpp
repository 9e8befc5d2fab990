#include "FilePacker.h"

#include "archive/ArchiveFile.h"
#include "archive/EntryFailure.h"
#include "compress/PackwellCore.h"
#include "compress/ParallelDeflate.h"
#include "fs/FileSystem.h"

#include <cerrno>
#include <new>

namespace {

// Files of this size or more are left out: no 32-bit size reaches it.
constexpr qint64 kFileLimit = qint64(1) << 31;
// Read and deflated ahead of its place at most: as much as memory may hold for it.
constexpr qint64 kAhead = qint64(8) << 20;

QString sizeChanged()
{
    return QStringLiteral("changed size while being read");
}

} // namespace

FilePacker::FilePacker(FileSystem &fs, ArchiveOutput &out, int level, int threads)
    : m_fs(fs), m_out(out), m_level(level), m_threads(qMax(threads, 1))
{ }

FilePacker::~FilePacker() = default;

bool FilePacker::fail(const QString &error)
{
    if (m_error.isEmpty())
        m_error = error;
    return false;
}

bool FilePacker::write(const QByteArray &bytes)
{
    return m_error.isEmpty() && (m_out.write(bytes) || fail(EntryFailure::systemText(errno)));
}

void FilePacker::dropQueued()
{
    while (m_deflate && m_deflate->queued() > 0)
        m_deflate->take();
}

bool FilePacker::start(int fd, Form form)
{
    dropQueued(); // read ahead for a file not packed after all
    m_fd = fd;
    m_why.clear();
    m_next = 0;
    m_tail.clear();
    FileSystem::Info info;
    if (!m_fs.info(fd, info)) {
        m_why = EntryFailure::systemText(errno);
        return false;
    }
    m_size = info.size;
    m_mtime = info.modified;
    if (m_size >= kFileLimit) {
        m_why = QStringLiteral("file of 2 GiB or more");
        return false;
    }
    m_deflating = form == Form::Compressed
        || (form == Form::Smaller && m_level > 0 && m_size > 0
            && m_size <= PackwellCore::kMaxOriginalSize);
    // A file of no bytes is one empty piece: the stream still needs its final block.
    m_pieces
        = qMax<qint64>(1, (m_size + ParallelDeflate::kPieceSize - 1) / ParallelDeflate::kPieceSize);
    if (m_deflating && !m_deflate)
        m_deflate = std::make_unique<ParallelDeflate>(m_level, m_threads);
    return true;
}

void FilePacker::readAhead(int fd, Form form)
{
    if (m_error.isEmpty() && form == Form::Compressed && start(fd, form))
        submit(kAhead);
}

bool FilePacker::pack(int fd, Form form, Packed &result, QString &why)
{
    const bool ahead = fd == m_fd && m_next > 0;
    if (!ahead)
        start(fd, form);
    why = m_why;
    if (!m_error.isEmpty() || !why.isEmpty()) {
        dropQueued(); // read ahead, never to be written
        m_fd = -1;
        return false;
    }
    result = { StoredEntry, m_size, 0 };
    const qint64 begin = m_out.position();
    bool done = m_deflating ? deflate(result, why) : store(result, why);
    if (done && m_deflating && form == Form::Smaller && result.packed >= m_size) {
        // Deflating did not make it smaller: the file's bytes as they are instead.
        done = m_out.rewind(begin) ? store(result, why) : fail(EntryFailure::systemText(errno));
    }
    if (done)
        why = changed();
    m_fd = -1;
    if (why.isEmpty())
        return done;
    if (!m_out.rewind(begin))
        fail(EntryFailure::systemText(errno));
    return false;
}

bool FilePacker::readFully(char *data, qint64 size, qint64 pos, QString &why)
{
    if (ArchiveFile::readFully(m_fd, data, size, pos))
        return true;
    why = errno == 0 ? sizeChanged() : EntryFailure::systemText(errno);
    return false;
}

QString FilePacker::changed() const
{
    char byte;
    const qint64 n = ArchiveFile::readAt(m_fd, &byte, 1, m_size);
    FileSystem::Info info;
    if (n < 0 || !m_fs.info(m_fd, info))
        return EntryFailure::systemText(errno);
    if (n > 0 || info.size != m_size)
        return sizeChanged();
    if (info.modified.tv_sec != m_mtime.tv_sec || info.modified.tv_nsec != m_mtime.tv_nsec)
        return QStringLiteral("changed while being read");
    return {};
}

bool FilePacker::store(Packed &result, QString &why)
{
    result = { StoredEntry, m_size, m_size };
    // Inside the kernel where it can; through memory where it cannot, or where it failed and
    // the plain calls tell a read from a write error.
    qint64 done = 0;
    while (done < m_size) {
        const qint64 n = m_out.copyFrom(m_fd, done, m_size - done);
        if (n <= 0)
            break;
        done += n;
    }
    QByteArray piece;
    while (done < m_size) {
        piece.resize(qMin(ParallelDeflate::kPieceSize, m_size - done));
        if (!readFully(piece.data(), piece.size(), done, why))
            return false;
        if (!write(piece))
            return false;
        done += piece.size();
    }
    return true;
}

bool FilePacker::takeOne(Packed &result, quint32 &adler)
{
    const std::unique_ptr<ParallelDeflate::Piece> piece = m_deflate->take();
    if (!piece->ok)
        return fail(QStringLiteral("out of memory"));
    adler = ParallelDeflate::combine(adler, piece->adler, piece->input.size());
    result.packed += piece->output.size();
    return write(piece->output);
}

void FilePacker::submit(qint64 bytes)
{
    for (; m_next < m_pieces && m_why.isEmpty() && m_deflate->queuedBytes() < bytes; ++m_next) {
        const qint64 pos = m_next * ParallelDeflate::kPieceSize;
        auto piece = std::make_unique<ParallelDeflate::Piece>();
        try {
            piece->input.resize(qMin(ParallelDeflate::kPieceSize, m_size - pos));
        } catch (const std::bad_alloc &) {
            fail(QStringLiteral("out of memory"));
            return;
        }
        if (!readFully(piece->input.data(), piece->input.size(), pos, m_why))
            return;
        // Primed with the window before it, each piece deflates as well as one long stream.
        piece->dictionary = m_tail;
        piece->last = m_next + 1 == m_pieces;
        if (!piece->last)
            m_tail = piece->input.right(ParallelDeflate::kWindow);
        m_deflate->submit(std::move(piece));
    }
}

bool FilePacker::drain(Packed &result, quint32 &adler)
{
    bool ok = true;
    while (m_deflate && m_deflate->queued() > 0)
        ok = takeOne(result, adler) && ok;
    return ok;
}

bool FilePacker::deflate(Packed &result, QString &why)
{
    result = { CompressedEntry, m_size, 0 };
    const QByteArray header = ParallelDeflate::zlibHeader(m_level);
    result.packed = header.size();
    quint32 adler = 1;
    bool ok = write(header);
    const qint64 queued = (2 * qint64(m_threads) + 2) * ParallelDeflate::kPieceSize;
    while (ok && m_why.isEmpty() && m_error.isEmpty() && m_next < m_pieces) {
        while (ok && m_deflate->queuedBytes() >= queued)
            ok = takeOne(result, adler);
        submit(queued);
    }
    ok = drain(result, adler) && ok && m_error.isEmpty();
    why = m_why;
    if (!ok || !why.isEmpty())
        return false;
    result.packed += 4;
    return write(ParallelDeflate::zlibTrailer(adler));
}
