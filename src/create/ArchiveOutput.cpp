#include "ArchiveOutput.h"

#include "fs/FileSystem.h"

#include <cerrno>

namespace {

// Written bytes are handed to the file in blocks of this size, not a few bytes per entry.
constexpr qint64 kBufferSize = 1 << 20;

} // namespace

ArchiveOutput::ArchiveOutput(FileSystem &fs, int fd) : m_fs(fs), m_fd(fd) { }

ArchiveOutput::~ArchiveOutput()
{
    if (m_scratch >= 0)
        m_fs.close(m_scratch);
}

void ArchiveOutput::setStreaming(ScratchMaker scratch)
{
    m_streaming = true;
    m_makeScratch = std::move(scratch);
}

bool ArchiveOutput::failed() const
{
    if (m_error != 0)
        errno = m_error;
    return m_error != 0;
}

bool ArchiveOutput::fail()
{
    m_error = errno != 0 ? errno : EIO;
    return false;
}

bool ArchiveOutput::write(const char *data, qint64 size)
{
    if (failed())
        return false;
    if (size >= kBufferSize && (!m_streaming || m_finished)) { // a large directory as it is
        if (!flush())
            return false;
        if (!m_fs.writeFully(m_fd, data, size))
            return fail();
        m_flushed += size;
        m_sent = m_streaming ? m_flushed : 0;
        return true;
    }
    m_buffer.append(data, size);
    return m_buffer.size() < kBufferSize || flush();
}

bool ArchiveOutput::flush()
{
    if (failed())
        return false;
    if (!m_streaming) {
        if (!m_fs.writeFully(m_fd, m_buffer.constData(), m_buffer.size()))
            return fail();
        m_flushed += m_buffer.size();
        m_buffer.clear();
        return true;
    }
    if (m_finished)
        settle();
    if (m_held > 0 && m_settled >= m_flushed && !sendHeld())
        return fail();
    if (m_held == 0) {
        const qint64 ready = qBound(qint64(0), m_settled - m_flushed, qint64(m_buffer.size()));
        if (!m_fs.writeFully(m_fd, m_buffer.constData(), ready))
            return fail();
        m_buffer.remove(0, ready);
        m_flushed += ready;
        m_sent = m_flushed;
    }
    // The bytes of the entry at hand stay in memory while they are few.
    return m_buffer.size() < kBufferSize / 2 || hold() || fail();
}

bool ArchiveOutput::hold()
{
    if (m_scratch < 0 && (!m_makeScratch || (m_scratch = m_makeScratch()) < 0))
        return false;
    if (!m_fs.writeFully(m_scratch, m_buffer.constData(), m_buffer.size()))
        return false;
    m_held += m_buffer.size();
    m_flushed += m_buffer.size();
    m_buffer.clear();
    return true;
}

bool ArchiveOutput::sendHeld()
{
    QByteArray piece(qMin(m_held, kBufferSize), Qt::Uninitialized);
    for (qint64 done = 0; done < m_held;) {
        const qint64 n
            = m_fs.readAt(m_scratch, piece.data(), qMin(m_held - done, kBufferSize), done);
        if (n <= 0) {
            if (n == 0)
                errno = EIO; // the scratch file lost bytes it was given
            return false;
        }
        if (!m_fs.writeFully(m_fd, piece.constData(), n))
            return false;
        done += n;
    }
    m_sent += m_held;
    m_held = 0;
    return m_fs.truncate(m_scratch, 0);
}

qint64 ArchiveOutput::copyFrom(int from, qint64 pos, qint64 size)
{
    // A failure here sticks, so the caller's fallback to write() reports it.
    if (!flush())
        return 0;
    // A stream takes nothing that could still be taken back: those bytes are held.
    if (m_streaming && !hold()) {
        fail();
        return 0;
    }
    const qint64 n = m_fs.copyRange(from, pos, m_streaming ? m_scratch : m_fd, size);
    if (n <= 0)
        return 0;
    m_flushed += n;
    m_held += m_streaming ? n : 0;
    return n;
}

bool ArchiveOutput::rewind(qint64 pos)
{
    if (pos >= m_flushed) {
        m_buffer.truncate(pos - m_flushed);
        return true;
    }
    if (m_streaming && pos < qMax(m_sent, m_settled)) {
        errno = ESPIPE; // settled bytes are never taken back
        return false;
    }
    m_buffer.clear();
    if (!m_fs.truncate(m_streaming ? m_scratch : m_fd, pos - m_sent))
        return false;
    m_flushed = pos;
    m_held = m_streaming ? pos - m_sent : 0;
    return true;
}
