#pragma once

#include <QByteArray>
#include <QtGlobal>

// The few file-system operations the entry writers need, over POSIX file descriptors. Paths are
// native (UTF-8) bytes. Creations and opens report why they failed in the three classes the
// writers act on, taken from errno; everything else is a plain success flag.
//
// The methods are virtual so tests can refuse or break any single step, which a test running
// as root cannot provoke through permissions.
class FileSystem
{
public:
    enum class Status {
        Ok,
        PathNotFound, // a folder on the way is missing, or is not a folder
        AlreadyExists,
        Failed, // anything else
    };

    struct Info
    {
        bool isFolder = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;

        bool isSameFile(const Info &other) const
        {
            return device == other.device && inode == other.inode;
        }
    };

    virtual ~FileSystem() = default;

    // The real file system; lives as long as the program.
    static FileSystem &standard();

    static Status statusFromErrno(int error);

    // Follows symbolic links, as a user looking at the folder would.
    virtual bool folderExists(const QByteArray &path);
    virtual Status info(const QByteArray &path, Info &out);
    virtual bool info(int fd, Info &out);

    // Ordinary permissions (0777 less the umask).
    virtual Status createFolder(const QByteArray &path);
    virtual Status openForReading(const QByteArray &path, int &fd);
    // Creates a new file for writing, never opening one that exists (not even through a
    // dangling link); ordinary permissions (0666 less the umask).
    virtual Status createFile(const QByteArray &path, int &fd);
    // Creates a new hidden file of a unique name in folder, as createFile does.
    virtual Status createTemporaryFile(const QByteArray &folder, QByteArray &path, int &fd);

    // Like pread and write: the count done, which may be short, or -1.
    virtual qint64 readAt(int fd, char *data, qint64 size, qint64 pos);
    virtual qint64 write(int fd, const char *data, qint64 size);
    // Copies up to size bytes from position pos of from to the current position of to inside
    // the kernel, like copy_file_range: the count done (0 at the end of from), or -1 with errno
    // set. isCopyUnsupported(errno) means the bytes must go through memory instead.
    virtual qint64 copyRange(int from, qint64 pos, int to, qint64 size);
    static bool isCopyUnsupported(int error);
    virtual bool close(int fd);

    // Replaces to if it exists.
    virtual bool rename(const QByteArray &from, const QByteArray &to);
    virtual bool remove(const QByteArray &path);
};
