#include "ArchiveOutput.h"

#include "fs/FileSystem.h"

namespace {

// Written bytes are handed to the file in blocks of this size, not a few bytes per entry.
constexpr qint64 kBufferSize = 1 << 20;

} // namespace

ArchiveOutput::ArchiveOutput(FileSystem &fs, int fd) : m_fs(fs), m_fd(fd) { }

bool ArchiveOutput::write(const char *data, qint64 size)
{
    if (size >= kBufferSize) { // a large directory goes out as it is, never copied
        if (!flush() || !m_fs.writeFully(m_fd, data, size))
            return false;
        m_flushed += size;
        return true;
    }
    m_buffer.append(data, size);
    return m_buffer.size() < kBufferSize || flush();
}

bool ArchiveOutput::flush()
{
    const bool written = m_fs.writeFully(m_fd, m_buffer.constData(), m_buffer.size());
    m_flushed += m_buffer.size();
    m_buffer.clear();
    return written;
}

qint64 ArchiveOutput::copyFrom(int from, qint64 pos, qint64 size)
{
    const qint64 n = flush() ? m_fs.copyRange(from, pos, m_fd, size) : 0;
    if (n <= 0)
        return 0;
    m_flushed += n;
    return n;
}

bool ArchiveOutput::rewind(qint64 pos)
{
    if (pos >= m_flushed) {
        m_buffer.truncate(pos - m_flushed);
        return true;
    }
    m_buffer.clear();
    if (!m_fs.truncate(m_fd, pos))
        return false;
    m_flushed = pos;
    return true;
}
