#include "EntryReader.h"

#include <cerrno>
#include <new>

namespace {

// Stored entries that cannot be copied inside the kernel go through memory in pieces of this
// size, the same as inflated output, so memory stays flat whatever an entry's size.
constexpr qint64 kPieceSize = 256 * 1024;
// Inside the kernel, larger steps cost nothing and keep a signal's wait short.
constexpr qint64 kKernelStep = qint64(64) << 20;

} // namespace

qint64 EntrySink::copyFrom(int, qint64, qint64)
{
    errno = ENOSYS;
    return -1;
}

EntryReader::Result EntryReader::failed(Result result, int error)
{
    m_errorCode = error;
    return result;
}

EntryReader::Result EntryReader::read(const ArchiveFile &archive, const EntryRecord &entry,
                                      EntrySink &sink)
{
    switch (entry.entryType) {
    case StoredEntry:
        return readStored(archive, entry.offset, entry.unpackedSize, sink);
    case CompressedEntry:
        return readCompressed(archive, entry.offset, entry.packedSize, entry.unpackedSize, sink);
    default:
        m_delivered = 0;
        return Result::NotAFile;
    }
}

EntryReader::Result EntryReader::readStored(const ArchiveFile &archive, qint32 offset, qint32 size,
                                            EntrySink &sink)
{
    m_errorCode = 0;
    m_delivered = 0;
    if (!archive.contains(offset, size))
        return Result::PastEnd;
    qint64 pos = offset;
    qint64 left = size;
    while (left > 0 && m_kernelCopy) {
        const qint64 n = sink.copyFrom(archive.handle(), pos, qMin(left, kKernelStep));
        if (n == 0)
            return Result::PastEnd; // the archive shrank since it was opened
        if (n < 0) {
            if (errno != ENOSYS)
                return failed(Result::WriteFailed, errno);
            m_kernelCopy = false;
            break;
        }
        pos += n;
        left -= n;
        m_delivered += n;
    }
    if (left > 0 && m_piece.size() < qMin(left, kPieceSize)) {
        try {
            m_piece.resize(qMin(left, kPieceSize));
        } catch (const std::bad_alloc &) {
            return Result::OutOfMemory;
        }
    }
    while (left > 0) {
        const qint64 n = qMin(left, kPieceSize);
        if (!archive.readFully(m_piece.data(), n, pos))
            return errno == 0 ? Result::PastEnd : failed(Result::ReadFailed, errno);
        if (!sink.write(m_piece.constData(), n))
            return failed(Result::WriteFailed, errno);
        pos += n;
        left -= n;
        m_delivered += n;
    }
    return Result::Ok;
}

EntryReader::Result EntryReader::readCompressed(const ArchiveFile &archive, qint32 offset,
                                                qint32 packedSize, qint32 unpackedSize,
                                                EntrySink &sink)
{
    m_errorCode = 0;
    m_delivered = 0;
    // A packed size of 0 or less is refused by the inflation itself, as the one-shot path does.
    if (packedSize > 0 && !archive.contains(offset, packedSize))
        return Result::PastEnd;
    qint64 pos = offset;
    const StreamInflater::Result result = m_inflater.inflate(
        packedSize, unpackedSize,
        [&](char *buffer, qint64 size) {
            const qint64 n = archive.readAt(buffer, size, pos);
            pos += qMax(n, qint64(0));
            return n;
        },
        [&](const char *data, qint64 size) { return sink.write(data, size); });
    m_delivered = m_inflater.inflatedSize();
    switch (result) {
    case StreamInflater::Result::Ok:
        return Result::Ok;
    case StreamInflater::Result::TooLarge:
        return Result::TooLarge;
    case StreamInflater::Result::Empty:
        return Result::Empty;
    case StreamInflater::Result::ReadFailed:
        return m_inflater.errorCode() == 0 ? Result::PastEnd
                                           : failed(Result::ReadFailed, m_inflater.errorCode());
    case StreamInflater::Result::WriteFailed:
        return failed(Result::WriteFailed, m_inflater.errorCode());
    case StreamInflater::Result::OutOfMemory:
        return Result::OutOfMemory;
    case StreamInflater::Result::Corrupt:
        break;
    }
    return Result::Corrupt;
}

EntryReader::Result EntryReader::readPacked(const ArchiveFile &archive, qint32 offset,
                                            qint32 packedSize, QByteArray &data)
{
    m_errorCode = 0;
    m_delivered = 0;
    if (!archive.contains(offset, packedSize))
        return Result::PastEnd;
    try {
        data.resize(packedSize);
    } catch (const std::bad_alloc &) {
        return Result::OutOfMemory;
    }
    if (!archive.readFully(data.data(), packedSize, offset))
        return errno == 0 ? Result::PastEnd : failed(Result::ReadFailed, errno);
    m_delivered = packedSize;
    return Result::Ok;
}
