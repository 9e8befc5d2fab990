#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// An archive open for reading: a regular file, reached by its path once and read by position
// from then on, so every read goes to the file whose directory was read, whatever the path
// names later.
class ArchiveFile
{
public:
    // Which file it is: two paths name the same file when these are equal.
    struct Identity
    {
        quint64 device = 0;
        quint64 inode = 0;

        friend bool operator==(const Identity &, const Identity &) = default;
    };

    ArchiveFile() = default;
    ~ArchiveFile() { close(); }
    ArchiveFile(const ArchiveFile &) = delete;
    ArchiveFile &operator=(const ArchiveFile &) = delete;

    // Opens path read-only, never waiting (a FIFO would hold the caller until a writer came)
    // and never becoming a controlling terminal. Anything but a regular file fails with EINVAL;
    // on failure errno and error() say why.
    bool open(const QByteArray &path);
    // Takes over a descriptor open for reading, on the same terms.
    bool adopt(int fd);
    void close();

    bool isOpen() const { return m_fd >= 0; }
    int handle() const { return m_fd; }
    qint64 size() const { return m_size; }
    Identity identity() const { return m_identity; }
    int error() const { return m_error; }
    QString errorString() const;

    // Whether size bytes from offset lie inside the file.
    bool contains(qint64 offset, qint64 size) const
    {
        return offset >= 0 && size >= 0 && offset <= m_size && size <= m_size - offset;
    }
    // Like pread, never interrupted: the count read, which may be short, 0 at the end, or -1
    // with errno set.
    qint64 readAt(char *data, qint64 size, qint64 pos) const
    {
        return readAt(m_fd, data, size, pos);
    }
    // Exactly size bytes at pos; false with errno set, or 0 when the file ended first.
    bool readFully(char *data, qint64 size, qint64 pos) const
    {
        return readFully(m_fd, data, size, pos);
    }
    // The same for any file open for reading: the one place a file is read by position.
    static qint64 readAt(int fd, char *data, qint64 size, qint64 pos);
    static bool readFully(int fd, char *data, qint64 size, qint64 pos);

private:
    int m_fd = -1;
    qint64 m_size = 0;
    Identity m_identity;
    int m_error = 0;
};
