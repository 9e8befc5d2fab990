#pragma once

#include "archive/ArchiveFile.h"
#include "archive/EntryFailure.h"
#include "archive/EntryReader.h"
#include "fs/FileSystem.h"
#include "fs/FolderWalk.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class EntryName;
class ExtractReporter;
class OutputFile;
class OutputTracker;

// Turns single entries of an archive into folders and files under the extract directory. Make
// one per export: the extract directory is opened when it is made and every entry is written
// from that descriptor (FolderWalk). The archive is opened again by its path for each file
// entry and closed when the entry is done, unless the caller hands over one that stays open
// (setArchive).
//
// Each writer deals with its own failures: it reports a failed entry to the reporter with its
// fixed text and returns false, so the caller simply goes on with the next entry. A failed entry
// never leaves a partial file behind and never changes a file that was already there
// (OutputFile).
//
// Names use "\" as the folder separator ("/" is taken as one too). A name that could reach
// outside the extract directory, that holds character 0 or that is too long is refused
// (EntryName), and nothing is ever created or written through a symbolic link.
class EntryWriter
{
public:
    // Inflates TheData in place, given the size it inflates to, and returns zlib's result code.
    // It may throw; any exception derived from std::exception fails the entry.
    using Decompressor = std::function<qint32(QByteArray &TheData, const qint32 &OrigSize)>;
    // Told of the bytes of a file as each piece of them is written.
    using Progress = std::function<void(qint64 bytes)>;

    // Paths are native bytes, used as they are.
    EntryWriter(const QByteArray &archivePath, const QByteArray &extractDir,
                Decompressor decompressor, ExtractReporter &reporter,
                FileSystem &fileSystem = FileSystem::standard());
    ~EntryWriter();
    EntryWriter(const EntryWriter &) = delete;
    EntryWriter &operator=(const EntryWriter &) = delete;

    // The errno of opening the extract directory, 0 when it is open; every entry fails without.
    int destinationError() const { return m_walk.destinationError(); }

    // The archive as its directory was read: a file entry fails once the path names another.
    void setArchiveIdentity(const ArchiveFile::Identity &archive) { m_expectedArchive = archive; }
    // Reads every entry through archive, open for the whole export, instead of opening the
    // path again; not owned.
    void setArchive(const ArchiveFile *archive) { m_heldArchive = archive; }
    // Leaves a file that is already there as it is and counts its entry as done.
    void setKeepExisting(bool keep) { m_keepExisting = keep; }
    // Inflates compressed entries in pieces straight into their files instead of through the
    // decompressor, so an entry of any size needs little memory. It accepts exactly what the
    // decompressor of the compression component accepts.
    void setStreamingInflation(bool streaming) { m_streaming = streaming; }
    // Told of every file while it is being written; not owned.
    void setOutputTracker(OutputTracker *tracker) { m_tracker = tracker; }
    // Told of the bytes copied or inflated into a file as each piece is written, so a large
    // entry shows its progress; the pieces are a quarter MiB or more, all but an entry's last,
    // so the call costs nothing measurable. Not told of entries inflated at once.
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // The bytes the last compressed entry inflated to while streaming.
    qint64 inflatedSize() const { return m_reader.inflatedSize(); }

    // The path an entry is written to, as shown to the user: the extract directory, one "/",
    // then the name with every "\" as "/".
    static QString outputPath(const QString &extractDir, const QString &name);

    // An existing folder counts as written.
    bool writeFolderEntry(const QString &name);
    // Copies size bytes of the archive from offset on.
    bool writeStoredEntry(qint32 offset, qint32 size, const QString &name);
    // Inflates packedSize bytes of the archive from offset on.
    bool writeCompressedEntry(qint32 offset, qint32 packedSize, qint32 unpackedSize,
                              const QString &name);

private:
    using Content = std::function<bool(OutputFile &file)>;

    template<typename Work>
    bool reportFailure(const QString &message, const QString &name, Work &&work);
    bool fail(EntryFailure why);
    bool failWithErrno();
    // Takes the reader's result: false with the cause noted, unless it is Ok.
    bool readResult(EntryReader::Result result);

    // The archive to read an entry from: the one held, or the path opened again into reopened.
    // Null with the cause noted when it cannot be read, or when size bytes from offset do not
    // lie inside it.
    const ArchiveFile *openArchive(ArchiveFile &reopened, qint32 offset, qint32 size);
    bool writeFile(const QString &name, const EntryName &entry, const Content &content);
    // Whether a file that is already there may be replaced; false with the cause noted, or
    // with keep set when it stays as it is and the entry counts as done.
    bool mayReplace(int folder, const QByteArray &name, bool &keep);

    QByteArray m_archivePath;
    Decompressor m_decompressor;
    ExtractReporter &m_reporter;
    FileSystem &m_fs;
    FolderWalk m_walk;
    EntryReader m_reader;
    std::optional<ArchiveFile::Identity> m_expectedArchive;
    const ArchiveFile *m_heldArchive = nullptr;
    // The archive as last opened: an entry never replaces it.
    ArchiveFile::Identity m_archiveIdentity;
    // Why the current entry failed.
    EntryFailure m_why;
    bool m_keepExisting = false;
    bool m_streaming = false;
    OutputTracker *m_tracker = nullptr;
    Progress m_progress;
};
