#include "EntryPacker.h"

#include "SourceTree.h"
#include "archive/ArchiveFile.h"
#include "archive/EntryFailure.h"
#include "archive/EntryRecord.h"
#include "compress/PackwellCore.h"
#include "fs/FileSystem.h"

#include <cerrno>
#include <new>

namespace {

constexpr qint64 k2GiB = qint64(1) << 31;
// Files kept open at once for the bytes they may still have to give.
constexpr qsizetype kMaxOpenFiles = 64;

QString tooLarge()
{
    return QStringLiteral("the archive would pass 2 GiB, the most it can hold");
}

QString changedSize()
{
    return QStringLiteral("changed size while being read, not added");
}

} // namespace

EntryPacker::EntryPacker(int out, int level, int threads, FileSystem &fs, Reporter reporter,
                         Added added)
    : m_threads(qMax(threads, 1))
    , m_fs(fs)
    , m_report(std::move(reporter))
    , m_added(std::move(added))
    , m_output(fs, out)
{
    if (level > 0) {
        m_deflate = std::make_unique<ParallelDeflate>(level, m_threads);
        m_header = ParallelDeflate::zlibHeader(level);
    }
}

EntryPacker::~EntryPacker()
{
    m_deflate.reset();
    for (Entry &e : m_entries)
        closeFile(e);
}

bool EntryPacker::fail(const QString &error)
{
    if (m_error.isEmpty())
        m_error = error;
    return false;
}

void EntryPacker::setStreaming(ArchiveOutput::ScratchMaker scratch)
{
    m_output.setStreaming(std::move(scratch));
}

bool EntryPacker::writeEntries(SourceTree &tree)
{
    m_tree = &tree;
    m_plannedRecords = tree.recordsSize();
    m_builder.reserve(m_plannedRecords);
    for (qsizetype i = 0; i < tree.count() && m_error.isEmpty(); ++i) {
        Entry &e = m_entries.emplace_back();
        e.item = i;
        if (m_progress.begun)
            m_progress.begun(tree.name(i));
        if (!tree.isFolder(i))
            addFile(e);
        settle();
        throttle();
    }
    return drain();
}

bool EntryPacker::writeDirectory()
{
    if (!m_error.isEmpty())
        return false;
    if (!fits(0))
        return fail(tooLarge());
    m_output.finish();
    return write(m_builder.countField()) && write(m_builder.records()) && write(m_builder.footer())
        && flush();
}

void EntryPacker::closeFile(Entry &e)
{
    if (e.fd < 0)
        return;
    m_fs.close(e.fd);
    e.fd = -1;
    --m_openFiles;
}

void EntryPacker::addFile(Entry &e)
{
    e.kind = Kind::Stored;
    e.fd = m_tree->open(e.item, e.why);
    e.skipped = e.fd < 0 && e.why.isEmpty();
    if (e.fd < 0)
        return;
    ++m_openFiles;
    FileSystem::Info info;
    if (!m_fs.info(e.fd, info)) {
        e.why = EntryFailure::systemText(errno);
        return closeFile(e);
    }
    e.size = info.size;
    e.mtime = info.modified;
    if (e.size >= k2GiB) {
        e.why = QStringLiteral("file of 2 GiB or more, not added");
        return closeFile(e);
    }
    if (e.size == 0) { // nothing to read but whether it is still empty
        e.why = changed(e);
        return closeFile(e);
    }
    // Stored files are copied when their turn comes; the others go to the threads now.
    if (m_deflate && e.size <= PackwellCore::kMaxOriginalSize) {
        e.kind = Kind::Deflated;
        readPieces(e);
    }
}

bool EntryPacker::readFully(Entry &e, char *data, qint64 size, qint64 pos)
{
    if (ArchiveFile::readFully(e.fd, data, size, pos))
        return true;
    e.why = errno == 0 ? changedSize() : EntryFailure::systemText(errno);
    return false;
}

