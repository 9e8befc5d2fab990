#include "FaultyFileSystem.h"

#include <QFile>

#include <cerrno>

#include <utility>

QByteArray FaultyFileSystem::pathOf(int folder, const QByteArray &name)
{
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(folder);
    return QFile::encodeName(QFile::symLinkTarget(QFile::decodeName(link))) + '/' + name;
}

FileSystem::Status FaultyFileSystem::openFolder(int folder, const QByteArray &name, int &fd)
{
    if (beforeOpenFolder)
        beforeOpenFolder(pathOf(folder, name));
    return FileSystem::openFolder(folder, name, fd);
}

FileSystem::Status FaultyFileSystem::openBeneath(int folder, const QByteArray &path, int &fd)
{
    if (beforeOpenFolder) {
        errno = ENOSYS;
        return Status::Failed;
    }
    return FileSystem::openBeneath(folder, path, fd);
}

bool FaultyFileSystem::isWritable(int folder, const QByteArray &name)
{
    const QByteArray path = pathOf(folder, name);
    for (const QByteArray &file : std::as_const(readOnly)) {
        if (path.endsWith(file))
            return false;
    }
    return FileSystem::isWritable(folder, name);
}

FileSystem::Status FaultyFileSystem::createFolder(int folder, const QByteArray &name)
{
    const QByteArray path = pathOf(folder, name);
    folderCalls << path;
    for (const QByteArray &refused : std::as_const(refusedFolders)) {
        if (path.endsWith(refused)) {
            errno = EACCES;
            return Status::Failed;
        }
    }
    return FileSystem::createFolder(folder, name);
}

bool FaultyFileSystem::openArchive(const QByteArray &path, ArchiveFile &archive)
{
    ++archiveOpens;
    return FileSystem::openArchive(path, archive);
}

FileSystem::Status FaultyFileSystem::createFile(int folder, const QByteArray &name, int &fd)
{
    if (failCreateFile) {
        errno = EACCES;
        return Status::Failed;
    }
    const Status status = FileSystem::createFile(folder, name, fd);
    if (status == Status::Ok)
        m_written[fd] = 0;
    return status;
}

FileSystem::Status FaultyFileSystem::createTemporaryFile(int folder, QByteArray &name, int &fd)
{
    if (failTemporaryFile) {
        errno = EACCES;
        return Status::Failed;
    }
    // Through createFile above, so its faults apply to the temporary file too.
    return FileSystem::createTemporaryFile(folder, name, fd);
}

qint64 FaultyFileSystem::write(int fd, const char *data, qint64 size)
{
    largestWrite = qMax(largestWrite, size);
    qint64 &written = m_written[fd];
    if (failWriteAfter >= 0) {
        if (written >= failWriteAfter) {
            errno = ENOSPC;
            return -1;
        }
        size = qMin(size, failWriteAfter - written); // a short write first, as a full disk gives
    }
    const qint64 n = FileSystem::write(fd, data, size);
    if (n > 0)
        written += n;
    return n;
}

bool FaultyFileSystem::close(int fd)
{
    m_written.remove(fd);
    const bool ok = FileSystem::close(fd);
    if (failClose)
        errno = EIO;
    return ok && !failClose;
}

FileSystem::Status FaultyFileSystem::createUnnamedFile(int folder, int &fd)
{
    if (failUnnamedFile) {
        errno = EOPNOTSUPP;
        return Status::Failed;
    }
    return FileSystem::createUnnamedFile(folder, fd);
}

bool FaultyFileSystem::linkFile(int fd, int folder, const QByteArray &name)
{
    steps << "link";
    return FileSystem::linkFile(fd, folder, name);
}

bool FaultyFileSystem::sync(int fd)
{
    steps << "sync";
    if (failSync) {
        errno = EIO;
        return false;
    }
    return FileSystem::sync(fd);
}

bool FaultyFileSystem::setOwner(int fd, qint64 uid, qint64 gid)
{
    if (failSetOwner) {
        errno = EPERM;
        return false;
    }
    return FileSystem::setOwner(fd, uid, gid);
}

bool FaultyFileSystem::rename(int folder, const QByteArray &from, const QByteArray &to)
{
    steps << "rename";
    if (failRename) {
        errno = EXDEV;
        return false;
    }
    return FileSystem::rename(folder, from, to);
}

qint64 FaultyFileSystem::copyRange(int, qint64, int, qint64)
{
    errno = ENOSYS;
    return -1;
}

bool FaultyFileSystem::watch(int watch, int fd)
{
    if (beforeWatch)
        beforeWatch();
    return FileSystem::watch(watch, fd);
}
