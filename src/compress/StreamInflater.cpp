#include "StreamInflater.h"

#include "PackwellCore.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

namespace {

// Small enough to stay in the cache, large enough that each zlib call does real work.
constexpr qint64 kInputChunk = 64 * 1024;
constexpr qint64 kOutputChunk = 256 * 1024;

} // namespace

struct StreamInflater::Buffers
{
    z_stream stream {};
    bool initialised = false;
    char input[kInputChunk];
    char output[kOutputChunk];

    ~Buffers()
    {
        if (initialised)
            inflateEnd(&stream);
    }
};

StreamInflater::StreamInflater() = default;
StreamInflater::~StreamInflater() = default;

StreamInflater::Result StreamInflater::inflate(qint32 packedSize, qint32 origSize,
                                               const Source &source, const Sink &sink)
{
    m_errorCode = 0;
    m_inflatedSize = 0;
    // The one-shot path refuses these before it calls zlib: a capacity that is negative or
    // does not fit 32 bits, and an empty input.
    const qint64 capacity = PackwellCore::workCapacity(origSize);
    if (capacity < 0)
        return Result::Corrupt;
    if (capacity > std::numeric_limits<qint32>::max())
        return Result::TooLarge;
    if (packedSize <= 0)
        return Result::Corrupt;
    const Result started = start();
    return started == Result::Ok ? pump(packedSize, capacity, source, sink) : started;
}

StreamInflater::Result StreamInflater::start()
{
    if (!m_buffers) {
        m_buffers.reset(new (std::nothrow) Buffers);
        if (!m_buffers)
            return Result::OutOfMemory;
    }
    z_stream &zs = m_buffers->stream;
    // The same zlib format and window as uncompress().
    const int init = m_buffers->initialised ? inflateReset(&zs) : inflateInit(&zs);
    if (init != Z_OK)
        return init == Z_MEM_ERROR ? Result::OutOfMemory : Result::Corrupt;
    m_buffers->initialised = true;
    zs.avail_in = 0;
    return Result::Ok;
}

StreamInflater::Result StreamInflater::pump(qint64 unread, qint64 room, const Source &source,
                                            const Sink &sink)
{
    z_stream &zs = m_buffers->stream;
    for (;;) {
        if (zs.avail_in == 0 && unread > 0) {
            const qint64 n = source(m_buffers->input, std::min(unread, kInputChunk));
            if (n <= 0) {
                m_errorCode = n < 0 ? errno : 0;
                return Result::ReadFailed;
            }
            unread -= n;
            zs.next_in = reinterpret_cast<Bytef *>(m_buffers->input);
            zs.avail_in = uInt(n);
        }
        // Never more room than the one-shot buffer would have left, so zlib stops where it
        // would have stopped there.
        const uInt offered = uInt(std::min(room, kOutputChunk));
        zs.next_out = reinterpret_cast<Bytef *>(m_buffers->output);
        zs.avail_out = offered;
        const int code = ::inflate(&zs, Z_NO_FLUSH);
        const qint64 produced = offered - zs.avail_out;
        if (produced > 0) {
            room -= produced;
            m_inflatedSize += produced;
            if (!sink(m_buffers->output, produced)) {
                m_errorCode = errno;
                return Result::WriteFailed;
            }
        }
        switch (code) {
        case Z_STREAM_END:
            return m_inflatedSize > 0 ? Result::Ok : Result::Empty;
        case Z_OK:
            continue;
        case Z_BUF_ERROR:
            // No progress: either the output is full or the input is used up.
            if (offered == 0)
                return Result::TooLarge;
            if (zs.avail_in == 0 && unread > 0)
                continue;
            return Result::Corrupt;
        case Z_MEM_ERROR:
            return Result::OutOfMemory;
        default: // Z_DATA_ERROR, Z_NEED_DICT, Z_STREAM_ERROR
            return Result::Corrupt;
        }
    }
}