QString EntryPacker::changed(const Entry &e) const
{
    char byte;
    const qint64 n = ArchiveFile::readAt(e.fd, &byte, 1, e.size);
    FileSystem::Info info;
    if (n < 0 || !m_fs.info(e.fd, info))
        return EntryFailure::systemText(errno);
    if (n > 0 || info.size != e.size)
        return changedSize();
    if (info.modified.tv_sec != e.mtime.tv_sec || info.modified.tv_nsec != e.mtime.tv_nsec)
        return QStringLiteral("changed while being read, not added");
    return {};
}

void EntryPacker::readPieces(Entry &e)
{
    const qint64 pieces = (e.size + ParallelDeflate::kPieceSize - 1) / ParallelDeflate::kPieceSize;
    e.reading = true;
    QByteArray tail;
    for (qint64 k = 0; k < pieces && e.why.isEmpty() && m_error.isEmpty(); ++k) {
        const qint64 pos = k * ParallelDeflate::kPieceSize;
        auto piece = std::make_unique<ParallelDeflate::Piece>();
        try {
            piece->input.resize(qMin(ParallelDeflate::kPieceSize, e.size - pos));
        } catch (const std::bad_alloc &) {
            fail(QStringLiteral("out of memory"));
            break;
        }
        if (!readFully(e, piece->input.data(), piece->input.size(), pos))
            break;
        if (m_progress.read)
            m_progress.read(piece->input.size());
        // Primed with the window before it, each piece deflates as well as one long stream.
        piece->dictionary = tail;
        piece->last = k + 1 == pieces;
        if (!piece->last)
            tail = piece->input.right(ParallelDeflate::kWindow);
        m_deflate->submit(std::move(piece));
        ++e.submitted;
        throttle();
    }
    if (e.why.isEmpty() && m_error.isEmpty())
        e.why = changed(e);
    // A file of one piece still has its bytes in the piece, should it be stored after all.
    if (pieces == 1 || !e.why.isEmpty())
        closeFile(e);
    e.reading = false;
}

bool EntryPacker::throttle()
{
    if (!m_deflate)
        return m_error.isEmpty();
    const qsizetype pieces = 4 * qsizetype(m_threads) + 4;
    const qint64 bytes = (2 * qint64(m_threads) + 2) * ParallelDeflate::kPieceSize;
    while (m_error.isEmpty() && m_deflate->queued() > 0
           && (m_deflate->queued() >= pieces || m_deflate->queuedBytes() >= bytes
               || m_openFiles > kMaxOpenFiles)) {
        takeOne();
        settle();
    }
    return m_error.isEmpty();
}

bool EntryPacker::takeOne()
{
    const std::unique_ptr<ParallelDeflate::Piece> piece = m_deflate->take();
    if (!piece)
        return true;
    // Pieces come back in the order they were read, so the oldest belongs to the oldest entry
    // still waiting for one.
    Entry *owner = nullptr;
    for (Entry &e : m_entries) {
        if (e.taken < e.submitted) {
            owner = &e;
            break;
        }
    }
    Q_ASSERT(owner);
    Entry &e = *owner;
    ++e.taken;
    if (!piece->ok)
        return fail(QStringLiteral("out of memory"));
    if (!e.why.isEmpty())
        return true; // its bytes are taken back when it is retired
    const qint64 deflated = m_header.size() + piece->output.size() + 4;
    if (e.taken == 1)
        e.start = m_output.position();
    if (piece->last && e.taken == 1) { // the whole file: kept deflated only when smaller
        if (deflated >= e.size) {
            e.kind = Kind::Stored;
            return fits(e.size) ? write(piece->input) : fail(tooLarge());
        }
        if (!fits(deflated))
            return fail(tooLarge());
        e.packed = deflated;
        return write(m_header) && write(piece->output)
            && write(ParallelDeflate::zlibTrailer(piece->adler));
    }
    if (e.taken == 1) {
        e.packed = m_header.size();
        write(m_header);
    }
    e.adler = ParallelDeflate::combine(e.adler, piece->adler, piece->input.size());
    e.packed += piece->output.size();
    write(piece->output);
    if (piece->last) {
        e.packed += 4;
        write(ParallelDeflate::zlibTrailer(e.adler));
    }
    // Past the limit deflated, and too large to store: nothing can bring it back.
    if (!fits(e.packed) && !fits(e.size))
        return fail(tooLarge());
    return m_error.isEmpty();
}

