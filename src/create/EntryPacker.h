#pragma once

#include "ArchiveOutput.h"

#include "archive/ArchiveBuilder.h"
#include "compress/ParallelDeflate.h"

#include <QByteArray>
#include <QString>

#include <ctime>
#include <deque>
#include <functional>
#include <memory>

class FileSystem;
class SourceTree;

// Writes the entries of a SourceTree, in its order, and then the directory into a new archive:
// a folder as a record alone, a file's bytes stored or, at a level above 0, deflated on several
// threads (ParallelDeflate) and kept compressed only when that is smaller. Files are read in
// pieces whose bytes are written as they come, so memory stays flat whatever their size, and
// what is written depends only on the files and the level. A file that cannot be read, or that
// changes while it is read, is reported and left out, its bytes written so far taken back.
class EntryPacker
{
public:
    // path: below the tree's root, as SourceTree reports it.
    using Reporter = std::function<void(const QByteArray &path, const QString &reason)>;
    // An entry written, by its stored name.
    using Added = std::function<void(const QByteArray &name)>;
    // What a progress line shows: each entry as it is begun, by its stored name; bytes of the
    // files read; each entry done with, added or left out.
    struct Progress
    {
        std::function<void(const QByteArray &name)> begun;
        std::function<void(qint64 bytes)> read;
        std::function<void()> done;
    };

    // out: an empty file open for writing. Level 0 stores every file; threads deflate.
    EntryPacker(int out, int level, int threads, FileSystem &fs, Reporter reporter,
                Added added = {});
    ~EntryPacker();
    EntryPacker(const EntryPacker &) = delete;
    EntryPacker &operator=(const EntryPacker &) = delete;

    // out is a stream, which cannot be taken back (ArchiveOutput::setStreaming).
    void setStreaming(ArchiveOutput::ScratchMaker scratch);
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // Writes every entry of tree and then the directory. False when no archive can be written,
    // errorString() says why: out cannot be written, or the archive would pass the 2 GiB its
    // 32-bit positions can reach.
    bool pack(SourceTree &tree) { return writeEntries(tree) && writeDirectory(); }
    // pack() in two steps, so that an archive of no entries need not be written at all.
    bool writeEntries(SourceTree &tree);
    bool writeDirectory();
    // The entries written so far.
    qint32 added() const { return m_builder.count(); }
    QString errorString() const { return m_error; }

private:
    enum class Kind { Folder, Stored, Deflated };

    struct Entry
    {
        qsizetype item = 0;
        Kind kind = Kind::Folder;
        int fd = -1; // open while its bytes may be read again
        qint64 size = 0;
        timespec mtime {};
        qsizetype submitted = 0, taken = 0; // pieces
        bool reading = false;
        bool skipped = false; // left out without a word: the archive itself
        QString why; // left out, reported when retired
        qint64 start = -1; // where its bytes begin, once some are written
        qint64 packed = 0; // bytes written for it so far
        quint32 adler = 1;
    };

    bool fail(const QString &error);
    // Whether an entry of data more bytes still fits, with the records still to come.
    bool fits(qint64 data) const { return m_builder.fits(data, m_plannedRecords); }
    // Into the archive; false, with the archive's failure kept, when it cannot be written.
    bool write(const QByteArray &bytes);
    bool flush();
    bool rewind(qint64 pos);

    void addFile(Entry &e);
    void readPieces(Entry &e);
    bool readFully(Entry &e, char *data, qint64 size, qint64 pos);
    // Why the file of e is not what it was when opened, or empty.
    QString changed(const Entry &e) const;
    // Takes pieces while too many are queued or too many files open; false on a failure.
    bool throttle();
    // Waits for the oldest piece and writes it for its entry.
    bool takeOne();
    // Retires the entries at the front that have all their bytes; drain: all of them.
    void settle();
    bool drain();
    void retire(Entry &e);
    bool store(Entry &e);
    void closeFile(Entry &e);

    const int m_threads;
    FileSystem &m_fs;
    Reporter m_report;
    Added m_added;
    Progress m_progress;
    std::unique_ptr<ParallelDeflate> m_deflate;
    SourceTree *m_tree = nullptr;
    ArchiveBuilder m_builder;
    qint64 m_plannedRecords = 0; // of the entries not yet retired
    std::deque<Entry> m_entries; // oldest first
    qsizetype m_openFiles = 0;
    ArchiveOutput m_output;
    QString m_error;
    QByteArray m_header;
};
