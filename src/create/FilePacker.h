#pragma once

#include "ArchiveOutput.h"

#include "archive/EntryRecord.h"

#include <QByteArray>
#include <QString>

#include <ctime>
#include <memory>

class FileSystem;
class ParallelDeflate;

// Writes one file's bytes into an archive at the output's position, one file at a time, for the
// entries update writes among the data it keeps: stored as they are, or deflated as one zlib
// stream, in pieces on several threads (ParallelDeflate, as create does), so memory stays flat
// whatever the file's size. A file that cannot be read, or changes while it is read, is not
// written: what was written of it is taken back.
class FilePacker
{
public:
    enum class Form {
        Stored,
        Compressed, // one zlib stream, smaller or not
        Smaller, // create's choice: compressed only at a level above 0 and when that is smaller
    };

    struct Packed
    {
        qint32 type = StoredEntry;
        qint64 size = 0;
        qint64 packed = 0; // bytes written
    };

    // level 0 to 9: a compressed form at level 0 is one zlib stream of stored blocks.
    FilePacker(FileSystem &fs, ArchiveOutput &out, int level, int threads);
    ~FilePacker();
    FilePacker(const FilePacker &) = delete;
    FilePacker &operator=(const FilePacker &) = delete;

    // Starts reading and deflating the file open as fd for a compressed form, up to a few MiB,
    // before the bytes ahead of it in the archive are written: its deflating then goes on while
    // they are copied. pack() on the same fd takes it from there.
    void readAhead(int fd, Form form);
    // Writes the file open as fd. False when it was not written: why then tells what is wrong
    // with the file, or is empty when the archive itself cannot be written (errorString()).
    bool pack(int fd, Form form, Packed &result, QString &why);
    QString errorString() const { return m_error; }

private:
    // Takes the file open as fd as the one to read; false with m_why set when it cannot be.
    bool start(int fd, Form form);
    // Reads and queues the file's pieces until bytes of them are queued, or all are.
    void submit(qint64 bytes);
    bool deflate(Packed &result, QString &why);
    bool store(Packed &result, QString &why);
    // Writes the oldest piece deflated; false on a failure of the archive or of memory.
    bool takeOne(Packed &result, quint32 &adler);
    bool readFully(char *data, qint64 size, qint64 pos, QString &why);
    void dropQueued();
    // Writes every piece still queued, so that the next file starts on an empty queue.
    bool drain(Packed &result, quint32 &adler);
    // Why the file is not what it was when its size was taken, or empty.
    QString changed() const;
    bool fail(const QString &error);
    bool write(const QByteArray &bytes);

    FileSystem &m_fs;
    ArchiveOutput &m_out;
    const int m_level;
    const int m_threads;
    std::unique_ptr<ParallelDeflate> m_deflate; // made for the first file deflated
    // The file being read: its size and time when it was taken, the next piece to read and the
    // bytes before it, and why it cannot be read.
    int m_fd = -1;
    bool m_deflating = false;
    qint64 m_size = 0;
    timespec m_mtime {};
    qint64 m_next = 0, m_pieces = 0;
    QByteArray m_tail;
    QString m_why;
    QString m_error;
};
