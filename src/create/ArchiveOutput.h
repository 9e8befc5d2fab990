#pragma once

#include <QByteArray>

#include <functional>

class FileSystem;

// The new archive as it is written: small writes gathered and handed to the file in large
// blocks, the position of the next byte always known, and the end taken back to an earlier
// position when an entry written in part is left out after all. Every failure leaves errno set,
// and the first failure to write sticks: once bytes may be missing from the file, every later
// write, flush and copy fails with the same errno, so a short file is never finished as whole.
//
// Written to a stream, which cannot be taken back (standard output into a pipe), the bytes not
// yet settled are held back instead: in memory while they are few, then in a scratch file made
// when first needed, so memory stays flat whatever an entry's size; they go out once settled.
class ArchiveOutput
{
public:
    // Makes the scratch file: a descriptor open for reading and writing, or -1 with errno set.
    using ScratchMaker = std::function<int()>;

    // fd: an empty file open for writing.
    ArchiveOutput(FileSystem &fs, int fd);
    ~ArchiveOutput();
    ArchiveOutput(const ArchiveOutput &) = delete;
    ArchiveOutput &operator=(const ArchiveOutput &) = delete;

    // fd is a stream: bytes are held until settled. Before the first write.
    void setStreaming(ScratchMaker scratch);

    // Where the next byte goes.
    qint64 position() const { return m_flushed + m_buffer.size(); }

    bool write(const char *data, qint64 size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    // Hands what is gathered to the file, or to the stream what of it is settled.
    bool flush();
    // Copies up to size bytes from position pos of from inside the kernel, after what is
    // gathered: the count done, 0 when nothing (more) can be copied that way; the bytes then go
    // through write(), which tells a failure of the file from one of the kernel's copy.
    qint64 copyFrom(int from, qint64 pos, qint64 size);
    // Drops everything from pos on; pos is at most position() and not before what is settled.
    bool rewind(qint64 pos);
    // Everything written so far is final: it is never taken back.
    void settle() { m_settled = position(); }
    // Everything written so far and from now on is final: the directory.
    void finish()
    {
        settle();
        m_finished = true;
    }

private:
    // Fails with the errno of the first failed write, if any.
    bool failed() const;
    // Keeps errno as the output's failure and returns false.
    bool fail();
    // Moves what is gathered to the end of the scratch file.
    bool hold();
    // Writes the scratch file's bytes to the stream and empties it.
    bool sendHeld();

    FileSystem &m_fs;
    const int m_fd;
    QByteArray m_buffer; // written bytes not yet handed to the file
    qint64 m_flushed = 0; // where m_buffer begins
    qint64 m_settled = 0;
    bool m_finished = false;
    int m_error = 0; // errno of the first failed write
    // Streaming: bytes before m_sent are out, the m_held after them in m_scratch.
    bool m_streaming = false;
    ScratchMaker m_makeScratch;
    int m_scratch = -1;
    qint64 m_sent = 0;
    qint64 m_held = 0;
};
