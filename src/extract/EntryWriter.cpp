#include "EntryWriter.h"

#include "ExtractReporter.h"

#include <cerrno>
#include <exception>
#include <utility>

#include <zlib.h>

namespace {

const QString kFolderMessage = QStringLiteral("Something Bad with DIR!");
const QString kStoredMessage = QStringLiteral("Something bad happened in UC!");
const QString kCompressedMessage = QStringLiteral("Something bad happened in C!");

// Large stored entries are copied in pieces of this size, so memory stays flat.
constexpr qint64 kChunkSize = qint64(1) << 20;

bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

// A file this writer created: closed when it goes out of scope, and removed unless kept, so no
// failure (an exception included) leaves a partial file behind.
class OutputFile
{
public:
    OutputFile(FileSystem &fs, int fd, QByteArray path)
        : m_fs(fs), m_fd(fd), m_path(std::move(path))
    { }
    ~OutputFile()
    {
        close();
        if (!m_kept)
            m_fs.remove(m_path);
    }
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    bool close()
    {
        if (m_fd < 0)
            return true;
        const int fd = std::exchange(m_fd, -1);
        return m_fs.close(fd);
    }
    void keep() { m_kept = true; }

private:
    FileSystem &m_fs;
    int m_fd;
    QByteArray m_path;
    bool m_kept = false;
};

// Runs one writer's work; a false result or any exception ends the entry with its message.
template<typename Work>
bool reportFailure(ExtractReporter &reporter, const QString &message, Work &&work)
{
    bool ok = false;
    try {
        ok = work();
    } catch (const std::exception &) {
        ok = false;
    }
    if (!ok)
        reporter.message(message);
    return ok;
}

} // namespace

EntryWriter::EntryWriter(const QString &archivePath, const QString &extractDir,
                         Decompressor decompressor, ExtractReporter &reporter,
                         FileSystem &fileSystem)
    : m_archivePath(archivePath.toUtf8())
    , m_extractDir(extractDir.toUtf8())
    , m_decompressor(std::move(decompressor))
    , m_reporter(reporter)
    , m_fs(fileSystem)
{ }

EntryWriter::~EntryWriter() = default;

class EntryWriter::ArchiveFile
{
public:
    explicit ArchiveFile(FileSystem &fs) : m_fs(fs) { }
    ~ArchiveFile() { close(); }
    ArchiveFile(const ArchiveFile &) = delete;
    ArchiveFile &operator=(const ArchiveFile &) = delete;

    void close()
    {
        if (fd >= 0)
            m_fs.close(std::exchange(fd, -1));
    }

    int fd = -1;

private:
    FileSystem &m_fs;
};

QString EntryWriter::outputPath(const QString &extractDir, const QString &name)
{
    QString mapped = name;
    mapped.replace(u'\\', u'/');
    return extractDir + u'/' + mapped;
}

QByteArray EntryWriter::nativePath(const QString &name) const
{
    QByteArray relative = name.toUtf8();
    relative.replace('\\', '/');
    return m_extractDir + '/' + relative;
}

bool EntryWriter::isSafeName(const QString &name)
{
    if (name.contains(QChar(0)))
        return false;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isSeparator(name.at(i)))
            continue;
        if (i - start == 2 && name.at(start) == u'.' && name.at(start + 1) == u'.')
            return false;
        start = i + 1;
    }
    return true;
}

std::vector<qsizetype> EntryWriter::folderEnds(const QString &name)
{
    std::vector<qsizetype> ends;
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = name.at(i);
        if (isSeparator(c))
            ends.push_back(i);
        else if (i == n - 1)
            ends.push_back(n);
        else if (c == u'.' && i == n - 4)
            break; // a three-letter extension: this component and the rest are no folders
    }
    return ends;
}

void EntryWriter::createFolderPath(const QString &name)
{
    createFolders(name);
}

bool EntryWriter::createFolders(const QString &name)
{
    const std::vector<qsizetype> ends = folderEnds(name);
    qsizetype start = 0;
    for (const qsizetype end : ends) {
        // An empty component names the same folder as the level before it (or, leading, the
        // extract directory), which has been made or reported already.
        const bool empty = end == start;
        start = end + 1;
        if (empty)
            continue;
        const QString prefix = name.left(end);
        if (!m_fs.folderExists(nativePath(prefix)))
            writeFolder(prefix, false);
    }
    // The last end is either the name's end or a separator; at n - 1 it is a trailing one.
    return !ends.empty() && ends.back() >= name.size() - 1;
}

bool EntryWriter::writeFolderEntry(const QString &name)
{
    return writeFolder(name, true);
}

bool EntryWriter::writeFolder(const QString &name, bool mayCreatePath)
{
    enum Outcome { Written, Failed, Reported };
    Outcome outcome = Failed;
    try {
        outcome = [&] {
            if (!isSafeName(name))
                return Failed;
            const QByteArray path = nativePath(name);
            FileSystem::Status status = m_fs.createFolder(path);
            // Only the outermost call makes the missing folders on the way: a nested one would
            // only fail again where its caller, working from the shallowest level, just did.
            if (status == FileSystem::Status::PathNotFound && mayCreatePath) {
                if (createFolders(name)) {
                    // This folder was one of the levels: made, or already reported.
                    return m_fs.folderExists(path) ? Written : Reported;
                }
                // A name that looks like a file name leaves its own level out; make it now.
                status = m_fs.createFolder(path);
            }
            if (status == FileSystem::Status::Ok)
                return Written;
            // A folder that is already there is fine; a file in its place is not.
            if (status == FileSystem::Status::AlreadyExists && m_fs.folderExists(path))
                return Written;
            return Failed;
        }();
    } catch (const std::exception &) {
        outcome = Failed;
    }
    if (outcome == Failed)
        m_reporter.message(kFolderMessage);
    return outcome == Written;
}

