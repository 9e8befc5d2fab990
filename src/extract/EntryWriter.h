#pragma once

#include "FileSystem.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <vector>

class ExtractReporter;

// Turns single entries of an open archive into folders and files under the extract directory.
// Make one per export: it holds what every entry of that export shares, the archive opened for
// reading from the first file entry on included, and closes the archive when it is destroyed.
//
// Each writer deals with its own failures: it reports a failed entry to the reporter with its
// fixed text and returns false, so the caller simply goes on with the next entry. A failed entry
// never leaves a partial file behind and never changes a file that was already there; such a
// file is replaced only once the whole entry has been written beside it.
//
// Names use "\" as the folder separator ("/" is taken as one too). A name that could reach
// outside the extract directory (a ".." component) or that holds character 0 is refused.
class EntryWriter
{
public:
    // Inflates TheData in place, given the size it inflates to, and returns zlib's result code.
    // It may throw; any exception derived from std::exception fails the entry.
    using Decompressor = std::function<qint32(QByteArray &TheData, const qint32 &OrigSize)>;

    EntryWriter(const QString &archivePath, const QString &extractDir, Decompressor decompressor,
                ExtractReporter &reporter, FileSystem &fileSystem = FileSystem::standard());
    ~EntryWriter();
    EntryWriter(const EntryWriter &) = delete;
    EntryWriter &operator=(const EntryWriter &) = delete;

    // The path an entry is written to, as shown to the user and used on disk: the extract
    // directory, one "/", then the name with every "\" as "/".
    static QString outputPath(const QString &extractDir, const QString &name);

    // An existing folder counts as written.
    bool writeFolderEntry(const QString &name);
    // Copies size bytes of the archive from offset on.
    bool writeStoredEntry(qint32 offset, qint32 size, const QString &name);
    // Inflates packedSize bytes of the archive from offset on.
    bool writeCompressedEntry(qint32 offset, qint32 packedSize, qint32 unpackedSize,
                              const QString &name);

    // Makes the folders name needs, shallowest first, leaving existing ones alone. A name whose
    // fourth character from the end is "." is taken for a file name with a three-letter
    // extension and its scan stops there; otherwise its last component is a folder too.
    void createFolderPath(const QString &name);

private:
    // The archive, open for one entry's read and closed when that is done, so no file stays
    // open from one entry to the next.
    class ArchiveFile;
    // Opens the archive and checks that [offset, offset + size) lies inside it.
    bool openArchive(ArchiveFile &archive, qint32 offset, qint32 size);

    // Where each folder of createFolderPath(name) ends within name, shallowest first.
    static std::vector<qsizetype> folderEnds(const QString &name);
    bool writeFolder(const QString &name, bool mayCreatePath);
    // Returns whether name's own folder was one of the levels.
    bool createFolders(const QString &name);
    // content writes the entry's bytes to an open file descriptor.
    bool writeFile(const QString &name, const std::function<bool(int fd)> &content);
    bool replaceFile(const QByteArray &path, const std::function<bool(int fd)> &content);
    bool readFully(int fd, char *data, qint64 size, qint64 pos);
    bool writeAll(int fd, const char *data, qint64 size);
    bool copyRange(int from, qint64 offset, qint64 size, int to);

    static bool isSafeName(const QString &name);
    QByteArray nativePath(const QString &name) const;

    QByteArray m_archivePath;
    QByteArray m_extractDir;
    Decompressor m_decompressor;
    ExtractReporter &m_reporter;
    FileSystem &m_fs;
    // The archive as last opened: an entry never replaces it.
    FileSystem::Info m_archiveInfo;
    // Reused by every stored entry of the export; never larger than one copy chunk.
    QByteArray m_chunk;
    // Cleared once the kernel refuses to copy between these file systems.
    bool m_kernelCopy = true;
};
