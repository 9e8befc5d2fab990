#include "ArchiveFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

ArchiveFile::~ArchiveFile()
{
    close();
}

ArchiveFile::ArchiveFile(ArchiveFile &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_size(other.m_size)
    , m_identity(other.m_identity)
    , m_error(other.m_error)
{ }

ArchiveFile &ArchiveFile::operator=(ArchiveFile &&other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
        m_identity = other.m_identity;
        m_error = other.m_error;
    }
    return *this;
}

bool ArchiveFile::open(const QByteArray &path)
{
    close();
    int fd;
    do
        fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_error = errno;
        return false;
    }
    // O_NONBLOCK changes nothing for a regular file, so it is left on.
    return adopt(fd);
}

bool ArchiveFile::adopt(int fd)
{
    close();
    struct stat st;
    m_error = ::fstat(fd, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? EINVAL : 0;
    if (m_error != 0) {
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
        ::close(std::exchange(m_fd, -1));
    m_size = 0;
    m_identity = {};
}

QString ArchiveFile::errorString() const
{
    if (m_error == EINVAL)
        return QStringLiteral("not a regular file");
    return QString::fromLocal8Bit(std::strerror(m_error));
}

qint64 ArchiveFile::readAt(char *data, qint64 size, qint64 pos) const
{
    ssize_t n;
    do
        n = ::pread(m_fd, data, size_t(size), off_t(pos));
    while (n < 0 && errno == EINTR);
    return n;
}

bool ArchiveFile::readFully(char *data, qint64 size, qint64 pos) const
{
    while (size > 0) {
        const qint64 n = readAt(data, size, pos);
        if (n <= 0) {
            if (n == 0)
                errno = 0; // the file ended early
            return false;
        }
        data += n;
        pos += n;
        size -= n;
    }
    return true;
}