bool EntryWriter::openArchive(ArchiveFile &archive, qint32 offset, qint32 size)
{
    if (offset < 0 || size < 0)
        return false;
    if (m_fs.openForReading(m_archivePath, archive.fd) != FileSystem::Status::Ok)
        return false;
    if (!m_fs.info(archive.fd, m_archiveInfo) || m_archiveInfo.isFolder)
        return false;
    return qint64(offset) + qint64(size) <= m_archiveInfo.size;
}

bool EntryWriter::writeStoredEntry(qint32 offset, qint32 size, const QString &name)
{
    return reportFailure(m_reporter, kStoredMessage, [&] {
        if (!isSafeName(name))
            return false;
        ArchiveFile archive(m_fs);
        if (!openArchive(archive, offset, size))
            return false;
        return writeFile(name, [&](int fd) { return copyRange(archive.fd, offset, size, fd); });
    });
}

bool EntryWriter::writeCompressedEntry(qint32 offset, qint32 packedSize, qint32 unpackedSize,
                                       const QString &name)
{
    return reportFailure(m_reporter, kCompressedMessage, [&] {
        if (!isSafeName(name) || packedSize <= 0)
            return false;
        ArchiveFile archive(m_fs);
        if (!openArchive(archive, offset, packedSize))
            return false;
        QByteArray data(packedSize, Qt::Uninitialized);
        if (!readFully(archive.fd, data.data(), packedSize, offset))
            return false;
        archive.close(); // read; inflating and writing need it no more
        if (m_decompressor(data, unpackedSize) != Z_OK)
            return false;
        return writeFile(name, [&](int fd) { return writeAll(fd, data.constData(), data.size()); });
    });
}

bool EntryWriter::writeFile(const QString &name, const std::function<bool(int fd)> &content)
{
    const QByteArray path = nativePath(name);
    int fd = -1;
    FileSystem::Status status = m_fs.createFile(path, fd);
    if (status == FileSystem::Status::PathNotFound) {
        createFolderPath(name);
        status = m_fs.createFile(path, fd);
    }
    if (status == FileSystem::Status::AlreadyExists)
        return replaceFile(path, content);
    if (status != FileSystem::Status::Ok)
        return false;

    OutputFile file(m_fs, fd, path);
    if (!content(fd) || !file.close())
        return false;
    file.keep();
    return true;
}

bool EntryWriter::replaceFile(const QByteArray &path, const std::function<bool(int fd)> &content)
{
    FileSystem::Info existing;
    switch (m_fs.info(path, existing)) {
    case FileSystem::Status::Ok:
        // Replacing the archive itself would spoil every entry read after this one.
        if (existing.isFolder || existing.isSameFile(m_archiveInfo))
            return false;
        break;
    case FileSystem::Status::PathNotFound:
        break; // a dangling link, replaced like a file
    default:
        return false;
    }

    // Written beside the target and renamed over it, so the old file stays whole until the
    // new one is complete.
    QByteArray tempPath;
    int fd = -1;
    const QByteArray folder = path.left(path.lastIndexOf('/'));
    if (m_fs.createTemporaryFile(folder, tempPath, fd) != FileSystem::Status::Ok)
        return false;
    OutputFile temp(m_fs, fd, tempPath);
    if (!content(fd) || !temp.close() || !m_fs.rename(tempPath, path))
        return false;
    temp.keep();
    return true;
}

bool EntryWriter::readFully(int fd, char *data, qint64 size, qint64 pos)
{
    while (size > 0) {
        const qint64 n = m_fs.readAt(fd, data, size, pos);
        if (n <= 0)
            return false; // the archive ended early
        data += n;
        pos += n;
        size -= n;
    }
    return true;
}

bool EntryWriter::writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const qint64 n = m_fs.write(fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

bool EntryWriter::copyRange(int from, qint64 offset, qint64 size, int to)
{
    // Inside the kernel where the file systems allow it, so the bytes never pass through this
    // process; otherwise through one reused buffer.
    while (size > 0 && m_kernelCopy) {
        const qint64 n = m_fs.copyRange(from, offset, to, qMin(size, kChunkSize * 64));
        if (n == 0)
            return false; // the archive ended early
        if (n < 0) {
            if (!FileSystem::isCopyUnsupported(errno))
                return false;
            m_kernelCopy = false;
            break;
        }
        offset += n;
        size -= n;
    }
    if (size == 0)
        return true;
    const qint64 chunk = qMin(size, kChunkSize);
    if (m_chunk.size() < chunk)
        m_chunk.resize(chunk);
    while (size > 0) {
        const qint64 n = qMin(size, kChunkSize);
        if (!readFully(from, m_chunk.data(), n, offset) || !writeAll(to, m_chunk.constData(), n))
            return false;
        offset += n;
        size -= n;
    }
    return true;
}
