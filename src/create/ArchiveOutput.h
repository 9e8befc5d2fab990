#pragma once

#include <QByteArray>

class FileSystem;

// The new archive as it is written: small writes gathered and handed to the file in large
// blocks, the position of the next byte always known, and the end taken back to an earlier
// position when an entry written in part is left out after all. Every failure leaves errno set.
class ArchiveOutput
{
public:
    // fd: an empty file open for writing.
    ArchiveOutput(FileSystem &fs, int fd);

    // Where the next byte goes.
    qint64 position() const { return m_flushed + m_buffer.size(); }

    bool write(const char *data, qint64 size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    // Hands what is gathered to the file.
    bool flush();
    // Copies up to size bytes from position pos of from inside the kernel, after what is
    // gathered: the count done, 0 when nothing (more) can be copied that way; the bytes then go
    // through write(), which tells a failure of the file from one of the kernel's copy.
    qint64 copyFrom(int from, qint64 pos, qint64 size);
    // Drops everything from pos on; pos is at most position().
    bool rewind(qint64 pos);

private:
    FileSystem &m_fs;
    const int m_fd;
    QByteArray m_buffer; // written bytes not yet handed to the file
    qint64 m_flushed = 0; // where m_buffer begins
};
