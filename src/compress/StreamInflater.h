#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

// Inflates one zlib stream in pieces, so an entry of any size needs only a few hundred KiB:
// packed bytes are pulled from a source and inflated bytes pushed to a sink as they come.
//
// It accepts and refuses exactly what PackwellCore::DecompressData accepts and refuses for the
// same OrigSize, and yields the same bytes: the output may not exceed
// PackwellCore::workCapacity(origSize) (a negative or over-large capacity refuses everything),
// the stream must end with a good checksum inside the packed bytes and needs no preset
// dictionary, it must inflate to at least one byte, and bytes after its end are ignored.
//
// The sink sees output before the end of the stream is checked: a caller writing a file must
// drop it unless inflate() returns Ok.
class StreamInflater
{
public:
    // Fills buffer with up to size packed bytes; returns how many, 0 when the data ends early,
    // or -1 with errno set.
    using Source = std::function<qint64(char *buffer, qint64 size)>;
    // Takes size inflated bytes; returns false with errno set when they cannot be written.
    using Sink = std::function<bool(const char *data, qint64 size)>;

    enum class Result {
        Ok,
        Corrupt, // not a zlib stream, a bad checksum, a stream that ends early, a dictionary
        TooLarge, // more output than the capacity for origSize allows
        Empty, // a stream of no bytes, which the one-shot path refuses as well
        ReadFailed, // the source failed (errorCode()) or ended before packedSize bytes
        WriteFailed, // the sink failed (errorCode())
        OutOfMemory,
    };

    StreamInflater();
    ~StreamInflater();
    StreamInflater(const StreamInflater &) = delete;
    StreamInflater &operator=(const StreamInflater &) = delete;

    // Inflates the packedSize bytes the source gives, for an entry claiming origSize bytes.
    // The buffers are kept for the next call.
    Result inflate(qint32 packedSize, qint32 origSize, const Source &source, const Sink &sink);

    // The errno of the last ReadFailed or WriteFailed; 0 when the source ended early.
    int errorCode() const { return m_errorCode; }
    // Bytes handed to the sink by the last call.
    qint64 inflatedSize() const { return m_inflatedSize; }

private:
    // The buffers made or kept, and the stream set to begin.
    Result start();
    // Pulls up to unread packed bytes, pushing at most room inflated ones.
    Result pump(qint64 unread, qint64 room, const Source &source, const Sink &sink);

    struct Buffers;
    std::unique_ptr<Buffers> m_buffers;
    int m_errorCode = 0;
    qint64 m_inflatedSize = 0;
};
