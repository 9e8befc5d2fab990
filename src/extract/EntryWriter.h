#pragma once

#include "ExtractFailure.h"
#include "FileSystem.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class ExtractReporter;
class OutputTracker;

// Turns single entries of an open archive into folders and files under the extract directory.
// Make one per export: it holds what every entry of that export shares, the extract directory's
// descriptor and that of the folder it wrote into last included, and closes them when it is
// destroyed. The archive itself is opened for each file entry and closed when it is done.
//
// Each writer deals with its own failures: it reports a failed entry to the reporter with its
// fixed text and returns false, so the caller simply goes on with the next entry. A failed entry
// never leaves a partial file behind and never changes a file that was already there; such a
// file is replaced only once the whole entry has been written beside it.
//
// Names use "\" as the folder separator ("/" is taken as one too). A name that could reach
// outside the extract directory (a ".." component) or that holds character 0 is refused, and
// nothing is ever created or written through a symbolic link below the extract directory.
class EntryWriter
{
public:
    // Inflates TheData in place, given the size it inflates to, and returns zlib's result code.
    // It may throw; any exception derived from std::exception fails the entry.
    using Decompressor = std::function<qint32(QByteArray &TheData, const qint32 &OrigSize)>;

    // Paths are native bytes, used as they are.
    EntryWriter(const QByteArray &archivePath, const QByteArray &extractDir,
                Decompressor decompressor, ExtractReporter &reporter,
                FileSystem &fileSystem = FileSystem::standard());
    ~EntryWriter();
    EntryWriter(const EntryWriter &) = delete;
    EntryWriter &operator=(const EntryWriter &) = delete;

    // The archive as its directory was read: a file entry fails once the path names another.
    void setArchiveIdentity(const FileSystem::Info &archive) { m_expectedArchive = archive; }
    // Leaves a file that is already there as it is and counts its entry as done.
    void setKeepExisting(bool keep) { m_keepExisting = keep; }
    // Inflates compressed entries in pieces straight into their files instead of through the
    // decompressor, so an entry of any size needs little memory. It accepts exactly what the
    // decompressor of the compression component accepts.
    void setStreamingInflation(bool streaming) { m_streaming = streaming; }
    // Told of every file while it is being written; not owned.
    void setOutputTracker(OutputTracker *tracker) { m_tracker = tracker; }

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

    // Makes the folders name needs, shallowest first, leaving existing ones alone and stopping
    // at the first that cannot be made. A name whose fourth character from the end is "." is
    // taken for a file name with a three-letter extension and its scan stops there; otherwise
    // its last component is a folder too.
    void createFolderPath(const QString &name);

    // Why a name can never be written as a file or a folder, if it cannot.
    static std::optional<ExtractFailure> refusal(const QString &name, bool isFile);

private:
    class Handle;
    class OutputFile;

    // The name's components as native bytes, without empty and "." ones.
    static QByteArrayList components(const QString &name);
    static std::optional<ExtractFailure> refusal(const QString &name, const QByteArrayList &parts,
                                                 bool isFile);
    // The folders createFolderPath makes for name.
    static QByteArrayList folderLevels(const QString &name);

    template<typename Work>
    bool reportFailure(const QString &message, const QString &name, Work &&work);
    bool fail(ExtractFailure why);
    bool failWithErrno();

    bool openExtractDir();
    // The descriptor of folders below the extract directory, opened without following links,
    // or -1 with m_why and status set. The result stays open until the next walk.
    int walk(const QByteArrayList &folders, FileSystem::Status &status);
    // Notes why opening name below folder failed.
    FileSystem::Status walkFailure(int folder, const QByteArray &name, FileSystem::Status status);
    // Makes every missing one of folders; reports the first that cannot be made for entry.
    bool ensureFolders(const QByteArrayList &folders, const QString &entry);
    // content writes the entry's bytes to an open file descriptor.
    // parts are name's components, as components() gives them.
    bool writeFile(const QString &name, const QByteArrayList &parts,
                   const std::function<bool(int fd)> &content);
    bool replaceFile(int folder, const QByteArray &name,
                     const std::function<bool(int fd)> &content);
    bool openArchive(Handle &archive, qint32 offset, qint32 size);
    bool inflateInPieces(int archive, qint32 offset, qint32 packedSize, qint32 unpackedSize,
                         const QString &name, const QByteArrayList &parts);
    bool readFully(int fd, char *data, qint64 size, qint64 pos);
    bool writeAll(int fd, const char *data, qint64 size);
    bool copyRange(int from, qint64 offset, qint64 size, int to);
    // Keeps folder open as the walk's result for folders (key: joined with "/"), closing the least
    // recently used folder when too many are open.
    int remember(const QByteArray &key, const QByteArrayList &folders, int folder);
    void forgetFolders();

    QByteArray m_archivePath;
    QByteArray m_extractDir;
    Decompressor m_decompressor;
    ExtractReporter &m_reporter;
    FileSystem &m_fs;
    std::optional<FileSystem::Info> m_expectedArchive;
    // The archive as last opened: an entry never replaces it.
    FileSystem::Info m_archiveInfo;
    int m_root = -1;
    // Folders walked to so far, by their components joined with "/", and the one walked to
    // last: entries taking turns among many folders, or going down a chain of ever deeper
    // ones, then need one step or none instead of a walk from the top.
    struct Folder
    {
        int fd;
        quint64 used;
    };
    QHash<QByteArray, Folder> m_folders;
    QByteArrayList m_lastPath;
    QByteArray m_lastKey;
    quint64 m_uses = 0;
    qsizetype m_maxFolders;
    // Why the current entry failed.
    ExtractFailure m_why;
    // Reused by every stored entry of the export; never larger than one copy chunk.
    QByteArray m_chunk;
    // Cleared once the kernel refuses to copy between these file systems.
    bool m_kernelCopy = true;
    // Cleared once the kernel cannot open several levels in one step.
    bool m_walkBeneath = true;
    bool m_keepExisting = false;
    bool m_streaming = false;
    OutputTracker *m_tracker = nullptr;
};
