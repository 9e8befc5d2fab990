#pragma once

#include "ArchiveFile.h"
#include "EntryRecord.h"
#include "compress/StreamInflater.h"

#include <QByteArray>
#include <QtGlobal>

// Where the bytes of an entry go.
class EntrySink
{
public:
    virtual ~EntrySink() = default;
    // Takes size bytes; false with errno set when they cannot be taken.
    virtual bool write(const char *data, qint64 size) = 0;
    // Copies up to size bytes of the file behind fd, from pos on, without passing them through
    // this process: the count copied, 0 at the end of that file, or -1 with errno set. A sink
    // that cannot fails with ENOSYS, and the bytes come through write() instead.
    virtual qint64 copyFrom(int fd, qint64 pos, qint64 size);
};

// The one way the bytes of a file entry are read from an archive: a stored entry's are copied,
// a compressed entry's inflated in pieces with the acceptance rules of the one-shot inflation
// (StreamInflater), so an entry of any size needs little memory. Every entry's range is checked
// against the archive's length once, before anything is read or allocated for it.
//
// Keep one for a whole export: it reuses its buffers, and remembers when the kernel cannot copy
// between the archive and the sink.
class EntryReader
{
public:
    enum class Result {
        Ok,
        NotAFile, // a folder or an entry of a type without bytes
        PastEnd, // the range lies (partly) outside the archive, or the archive ended early
        Corrupt,
        TooLarge,
        Empty,
        ReadFailed, // errorCode()
        WriteFailed, // errorCode()
        OutOfMemory,
    };

    // Delivers the bytes of a stored or a compressed entry to sink.
    Result read(const ArchiveFile &archive, const EntryRecord &entry, EntrySink &sink);
    Result readStored(const ArchiveFile &archive, qint32 offset, qint32 size, EntrySink &sink);
    Result readCompressed(const ArchiveFile &archive, qint32 offset, qint32 packedSize,
                          qint32 unpackedSize, EntrySink &sink);
    // The packed bytes of a compressed entry as they are stored, for inflating them at once.
    Result readPacked(const ArchiveFile &archive, qint32 offset, qint32 packedSize,
                      QByteArray &data);

    // The errno of the last ReadFailed or WriteFailed.
    int errorCode() const { return m_errorCode; }
    // Bytes handed to the sink by the last read.
    qint64 deliveredSize() const { return m_delivered; }

private:
    Result failed(Result result, int error);

    StreamInflater m_inflater;
    QByteArray m_piece;
    int m_errorCode = 0;
    qint64 m_delivered = 0;
    // Cleared once the kernel refuses to copy between these files.
    bool m_kernelCopy = true;
};
