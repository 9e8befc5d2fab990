#include "FaultyFileSystem.h"

#include <cerrno>

#include <utility>

FileSystem::Status FaultyFileSystem::createFolder(const QByteArray &path)
{
    folderCalls << path;
    for (const QByteArray &refused : std::as_const(refusedFolders)) {
        if (path.endsWith(refused))
            return Status::Failed;
    }
    return FileSystem::createFolder(path);
}

FileSystem::Status FaultyFileSystem::openForReading(const QByteArray &path, int &fd)
{
    ++archiveOpens;
    return FileSystem::openForReading(path, fd);
}

FileSystem::Status FaultyFileSystem::createFile(const QByteArray &path, int &fd)
{
    if (failCreateFile)
        return Status::Failed;
    const Status status = FileSystem::createFile(path, fd);
    if (status == Status::Ok)
        m_written[fd] = 0;
    return status;
}

FileSystem::Status FaultyFileSystem::createTemporaryFile(const QByteArray &folder, QByteArray &path,
                                                         int &fd)
{
    if (failTemporaryFile)
        return Status::Failed;
    // Through createFile above, so its faults apply to the temporary file too.
    return FileSystem::createTemporaryFile(folder, path, fd);
}

qint64 FaultyFileSystem::write(int fd, const char *data, qint64 size)
{
    largestWrite = qMax(largestWrite, size);
    qint64 &written = m_written[fd];
    if (failWriteAfter >= 0) {
        if (written >= failWriteAfter)
            return -1;
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
    return ok && !failClose;
}

bool FaultyFileSystem::rename(const QByteArray &from, const QByteArray &to)
{
    return !failRename && FileSystem::rename(from, to);
}

qint64 FaultyFileSystem::copyRange(int, qint64, int, qint64)
{
    errno = ENOSYS;
    return -1;
}
