#pragma once

#include "ArchiveFile.h"
#include "EntryRecord.h"
#include "compress/StreamInflater.h"

#include <QByteArray>

// Where the bytes of an entry go.
class EntrySink
{
public:
    virtual ~EntrySink() = default;
    // Takes size bytes; false with errno set when they cannot be taken.
    virtual bool write(const char *data, qint64 size) = 0;
    // Copies up to size bytes of the file behind fd from pos on inside the kernel: the count,
    // 0 at the end of that file, or -1 with errno set; ENOSYS where it cannot, and the bytes
    // come through write() instead.
    virtual qint64 copyFrom(int fd, qint64 pos, qint64 size);
};

// The one way the bytes of a file entry are read: a stored entry's are copied, a compressed
// entry's inflated in pieces (StreamInflater), so an entry of any size needs little memory.
// Each range is checked against the archive's length before anything is read or allocated.
// Results are StreamInflater's; ReadFailed with errorCode() 0 means the range lies outside the
// archive or the archive ended early. Keep one for a whole export: it reuses its buffers.
class EntryReader
{
public:
    using Result = StreamInflater::Result;

    // A stored or a compressed entry, by its type.
    Result read(const ArchiveFile &archive, const EntryRecord &entry, EntrySink &sink);
    Result readStored(const ArchiveFile &archive, qint32 offset, qint32 size, EntrySink &sink);
    Result readCompressed(const ArchiveFile &archive, qint32 offset, qint32 packedSize,
                          qint32 unpackedSize, EntrySink &sink);
    // The packed bytes of a compressed entry as they are stored, for inflating them at once.
    Result readPacked(const ArchiveFile &archive, qint32 offset, qint32 packedSize,
                      QByteArray &data);

    // The errno of the last ReadFailed or WriteFailed.
    int errorCode() const { return m_errorCode; }
    // The bytes the last compressed entry inflated to, as far as it got.
    qint64 inflatedSize() const { return m_inflater.inflatedSize(); }

private:
    // Notes error for errorCode() and gives result.
    Result outcome(Result result, int error);

    StreamInflater m_inflater;
    QByteArray m_piece;
    int m_errorCode = 0;
    // Cleared once the kernel refuses to copy between these files.
    bool m_kernelCopy = true;
};