void EntryPacker::settle()
{
    while (!m_entries.empty() && m_error.isEmpty()) {
        Entry &e = m_entries.front();
        if (e.reading || e.taken < e.submitted)
            return;
        retire(e);
        closeFile(e);
        m_entries.pop_front();
        // Its bytes, or none when it was left out, are final.
        m_output.settle();
        if (m_progress.done)
            m_progress.done();
    }
}

bool EntryPacker::drain()
{
    while (!m_entries.empty() && m_error.isEmpty()) {
        settle();
        if (!m_entries.empty() && !takeOne())
            break;
    }
    return m_error.isEmpty();
}

void EntryPacker::retire(Entry &e)
{
    const QByteArray name = m_tree->name(e.item);
    if (e.kind == Kind::Deflated && e.why.isEmpty() && e.submitted > 1 && e.packed >= e.size) {
        // Deflating did not make it smaller: the file's bytes as they are instead.
        e.kind = Kind::Stored;
        if (!rewind(e.start))
            return;
    }
    if (e.kind == Kind::Stored && e.why.isEmpty() && !e.skipped && e.fd >= 0 && !store(e))
        return;
    // Its record is counted in fits() until it is made or known never to be.
    m_plannedRecords -= ArchiveBuilder::recordSize(name.size());
    if (!e.why.isEmpty() || e.skipped) {
        if (e.start >= 0)
            rewind(e.start);
        if (!e.skipped)
            m_report(m_tree->path(e.item), e.why);
        return;
    }
    m_builder.add(name,
                  e.kind == Kind::Folder       ? FolderEntry
                      : e.kind == Kind::Stored ? StoredEntry
                                               : CompressedEntry,
                  e.size, e.packed);
    if (m_added)
        m_added(name);
}

bool EntryPacker::store(Entry &e)
{
    if (!fits(e.size))
        return fail(tooLarge());
    if (!flush())
        return false;
    e.start = m_output.position();
    // Inside the kernel where it can; through memory where it cannot, or where it failed and
    // the plain calls tell a read from a write error.
    // A file read for deflating is not counted again.
    const auto read = [&](qint64 n) {
        if (m_progress.read && e.submitted == 0)
            m_progress.read(n);
    };
    qint64 done = 0;
    while (done < e.size) {
        const qint64 n = m_output.copyFrom(e.fd, done, e.size - done);
        if (n <= 0)
            break;
        done += n;
        read(n);
    }
    QByteArray piece;
    while (done < e.size && e.why.isEmpty()) {
        piece.resize(qMin(ParallelDeflate::kPieceSize, e.size - done));
        if (readFully(e, piece.data(), piece.size(), done) && write(piece) && flush()) {
            done += piece.size();
            read(piece.size());
        }
        if (!m_error.isEmpty())
            return false;
    }
    if (e.why.isEmpty())
        e.why = changed(e);
    return true;
}

bool EntryPacker::write(const QByteArray &bytes)
{
    return m_error.isEmpty() && (m_output.write(bytes) || fail(EntryFailure::systemText(errno)));
}

bool EntryPacker::flush()
{
    return m_error.isEmpty() && (m_output.flush() || fail(EntryFailure::systemText(errno)));
}

bool EntryPacker::rewind(qint64 pos)
{
    return m_output.rewind(pos) || fail(EntryFailure::systemText(errno));
}
