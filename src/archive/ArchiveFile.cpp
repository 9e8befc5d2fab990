#include "ArchiveFile.h"

#include "SystemCall.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ArchiveFile::open(const QByteArray &path)
{
    // O_NONBLOCK changes nothing for a regular file, so it is left on.
    return adopt(retryInterrupted(
        [&] { return ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); }));
}

bool ArchiveFile::adopt(int fd)
{
    close();
    struct stat st;
    m_error = fd < 0 ? errno : ::fstat(fd, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? EINVAL : 0;
    if (m_error != 0) {
        if (fd >= 0)
            ::close(fd);
        errno = m_error;
        return false;
    }
    m_fd = fd;
    m_size = qint64(st.st_size);
    m_identity = { quint64(st.st_dev), quint64(st.st_ino) };
    return true;
}

void ArchiveFile::close()
{
    // Linux releases the descriptor even when close reports an error, so it is never retried.
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

QString ArchiveFile::errorString() const
{
    return m_error == EINVAL ? QStringLiteral("not a regular file")
                             : QString::fromLocal8Bit(std::strerror(m_error));
}

qint64 ArchiveFile::readAt(int fd, char *data, qint64 size, qint64 pos)
{
    return retryInterrupted([&] { return ::pread(fd, data, size_t(size), off_t(pos)); });
}

bool ArchiveFile::readFully(int fd, char *data, qint64 size, qint64 pos)
{
    for (qint64 n; size > 0; data += n, pos += n, size -= n) {
        n = readAt(fd, data, size, pos);
        if (n <= 0) {
            errno = n == 0 ? 0 : errno; // 0: the file ended early
            return false;
        }
    }
    return true;
}
