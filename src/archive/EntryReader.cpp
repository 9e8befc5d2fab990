#include "EntryReader.h"

#include <cerrno>

namespace {

// Stored bytes that the kernel cannot copy go through memory in pieces of the size inflated
// bytes come in, so memory stays flat whatever an entry's size.
constexpr qint64 kPieceSize = 256 * 1024;
// Inside the kernel larger steps cost nothing, and still keep a signal's wait short.
constexpr qint64 kKernelStep = qint64(64) << 20;

} // namespace

qint64 EntrySink::copyFrom(int, qint64, qint64)
{
    errno = ENOSYS;
    return -1;
}

EntryReader::Result EntryReader::outcome(Result result, int error)
{
    m_errorCode = error;
    return result;
}

EntryReader::Result EntryReader::read(const ArchiveFile &archive, const EntryRecord &entry,
                                      EntrySink &sink)
{
    if (entry.entryType == StoredEntry)
        return readStored(archive, entry.offset, entry.unpackedSize, sink);
    return readCompressed(archive, entry.offset, entry.packedSize, entry.unpackedSize, sink);
}

EntryReader::Result EntryReader::readStored(const ArchiveFile &archive, qint32 offset, qint32 size,
                                            EntrySink &sink)
{
    if (!archive.contains(offset, size))
        return outcome(Result::ReadFailed, 0);
    qint64 pos = offset;
    qint64 left = size;
    while (left > 0 && m_kernelCopy) {
        const qint64 n = sink.copyFrom(archive.handle(), pos, qMin(left, kKernelStep));
        if (n == 0)
            return outcome(Result::ReadFailed, 0); // the archive shrank since it was opened
        if (n < 0 && errno != ENOSYS)
            return outcome(Result::WriteFailed, errno);
        m_kernelCopy = n > 0;
        pos += qMax(n, qint64(0));
        left -= qMax(n, qint64(0));
    }
    if (left > 0 && m_piece.isEmpty())
        m_piece.resize(kPieceSize);
    for (qint64 n; left > 0; pos += n, left -= n) {
        n = qMin(left, kPieceSize);
        if (!archive.readFully(m_piece.data(), n, pos))
            return outcome(Result::ReadFailed, errno);
        if (!sink.write(m_piece.constData(), n))
            return outcome(Result::WriteFailed, errno);
    }
    return outcome(Result::Ok, 0);
}

EntryReader::Result EntryReader::readCompressed(const ArchiveFile &archive, qint32 offset,
                                                qint32 packedSize, qint32 unpackedSize,
                                                EntrySink &sink)
{
    // A packed size of 0 or less is refused by the inflation itself, as the one-shot path does.
    if (packedSize > 0 && !archive.contains(offset, packedSize))
        return outcome(Result::ReadFailed, 0);
    qint64 pos = offset;
    const Result result = m_inflater.inflate(
        packedSize, unpackedSize,
        [&](char *buffer, qint64 size) {
            const qint64 n = archive.readAt(buffer, size, pos);
            pos += qMax(n, qint64(0));
            return n;
        },
        [&](const char *data, qint64 size) { return sink.write(data, size); });
    return outcome(result, m_inflater.errorCode());
}

EntryReader::Result EntryReader::readPacked(const ArchiveFile &archive, qint32 offset,
                                            qint32 packedSize, QByteArray &data)
{
    if (!archive.contains(offset, packedSize))
        return outcome(Result::ReadFailed, 0);
    data.resize(packedSize);
    if (!archive.readFully(data.data(), packedSize, offset))
        return outcome(Result::ReadFailed, errno);
    return outcome(Result::Ok, 0);
}
