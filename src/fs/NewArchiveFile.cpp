#include "NewArchiveFile.h"

#include "OutputTracker.h"
#include "archive/EntryFailure.h"

#include <cerrno>

NewArchiveFile::NewArchiveFile(FileSystem &fs, OutputTracker *tracker)
    : m_fs(fs), m_tracker(tracker), m_folder(fs), m_fd(fs)
{ }

NewArchiveFile::~NewArchiveFile()
{
    m_fd.close();
    if (m_temporary.isEmpty())
        return;
    hold();
    m_fs.remove(m_folder.fd(), m_temporary);
    m_temporary.clear();
    track();
}

void NewArchiveFile::hold()
{
    if (m_tracker)
        m_tracker->hold();
}

void NewArchiveFile::track()
{
    if (!m_tracker)
        return;
    const int error = errno;
    m_tracker->track(m_temporary.isEmpty() ? -1 : m_folder.fd(), m_temporary);
    errno = error;
}

QString NewArchiveFile::open(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folderPath = slash < 0 ? QByteArray(".") : path.left(qMax(slash, 1));
    m_name = path.mid(slash + 1);
    if (m_name.isEmpty() || m_name == "." || m_name == "..")
        return QStringLiteral("not a file name");
    int fd = -1;
    if (m_fs.openChosenFolder(folderPath, fd) != FileSystem::Status::Ok)
        return EntryFailure::systemText(errno);
    m_folder.reset(fd);
    FileSystem::Info found;
    switch (m_fs.info(m_folder.fd(), m_name, found)) {
    case FileSystem::Status::Ok:
        break;
    case FileSystem::Status::PathNotFound:
        return {};
    default:
        return EntryFailure::systemText(errno);
    }
    // Renaming over a link would replace the link itself (think of /dev/stdout), and anything
    // but a regular file cannot take an archive: both are left alone.
    if (found.kind != FileSystem::Kind::File)
        return found.isFolder() ? EntryFailure::systemText(EISDIR)
            : found.kind == FileSystem::Kind::Link
            ? QStringLiteral("symbolic link, not replaced")
            : QStringLiteral("not a regular file, not replaced");
    // As extraction keeps a read-only file: whoever made it so can make it writable again.
    if (!m_fs.isWritable(m_folder.fd(), m_name))
        return EntryFailure { EntryFailure::ReadOnly }.text();
    m_existing = found;
    return {};
}

bool NewArchiveFile::create()
{
    int fd = -1;
    if (m_fs.createUnnamedFile(m_folder.fd(), fd) == FileSystem::Status::Ok) {
        m_fd.reset(fd);
        return true;
    }
    if (!FileSystem::isUnnamedUnsupported(errno))
        return false;
    // Held from before the file exists until the tracker knows of it.
    hold();
    QByteArray name;
    const bool made = m_fs.createTemporaryFile(m_folder.fd(), name, fd) == FileSystem::Status::Ok;
    if (made) {
        m_fd.reset(fd);
        m_temporary = name;
    }
    track();
    return made;
}

bool NewArchiveFile::keepAccess()
{
    const FileSystem::Info &old = *m_existing;
    FileSystem::Info made;
    if (!m_fs.info(m_fd.fd(), made))
        return false;
    bool groupKept = made.gid == old.gid;
    // Root may give back both ids; an owner may give back the group where it is a member.
    if ((made.uid != old.uid || !groupKept)
        && (m_fs.setOwner(m_fd.fd(), old.uid, old.gid)
            || (!groupKept && m_fs.setOwner(m_fd.fd(), -1, old.gid))))
        groupKept = true;
    // The group's bits were meant for the old group: another group's members get only what
    // everyone had, so a group that cannot be kept never widens who may read the archive.
    quint32 permissions = old.permissions & 0777;
    if (!groupKept)
        permissions &= ~quint32(070) | ((permissions & 07) << 3);
    return m_fs.setPermissions(m_fd.fd(), permissions);
}

bool NewArchiveFile::linkTemporary()
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = FileSystem::temporaryName();
        hold();
        const bool linked = m_fs.linkFile(m_fd.fd(), m_folder.fd(), name);
        if (linked)
            m_temporary = name;
        track();
        if (linked || errno != EEXIST)
            return linked;
    }
    errno = EEXIST;
    return false;
}

bool NewArchiveFile::commit()
{
    if (m_existing && !keepAccess())
        return false;
    if (!m_fs.sync(m_fd.fd()))
        return false;
    if (m_temporary.isEmpty() && !m_existing) {
        // The name was free when it was looked at; whatever has taken it since is left alone.
        if (!m_fs.linkFile(m_fd.fd(), m_folder.fd(), m_name))
            return false;
    } else {
        if (m_temporary.isEmpty() && !linkTemporary())
            return false;
        hold();
        const bool renamed = m_fs.rename(m_folder.fd(), m_temporary, m_name);
        if (renamed)
            m_temporary.clear();
        track();
        if (!renamed)
            return false;
    }
    m_fd.close();
    // The new name lasts only once its folder is on the disk too. A file system that cannot
    // flush a folder says EINVAL, and there is nothing more to be done there.
    return m_fs.sync(m_folder.fd()) || errno == EINVAL;
}
