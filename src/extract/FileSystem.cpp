#include "FileSystem.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void fill(FileSystem::Info &out, const struct stat &st)
{
    out.isFolder = S_ISDIR(st.st_mode);
    out.device = quint64(st.st_dev);
    out.inode = quint64(st.st_ino);
    out.size = qint64(st.st_size);
}

} // namespace

FileSystem &FileSystem::standard()
{
    static FileSystem fileSystem;
    return fileSystem;
}

FileSystem::Status FileSystem::statusFromErrno(int error)
{
    switch (error) {
    case 0:
        return Status::Ok;
    case ENOENT:
    case ENOTDIR:
        return Status::PathNotFound;
    case EEXIST:
        return Status::AlreadyExists;
    default:
        return Status::Failed;
    }
}

bool FileSystem::folderExists(const QByteArray &path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileSystem::Status FileSystem::info(const QByteArray &path, Info &out)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return statusFromErrno(errno);
    fill(out, st);
    return Status::Ok;
}

bool FileSystem::info(int fd, Info &out)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return false;
    fill(out, st);
    return true;
}

FileSystem::Status FileSystem::createFolder(const QByteArray &path)
{
    return ::mkdir(path.constData(), 0777) == 0 ? Status::Ok : statusFromErrno(errno);
}

FileSystem::Status FileSystem::openForReading(const QByteArray &path, int &fd)
{
    do
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd >= 0 ? Status::Ok : statusFromErrno(errno);
}

FileSystem::Status FileSystem::createFile(const QByteArray &path, int &fd)
{
    do
        fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    return fd >= 0 ? Status::Ok : statusFromErrno(errno);
}

FileSystem::Status FileSystem::createTemporaryFile(const QByteArray &folder, QByteArray &path,
                                                   int &fd)
{
    // Hidden, and tried with O_EXCL, so it can neither show up as an entry nor take the place
    // of anything that is already there.
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = folder;
        name += "/.quillon-";
        for (int i = 0; i < 10; ++i)
            name += kAlphabet[QRandomGenerator::global()->bounded(int(sizeof kAlphabet) - 1)];
        const Status status = createFile(name, fd);
        if (status != Status::AlreadyExists) {
            if (status == Status::Ok)
                path = name;
            return status;
        }
    }
    return Status::Failed;
}

qint64 FileSystem::readAt(int fd, char *data, qint64 size, qint64 pos)
{
    ssize_t n;
    do
        n = ::pread(fd, data, size_t(size), off_t(pos));
    while (n < 0 && errno == EINTR);
    return n;
}

qint64 FileSystem::copyRange(int from, qint64 pos, int to, qint64 size)
{
    loff_t in = pos;
    ssize_t n;
    do
        n = ::copy_file_range(from, &in, to, nullptr, size_t(size), 0);
    while (n < 0 && errno == EINTR);
    return n;
}

bool FileSystem::isCopyUnsupported(int error)
{
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP
        || error == EBADF || error == EPERM;
}

qint64 FileSystem::write(int fd, const char *data, qint64 size)
{
    ssize_t n;
    do
        n = ::write(fd, data, size_t(size));
    while (n < 0 && errno == EINTR);
    return n;
}

bool FileSystem::close(int fd)
{
    // Linux releases the descriptor even when close reports an error, so it is never retried.
    return ::close(fd) == 0;
}

bool FileSystem::rename(const QByteArray &from, const QByteArray &to)
{
    return ::rename(from.constData(), to.constData()) == 0;
}

bool FileSystem::remove(const QByteArray &path)
{
    return ::unlink(path.constData()) == 0;
}
