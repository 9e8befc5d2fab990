#pragma once

#include "archive/ArchiveFile.h"

#include <QByteArray>
#include <QtGlobal>

#include <ctime>
#include <optional>
#include <vector>

// The file system as create and extract work through it, over POSIX file descriptors. A folder
// the user names is opened once by its path; everything below it is reached one name at a time
// from that descriptor, never through a whole path and never through a symbolic link, so
// nothing that appears in the tree meanwhile can lead a write out of it or a read into another
// tree. Names are single components in native bytes, passed to the kernel unchanged.
//
// Failures leave errno set to their cause. Creations and opens also sort it into the three
// classes the writers act on.
//
// The methods are virtual so tests can refuse or break any single step, which a test running
// as root cannot provoke through permissions, and so the fuzzers can run on a tree in memory.
class FileSystem
{
public:
    enum class Status {
        Ok,
        PathNotFound, // a folder on the way is missing, or is not a folder
        AlreadyExists,
        Failed, // anything else, a symbolic link in the way included
    };

    enum class Kind { Other, File, Folder, Link, Fifo, Socket, Device };

    struct Info
    {
        Kind kind = Kind::Other;
        ArchiveFile::Identity identity;
        qint64 size = 0;
        timespec modified {};
        quint32 permissions = 0; // the mode's 07777 bits
        quint32 uid = 0, gid = 0;

        bool isFolder() const { return kind == Kind::Folder; }
    };

    // One name a folder lists, with what the listing tells of it: no kind where the file system
    // does not say, so info() must be asked.
    struct Listed
    {
        QByteArray name;
        std::optional<Kind> kind;
        quint64 inode = 0;
    };

    virtual ~FileSystem() = default;

    // The real file system; lives as long as the program.
    static FileSystem &standard();

    static Status statusFromErrno(int error);

    // A folder the user named by its path (the extract directory, create's source folder, the
    // archive's folder): the one open that may follow a link.
    virtual Status openChosenFolder(const QByteArray &path, int &fd);
    // A folder inside folder, open for reading so it can be listed too: fails with errno
    // ENOTDIR where name is not a folder, a link to one included.
    virtual Status openFolder(int folder, const QByteArray &name, int &fd);
    // A folder several levels below folder in one step, path's components joined by "/":
    // fails where any of them is missing, is not a folder or is a link, or where the path
    // would leave folder. Fails with isBeneathUnsupported(errno) on a kernel that cannot.
    virtual Status openBeneath(int folder, const QByteArray &path, int &fd);
    static bool isBeneathUnsupported(int error);
    // Never follows a link.
    virtual Status info(int folder, const QByteArray &name, Info &out);
    virtual bool info(int fd, Info &out);
    // Every name in folder but "." and "..", in the order the file system gives them; false
    // with errno set when it cannot be read to the end.
    virtual bool list(int folder, std::vector<Listed> &out);
    // A file inside folder, open for reading: never through a link, never waiting (a FIFO would
    // hold the caller until a writer came), never becoming a controlling terminal.
    virtual Status openFile(int folder, const QByteArray &name, int &fd);
    // Whether this process may write the file, by its effective ids as the kernel checks them;
    // a file without any write bit counts as read-only for root too.
    virtual bool isWritable(int folder, const QByteArray &name);

    // Ordinary permissions (0777 less the umask).
    virtual Status createFolder(int folder, const QByteArray &name);
    // The archive, opened again by its path for one entry (ArchiveFile::open); false with
    // errno set.
    virtual bool openArchive(const QByteArray &path, ArchiveFile &archive);
    // Creates a new file for writing, never opening one that exists (not even through a
    // dangling link); ordinary permissions (0666 less the umask).
    virtual Status createFile(int folder, const QByteArray &name, int &fd);
    // Creates a new hidden file of a unique name in folder, as createFile does.
    virtual Status createTemporaryFile(int folder, QByteArray &name, int &fd);
    // A name of the form createTemporaryFile gives: ".quillon-" and ten of [a-z0-9].
    static QByteArray temporaryName();
    static bool isTemporaryName(const QByteArray &name);
    // Creates a new file in folder that has no name yet (O_TMPFILE), so nothing is left of it
    // whatever ends the process; linkFile() names it. isUnnamedUnsupported(errno) where the
    // file system or the system cannot, and a named temporary file must do instead.
    virtual Status createUnnamedFile(int folder, int &fd);
    static bool isUnnamedUnsupported(int error);
    // A file to hold bytes for a while, read and written, in $TMPDIR (or /tmp) and never named
    // for longer than it takes to remove the name again; an unnamed one can never be given one.
    virtual Status createScratchFile(int &fd);
    // Gives the file open as fd, made by createUnnamedFile, a name in folder; fails with EEXIST
    // where something has it.
    virtual bool linkFile(int fd, int folder, const QByteArray &name);
    // Flushes the file or folder open as fd to the disk (fsync).
    virtual bool sync(int fd);
    // fchown: -1 leaves that id as it is.
    virtual bool setOwner(int fd, qint64 uid, qint64 gid);
    virtual bool setPermissions(int fd, quint32 permissions);

    // Like write: the count done, which may be short, or -1.
    virtual qint64 write(int fd, const char *data, qint64 size);
    // Like pread: the count read, 0 at the end, or -1.
    virtual qint64 readAt(int fd, char *data, qint64 size, qint64 pos);
    // Every byte, through write(); false with errno set (ENOSPC where nothing more would go).
    bool writeFully(int fd, const char *data, qint64 size);
    // Cuts the file back to size bytes, the next write going there.
    virtual bool truncate(int fd, qint64 size);
    // Copies up to size bytes from position pos of from to the current position of to inside
    // the kernel, like copy_file_range: the count done (0 at the end of from), or -1 with errno
    // set. isCopyUnsupported(errno) means the bytes must go through memory instead.
    virtual qint64 copyRange(int from, qint64 pos, int to, qint64 size);
    static bool isCopyUnsupported(int error);
    virtual bool close(int fd);

    // Watches folders for being moved or removed (inotify), so that a descriptor kept from one
    // entry to the next serves only while its folder is where it was: a watch, or -1 where the
    // system has none.
    virtual int openWatch();
    // Starts watching the folder open as fd, wherever it is moved: the folder itself, never
    // whatever a name leads to by the time the kernel looks it up. False where it cannot (no
    // watch left, or no /proc to reach the descriptor through).
    virtual bool watch(int watch, int fd);
    // Whether anything watched has moved or gone since the last call, or that cannot be told.
    virtual bool watchedChanged(int watch);

    // Within one folder; replaces to if it exists, a link by the file itself.
    virtual bool rename(int folder, const QByteArray &from, const QByteArray &to);
    virtual bool remove(int folder, const QByteArray &name);

    class Descriptor;
};

// A descriptor of a FileSystem, closed when it goes out of scope unless it was only borrowed.
class FileSystem::Descriptor
{
public:
    explicit Descriptor(FileSystem &fs) : m_fs(fs) { }
    ~Descriptor() { close(); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int fd() const { return m_fd; }
    // Takes fd over; a borrowed one stays open when this one is done with it.
    void reset(int fd, bool owned = true)
    {
        close();
        m_fd = fd;
        m_owned = owned;
    }
    // Hands the descriptor over, to be closed by whoever takes it.
    int release()
    {
        m_owned = false;
        return m_fd;
    }
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || !m_owned || m_fs.close(fd);
    }

private:
    FileSystem &m_fs;
    int m_fd = -1;
    bool m_owned = true;
};
