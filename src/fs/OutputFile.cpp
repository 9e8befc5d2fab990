#include "OutputFile.h"

#include "OutputTracker.h"

#include <cerrno>

OutputFile::OutputFile(FileSystem &fs, OutputTracker *tracker, int folder, const QByteArray &name)
    : m_fs(fs), m_tracker(tracker), m_folder(folder), m_name(name), m_fd(fs)
{ }

OutputFile::~OutputFile()
{
    m_fd.close();
    if (m_made.isEmpty() || m_committed)
        return;
    if (m_tracker)
        m_tracker->hold();
    m_fs.remove(m_folder, m_made);
    track(false);
}

void OutputFile::track(bool writing)
{
    if (!m_tracker)
        return;
    const int error = errno;
    m_tracker->track(writing ? m_folder : -1, writing ? m_made : QByteArray());
    errno = error;
}

FileSystem::Status OutputFile::create(bool replacing)
{
    // Held from before the file exists until the tracker knows of it, so a signal in between
    // cannot leave it behind.
    if (m_tracker)
        m_tracker->hold();
    QByteArray made = m_name;
    int fd = -1;
    const FileSystem::Status status = replacing ? m_fs.createTemporaryFile(m_folder, made, fd)
                                                : m_fs.createFile(m_folder, made, fd);
    if (status == FileSystem::Status::Ok) {
        m_fd.reset(fd);
        m_made = made;
    }
    track(status == FileSystem::Status::Ok);
    return status;
}

bool OutputFile::write(const char *data, qint64 size)
{
    return m_fs.writeFully(m_fd.fd(), data, size);
}

qint64 OutputFile::copyFrom(int fd, qint64 pos, qint64 size)
{
    const qint64 n = m_fs.copyRange(fd, pos, m_fd.fd(), size);
    if (n < 0 && FileSystem::isCopyUnsupported(errno))
        errno = ENOSYS;
    return n;
}

bool OutputFile::commit()
{
    if (!m_fd.close())
        return false;
    if (m_tracker)
        m_tracker->hold();
    m_committed = m_made == m_name || m_fs.rename(m_folder, m_made, m_name);
    track(!m_committed);
    return m_committed;
}
