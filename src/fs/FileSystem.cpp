#include "FileSystem.h"

#include "archive/SystemCall.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

FileSystem::Kind kindOf(mode_t mode)
{
    using Kind = FileSystem::Kind;
    return S_ISREG(mode)                 ? Kind::File
        : S_ISDIR(mode)                  ? Kind::Folder
        : S_ISLNK(mode)                  ? Kind::Link
        : S_ISFIFO(mode)                 ? Kind::Fifo
        : S_ISSOCK(mode)                 ? Kind::Socket
        : S_ISCHR(mode) || S_ISBLK(mode) ? Kind::Device
                                         : Kind::Other;
}

void fill(FileSystem::Info &out, const struct stat &st)
{
    out.kind = kindOf(st.st_mode);
    out.identity = { quint64(st.st_dev), quint64(st.st_ino) };
    out.size = qint64(st.st_size);
    out.modified = st.st_mtim;
    out.permissions = quint32(st.st_mode & 07777);
    out.uid = quint32(st.st_uid);
    out.gid = quint32(st.st_gid);
}

FileSystem::Status opened(int fd)
{
    return fd >= 0 ? FileSystem::Status::Ok : FileSystem::statusFromErrno(errno);
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

FileSystem::Status FileSystem::openChosenFolder(const QByteArray &path, int &fd)
{
    fd = retryInterrupted(
        [&] { return ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    return opened(fd);
}

FileSystem::Status FileSystem::openFolder(int folder, const QByteArray &name, int &fd)
{
    fd = retryInterrupted([&] {
        return ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    });
    return opened(fd);
}

FileSystem::Status FileSystem::openBeneath(int folder, const QByteArray &path, int &fd)
{
    open_how how {};
    how.flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    fd = retryInterrupted(
        [&] { return int(::syscall(SYS_openat2, folder, path.constData(), &how, sizeof how)); });
    return opened(fd);
}

bool FileSystem::isBeneathUnsupported(int error)
{
    // Older kernels, and sandboxes that filter system calls they do not know.
    return error == ENOSYS || error == EPERM || error == E2BIG || error == EINVAL;
}

FileSystem::Status FileSystem::info(int folder, const QByteArray &name, Info &out)
{
    struct stat st;
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
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

bool FileSystem::list(int folder, std::vector<Listed> &out)
{
    // A description of its own, read from the start, so folder's own offset is left alone.
    const int fd = retryInterrupted(
        [&] { return ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        errno = error;
        return false;
    }
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            error = errno; // 0 at the end
            break;
        }
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        std::optional<Kind> kind;
        if (entry->d_type != DT_UNKNOWN)
            kind = kindOf(DTTOIF(entry->d_type));
        out.push_back({ name, kind, quint64(entry->d_ino) });
    }
    ::closedir(dir);
    errno = error;
    return error == 0;
}

FileSystem::Status FileSystem::openFile(int folder, const QByteArray &name, int &fd)
{
    fd = retryInterrupted([&] {
        return ::openat(folder, name.constData(),
                        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    });
    return opened(fd);
}

bool FileSystem::isWritable(int folder, const QByteArray &name)
{
    if (::faccessat(folder, name.constData(), W_OK, AT_EACCESS) != 0)
        return false;
    // The kernel lets root write anything; a file nobody may write is still kept, as rm asks
    // before it removes one.
    struct stat st;
    return ::geteuid() != 0
        || (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0
            && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0);
}

FileSystem::Status FileSystem::createFolder(int folder, const QByteArray &name)
{
    return ::mkdirat(folder, name.constData(), 0777) == 0 ? Status::Ok : statusFromErrno(errno);
}

bool FileSystem::openArchive(const QByteArray &path, ArchiveFile &archive)
{
    return archive.open(path);
}

FileSystem::Status FileSystem::createFile(int folder, const QByteArray &name, int &fd)
{
    fd = retryInterrupted([&] {
        return ::openat(folder, name.constData(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    });
    return opened(fd);
}

QByteArray FileSystem::temporaryName()
{
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = ".quillon-";
    for (int i = 0; i < 10; ++i)
        name += kAlphabet[QRandomGenerator::global()->bounded(int(sizeof kAlphabet) - 1)];
    return name;
}

bool FileSystem::isTemporaryName(const QByteArray &name)
{
    return name.size() == 19 && name.startsWith(".quillon-")
        && std::all_of(name.begin() + 9, name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

FileSystem::Status FileSystem::createTemporaryFile(int folder, QByteArray &name, int &fd)
{
    // Hidden, and tried with O_EXCL, so it can neither show up as an entry nor take the place
    // of anything that is already there.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray candidate = temporaryName();
        const Status status = createFile(folder, candidate, fd);
        if (status != Status::AlreadyExists) {
            if (status == Status::Ok)
                name = candidate;
            return status;
        }
    }
    errno = EEXIST;
    return Status::Failed;
}

FileSystem::Status FileSystem::createUnnamedFile(int folder, int &fd)
{
    fd = retryInterrupted(
        [&] { return ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666); });
    if (fd < 0)
        return statusFromErrno(errno);
    // Naming it later goes through /proc, or takes a privilege; without either it could never
    // be named, which must be known now, before anything is written to it.
    if (::access("/proc/self/fd", X_OK) != 0 && ::geteuid() != 0) {
        ::close(fd);
        fd = -1;
        errno = EOPNOTSUPP;
        return Status::Failed;
    }
    return Status::Ok;
}

FileSystem::Status FileSystem::createScratchFile(int &fd)
{
    const char *tmp = ::getenv("TMPDIR");
    const QByteArray folder = tmp && *tmp ? QByteArray(tmp) : QByteArray("/tmp");
    fd = retryInterrupted(
        [&] { return ::open(folder.constData(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600); });
    for (int attempt = 0; attempt < 100 && fd < 0 && isUnnamedUnsupported(errno); ++attempt) {
        const QByteArray path = folder + '/' + temporaryName();
        fd = retryInterrupted([&] {
            return ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          0600);
        });
        if (fd >= 0)
            ::unlink(path.constData());
        else if (errno == EEXIST)
            errno = EOPNOTSUPP; // another name, then
    }
    return opened(fd);
}

bool FileSystem::isUnnamedUnsupported(int error)
{
    // A kernel without O_TMPFILE opens the folder itself and refuses to write it: EISDIR.
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOSYS;
}

bool FileSystem::linkFile(int fd, int folder, const QByteArray &name)
{
    const QByteArray path = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, path.constData(), folder, name.constData(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != ENOENT)
        return false;
    // No /proc: the descriptor itself, which takes CAP_DAC_READ_SEARCH.
    return ::linkat(fd, "", folder, name.constData(), AT_EMPTY_PATH) == 0;
}

bool FileSystem::sync(int fd)
{
    return retryInterrupted([&] { return ::fsync(fd); }) == 0;
}

bool FileSystem::setOwner(int fd, qint64 uid, qint64 gid)
{
    return ::fchown(fd, uid_t(uid), gid_t(gid)) == 0;
}

bool FileSystem::setPermissions(int fd, quint32 permissions)
{
    return ::fchmod(fd, mode_t(permissions)) == 0;
}

qint64 FileSystem::copyRange(int from, qint64 pos, int to, qint64 size)
{
    loff_t in = pos;
    return retryInterrupted(
        [&] { return ::copy_file_range(from, &in, to, nullptr, size_t(size), 0); });
}

bool FileSystem::isCopyUnsupported(int error)
{
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP
        || error == EBADF || error == EPERM;
}

qint64 FileSystem::write(int fd, const char *data, qint64 size)
{
    return retryInterrupted([&] { return ::write(fd, data, size_t(size)); });
}

qint64 FileSystem::readAt(int fd, char *data, qint64 size, qint64 pos)
{
    return retryInterrupted([&] { return ::pread(fd, data, size_t(size), off_t(pos)); });
}

bool FileSystem::writeFully(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const qint64 n = write(fd, data, size);
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool FileSystem::truncate(int fd, qint64 size)
{
    return ::ftruncate(fd, off_t(size)) == 0 && ::lseek(fd, off_t(size), SEEK_SET) >= 0;
}

bool FileSystem::close(int fd)
{
    // Linux releases the descriptor even when close reports an error, so it is never retried.
    return ::close(fd) == 0;
}

bool FileSystem::rename(int folder, const QByteArray &from, const QByteArray &to)
{
    return ::renameat(folder, from.constData(), folder, to.constData()) == 0;
}

bool FileSystem::remove(int folder, const QByteArray &name)
{
    return ::unlinkat(folder, name.constData(), 0) == 0;
}

int FileSystem::openWatch()
{
    return ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

bool FileSystem::watch(int watch, int fd)
{
    // The descriptor's entry in /proc is a link to the open folder, so it is followed. A folder
    // removed while it is held open says nothing itself until it is closed: the folder it was
    // removed from tells (IN_DELETE).
    const QByteArray path = "/proc/self/fd/" + QByteArray::number(fd);
    return ::inotify_add_watch(watch, path.constData(),
                               IN_MOVE_SELF | IN_DELETE_SELF | IN_DELETE | IN_ONLYDIR)
        >= 0;
}

bool FileSystem::watchedChanged(int watch)
{
    // Any event at all means a change: the queue is drained, never read event by event.
    char events[4096];
    bool changed = false;
    for (;;) {
        const ssize_t n = ::read(watch, events, sizeof events);
        if (n > 0)
            changed = true;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return changed || n == 0 || errno != EAGAIN;
    }
}
