#include "EntryWriter.h"

#include "ExtractReporter.h"
#include "OutputTracker.h"
#include "compress/PackwellError.h"
#include "compress/StreamInflater.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <new>
#include <utility>

#include <sys/resource.h>
#include <zlib.h>

namespace {

const QString kFolderMessage = QStringLiteral("Something Bad with DIR!");
const QString kStoredMessage = QStringLiteral("Something bad happened in UC!");
const QString kCompressedMessage = QStringLiteral("Something bad happened in C!");

// Large stored entries are copied in pieces of this size, so memory stays flat.
constexpr qint64 kChunkSize = qint64(1) << 20;
// Below the kernel's limit for one path, PATH_MAX.
constexpr qsizetype kBeneathPathLength = 4000;
// Folders kept open between entries at the most.
constexpr rlim_t kMaxOpenFolders = 256;

bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

// Where each folder of createFolderPath(name) ends within name, shallowest first.
qsizetype lastFolderEnd(const QString &name)
{
    qsizetype last = 0;
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = name.at(i);
        if (isSeparator(c))
            last = i;
        else if (i == n - 1)
            last = n;
        else if (c == u'.' && i == n - 4)
            break; // a three-letter extension: this component and the rest are no folders
    }
    return last;
}

} // namespace

// A descriptor closed when it goes out of scope.
class EntryWriter::Handle
{
public:
    explicit Handle(FileSystem &fs) : m_fs(fs) { }
    ~Handle() { close(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;

    bool close() { return fd < 0 || m_fs.close(std::exchange(fd, -1)); }

    int fd = -1;

private:
    FileSystem &m_fs;
};

// A file this writer created: closed when it goes out of scope, and removed unless kept, so no
// failure (an exception included) leaves a partial file behind. The tracker, if any, knows of
// it from its creation until it is kept or removed.
class EntryWriter::OutputFile
{
public:
    OutputFile(FileSystem &fs, OutputTracker *tracker, int folder, QByteArray name)
        : m_fs(fs), m_tracker(tracker), m_folder(folder), m_name(std::move(name)), m_fd(fs)
    { }
    ~OutputFile()
    {
        m_fd.close();
        if (!m_created || m_kept)
            return;
        m_fs.remove(m_folder, m_name);
        if (m_tracker) {
            m_tracker->hold();
            m_tracker->track(-1, {});
        }
    }
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    FileSystem::Status create(bool temporary)
    {
        if (m_tracker)
            m_tracker->hold();
        const FileSystem::Status status = temporary
            ? m_fs.createTemporaryFile(m_folder, m_name, m_fd.fd)
            : m_fs.createFile(m_folder, m_name, m_fd.fd);
        m_created = status == FileSystem::Status::Ok;
        if (m_tracker) {
            const int error = errno;
            m_tracker->track(m_created ? m_folder : -1, m_name);
            errno = error;
        }
        return status;
    }
    int fd() const { return m_fd.fd; }
    const QByteArray &name() const { return m_name; }
    bool close() { return m_fd.close(); }
    // Keeps the file, once put in place by done (which sets errno when it fails).
    bool keep(const std::function<bool()> &done)
    {
        if (m_tracker)
            m_tracker->hold();
        m_kept = done();
        const int error = errno;
        if (m_tracker)
            m_tracker->track(m_kept ? -1 : m_folder, m_name);
        errno = error;
        return m_kept;
    }

private:
    FileSystem &m_fs;
    OutputTracker *m_tracker;
    int m_folder;
    QByteArray m_name;
    Handle m_fd;
    bool m_created = false;
    bool m_kept = false;
};

EntryWriter::EntryWriter(const QByteArray &archivePath, const QByteArray &extractDir,
                         Decompressor decompressor, ExtractReporter &reporter,
                         FileSystem &fileSystem)
    : m_archivePath(archivePath)
    , m_extractDir(extractDir)
    , m_decompressor(std::move(decompressor))
    , m_reporter(reporter)
    , m_fs(fileSystem)
{
    // A quarter of what the process may open at most, so the rest stays free.
    struct rlimit limit;
    const rlim_t open = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 64;
    m_maxFolders = qsizetype(qBound<rlim_t>(1, open / 4, kMaxOpenFolders));
}

EntryWriter::~EntryWriter()
{
    forgetFolders();
    if (m_root >= 0)
        m_fs.close(m_root);
}

QString EntryWriter::outputPath(const QString &extractDir, const QString &name)
{
    QString mapped = name;
    mapped.replace(u'\\', u'/');
    return extractDir + u'/' + mapped;
}

QByteArrayList EntryWriter::components(const QString &name)
{
    QByteArrayList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isSeparator(name.at(i)))
            continue;
        // An empty or "." component names the folder before it, or the extract directory.
        if (i > start && !(i - start == 1 && name.at(start) == u'.'))
            parts << name.mid(start, i - start).toUtf8();
        start = i + 1;
    }
    return parts;
}

QByteArrayList EntryWriter::folderLevels(const QString &name)
{
    return components(name.left(lastFolderEnd(name)));
}

std::optional<ExtractFailure> EntryWriter::refusal(const QString &name, bool isFile)
{
    return refusal(name, components(name), isFile);
}

std::optional<ExtractFailure> EntryWriter::refusal(const QString &name, const QByteArrayList &parts,
                                                   bool isFile)
{
    if (name.contains(QChar(0)))
        return ExtractFailure { ExtractFailure::NotAFileName };
    if (parts.contains(".."))
        return ExtractFailure { ExtractFailure::OutsideDestination };
    if (isFile && (parts.isEmpty() || isSeparator(name.back())))
        return ExtractFailure { ExtractFailure::NotAFileName };
    return std::nullopt;
}

template<typename Work>
bool EntryWriter::reportFailure(const QString &message, const QString &name, Work &&work)
{
    m_why = {};
    bool ok = false;
    try {
        ok = work();
    } catch (const PackwellError &e) {
        m_why.kind = e.kind() == PackwellError::Kind::OutOfMemory ? ExtractFailure::OutOfMemory
                                                                  : ExtractFailure::CorruptData;
    } catch (const std::bad_alloc &) {
        m_why.kind = ExtractFailure::OutOfMemory;
    } catch (const std::exception &) {
        m_why.kind = ExtractFailure::Unknown;
    }
    if (!ok)
        m_reporter.failed(message, name, m_why);
    return ok;
}

bool EntryWriter::fail(ExtractFailure why)
{
    m_why = why;
    return false;
}

bool EntryWriter::failWithErrno()
{
    return fail(ExtractFailure::system(errno));
}

bool EntryWriter::openExtractDir()
{
    // Opened once per export, following a link the user chose; retried while it fails.
    if (m_root < 0 && m_fs.openExtractDir(m_extractDir, m_root) != FileSystem::Status::Ok) {
        m_root = -1;
        return failWithErrno();
    }
    return true;
}

void EntryWriter::forgetFolders()
{
    for (const Folder &folder : std::as_const(m_folders))
        m_fs.close(folder.fd);
    m_folders.clear();
    m_lastPath.clear();
    m_lastKey.clear();
}

int EntryWriter::remember(const QByteArray &key, const QByteArrayList &folders, int folder)
{
    if (m_folders.size() >= m_maxFolders) {
        auto oldest = m_folders.begin();
        for (auto it = m_folders.begin(); it != m_folders.end(); ++it)
            if (it->used < oldest->used)
                oldest = it;
        m_fs.close(oldest->fd);
        m_folders.erase(oldest);
    }
    if (const auto it = m_folders.constFind(key); it != m_folders.cend())
        m_fs.close(it->fd); // walked again after a failure
    m_folders.insert(key, { folder, ++m_uses });
    m_lastPath = folders;
    m_lastKey = key;
    return folder;
}

FileSystem::Status EntryWriter::walkFailure(int folder, const QByteArray &name,
                                            FileSystem::Status status)
{
    const int error = errno;
    FileSystem::Info info;
    if (error == ENOTDIR && m_fs.info(folder, name, info) == FileSystem::Status::Ok) {
        if (info.kind == FileSystem::Kind::Link) {
            fail({ ExtractFailure::LinkInTheWay });
            return FileSystem::Status::Failed; // never made into a folder, never followed
        }
        fail({ ExtractFailure::FileInTheWay });
        return status;
    }
    fail(ExtractFailure::system(error));
    return status;
}

int EntryWriter::walk(const QByteArrayList &folders, FileSystem::Status &status)
{
    status = FileSystem::Status::Failed;
    if (!openExtractDir())
        return -1;
    if (folders.isEmpty()) {
        status = FileSystem::Status::Ok;
        return m_root;
    }
    const QByteArray key = folders.join('/');
    if (const auto known = m_folders.find(key); known != m_folders.end()) {
        known->used = ++m_uses;
        m_lastPath = folders;
        m_lastKey = key;
        status = FileSystem::Status::Ok;
        return known->fd;
    }
    int current = m_root;
    qsizetype depth = 0;
    if (!m_lastPath.isEmpty() && m_lastPath.size() < folders.size()
        && std::equal(m_lastPath.cbegin(), m_lastPath.cend(), folders.cbegin())) {
        if (const auto last = m_folders.constFind(m_lastKey); last != m_folders.cend()) {
            current = last->fd;
            depth = m_lastPath.size();
        }
    }
    const bool fromKnown = depth > 0;

    Handle below(m_fs); // the deepest folder opened by this walk
    while (depth < folders.size()) {
        // As many levels as one path may hold go in one step where the kernel can refuse
        // links on the way itself; a failure is walked again level by level to learn why.
        qsizetype end = depth + 1;
        for (qsizetype length = folders.at(depth).size(); end < folders.size(); ++end) {
            length += 1 + folders.at(end).size();
            if (length > kBeneathPathLength)
                break;
        }
        if (end - depth > 1 && m_walkBeneath) {
            QByteArray path = folders.at(depth);
            for (qsizetype i = depth + 1; i < end; ++i)
                path += '/' + folders.at(i);
            int next = -1;
            if (m_fs.openBeneath(current, path, next) == FileSystem::Status::Ok) {
                below.close();
                below.fd = current = next;
                depth = end;
                continue;
            }
            if (FileSystem::isBeneathUnsupported(errno))
                m_walkBeneath = false;
        }
        for (; depth < end; ++depth) {
            int next = -1;
            status = m_fs.openFolder(current, folders.at(depth), next);
            if (status != FileSystem::Status::Ok) {
                status = walkFailure(current, folders.at(depth), status);
                // A folder kept open may have gone since; a second walk starts from the top.
                if (fromKnown && status == FileSystem::Status::PathNotFound) {
                    forgetFolders();
                    return walk(folders, status);
                }
                return -1;
            }
            below.close();
            below.fd = current = next;
        }
    }
    return remember(key, folders, std::exchange(below.fd, -1));
}

bool EntryWriter::ensureFolders(const QByteArrayList &folders, const QString &entry)
{
    if (!openExtractDir()) {
        m_reporter.failed(kFolderMessage, entry, m_why);
        return false;
    }
    Handle below(m_fs);
    int current = m_root;
    for (const QByteArray &folder : folders) {
        int next = -1;
        FileSystem::Status status = m_fs.openFolder(current, folder, next);
        if (status == FileSystem::Status::PathNotFound && errno == ENOENT) {
            status = m_fs.createFolder(current, folder);
            if (status == FileSystem::Status::Ok || status == FileSystem::Status::AlreadyExists)
                status = m_fs.openFolder(current, folder, next);
        }
        if (status != FileSystem::Status::Ok) {
            // One message for the level that failed; the deeper ones cannot be made either.
            walkFailure(current, folder, status);
            m_reporter.failed(kFolderMessage, entry, m_why);
            return false;
        }
        below.close();
        below.fd = current = next;
    }
    if (below.fd >= 0) // the entry goes on in the deepest of them
        remember(folders.join('/'), folders, std::exchange(below.fd, -1));
    return true;
}

void EntryWriter::createFolderPath(const QString &name)
{
    ensureFolders(folderLevels(name), name);
}

bool EntryWriter::writeFolderEntry(const QString &name)
{
    enum Outcome { Written, Failed, Reported };
    Outcome outcome = Failed;
    m_why = {};
    try {
        outcome = [&] {
            const QByteArrayList parts = components(name);
            if (const auto refused = refusal(name, parts, false)) {
                fail(*refused);
                return Failed;
            }
            if (parts.isEmpty())
                return openExtractDir() ? Written : Failed; // the extract directory itself
            const QByteArrayList parent = parts.first(parts.size() - 1);
            FileSystem::Status status;
            int folder = walk(parent, status);
            if (folder < 0 && status == FileSystem::Status::PathNotFound) {
                const QByteArrayList levels = folderLevels(name);
                if (!ensureFolders(levels, name))
                    return Reported;
                if (levels.size() == parts.size())
                    return Written; // its own folder was one of the levels
                // A name that looks like a file name leaves its own level out; make it now.
                folder = walk(parent, status);
            }
            if (folder < 0)
                return Failed;
            if (m_fs.createFolder(folder, parts.last()) == FileSystem::Status::Ok)
                return Written;
            if (errno != EEXIST) {
                failWithErrno();
                return Failed;
            }
            // A folder that is already there is fine; a file or a link in its place is not.
            FileSystem::Info info;
            if (m_fs.info(folder, parts.last(), info) != FileSystem::Status::Ok) {
                failWithErrno();
                return Failed;
            }
            if (info.isFolder())
                return Written;
            fail({ info.kind == FileSystem::Kind::Link ? ExtractFailure::LinkInTheWay
                                                       : ExtractFailure::FileInTheWay });
            return Failed;
        }();
    } catch (const std::exception &) {
        outcome = Failed;
    }
    if (outcome == Failed)
        m_reporter.failed(kFolderMessage, name, m_why);
    return outcome == Written;
}

bool EntryWriter::openArchive(Handle &archive, qint32 offset, qint32 size)
{
    if (offset < 0 || size < 0)
        return fail({ ExtractFailure::PastEnd });
    if (m_fs.openArchive(m_archivePath, archive.fd, m_archiveInfo) != FileSystem::Status::Ok)
        return failWithErrno();
    if (m_expectedArchive && !m_archiveInfo.isSameFile(*m_expectedArchive))
        return fail({ ExtractFailure::ArchiveChanged });
    if (qint64(offset) + qint64(size) > m_archiveInfo.size)
        return fail({ ExtractFailure::PastEnd });
    return true;
}

bool EntryWriter::writeStoredEntry(qint32 offset, qint32 size, const QString &name)
{
    return reportFailure(kStoredMessage, name, [&] {
        const QByteArrayList parts = components(name);
        if (const auto refused = refusal(name, parts, true))
            return fail(*refused);
        Handle archive(m_fs);
        if (!openArchive(archive, offset, size))
            return false;
        return writeFile(name, parts,
                         [&](int fd) { return copyRange(archive.fd, offset, size, fd); });
    });
}

bool EntryWriter::writeCompressedEntry(qint32 offset, qint32 packedSize, qint32 unpackedSize,
                                       const QString &name)
{
    return reportFailure(kCompressedMessage, name, [&] {
        const QByteArrayList parts = components(name);
        if (const auto refused = refusal(name, parts, true))
            return fail(*refused);
        if (packedSize <= 0)
            return fail({ ExtractFailure::CorruptData });
        Handle archive(m_fs);
        if (!openArchive(archive, offset, packedSize))
            return false;
        if (m_streaming)
            return inflateInPieces(archive.fd, offset, packedSize, unpackedSize, name, parts);
        QByteArray data(packedSize, Qt::Uninitialized);
        if (!readFully(archive.fd, data.data(), packedSize, offset))
            return false;
        archive.close(); // read; inflating and writing need it no more
        if (!m_decompressor)
            return fail({ ExtractFailure::Unknown });
        switch (m_decompressor(data, unpackedSize)) {
        case Z_OK:
            break;
        case Z_MEM_ERROR:
            return fail({ ExtractFailure::OutOfMemory });
        case Z_BUF_ERROR:
            return fail({ ExtractFailure::TooLarge });
        default:
            return fail({ ExtractFailure::CorruptData });
        }
        return writeFile(name, parts,
                         [&](int fd) { return writeAll(fd, data.constData(), data.size()); });
    });
}

bool EntryWriter::inflateInPieces(int archive, qint32 offset, qint32 packedSize,
                                  qint32 unpackedSize, const QString &name,
                                  const QByteArrayList &parts)
{
    StreamInflater inflater;
    qint64 pos = offset;
    const auto source = [&](char *buffer, qint64 size) {
        const qint64 n = m_fs.readAt(archive, buffer, size, pos);
        pos += qMax(n, qint64(0));
        return n;
    };
    return writeFile(name, parts, [&](int fd) {
        const auto result = inflater.inflate(
            packedSize, unpackedSize, source,
            [&](const char *data, qint64 size) { return writeAll(fd, data, size); });
        if (result == StreamInflater::Result::Ok)
            return true;
        if (result != StreamInflater::Result::WriteFailed) // writeAll has said why
            m_why = ExtractFailure::inflation(int(result), inflater.errorCode());
        return false;
    });
}

bool EntryWriter::writeFile(const QString &name, const QByteArrayList &parts,
                            const std::function<bool(int fd)> &content)
{
    const QByteArrayList parent = parts.first(parts.size() - 1);
    for (bool firstTry = true;; firstTry = false) {
        FileSystem::Status status;
        int folder = walk(parent, status);
        if (folder < 0 && status == FileSystem::Status::PathNotFound) {
            // Only the folders: the last component is the file's own name, whatever it looks
            // like.
            if (!ensureFolders(parent, name))
                return false;
            folder = walk(parent, status);
        }
        if (folder < 0)
            return false;

        OutputFile file(m_fs, m_tracker, folder, parts.last());
        status = file.create(false);
        // A folder kept open may have been removed since: walked again from the top, once.
        if (status == FileSystem::Status::PathNotFound && errno == ENOENT && firstTry) {
            forgetFolders();
            continue;
        }
        if (status == FileSystem::Status::AlreadyExists)
            return replaceFile(folder, parts.last(), content);
        if (status != FileSystem::Status::Ok)
            return failWithErrno();
        if (!content(file.fd()))
            return false;
        if (!file.keep([&] { return file.close(); }))
            return failWithErrno();
        return true;
    }
}

bool EntryWriter::replaceFile(int folder, const QByteArray &name,
                              const std::function<bool(int fd)> &content)
{
    FileSystem::Info existing;
    switch (m_fs.info(folder, name, existing)) {
    case FileSystem::Status::Ok:
        if (existing.isFolder())
            return fail({ ExtractFailure::FolderInTheWay });
        if (m_keepExisting)
            return true;
        if (existing.kind == FileSystem::Kind::File) {
            // Replacing the archive itself would spoil every entry read after this one.
            if (existing.isSameFile(m_archiveInfo))
                return fail({ ExtractFailure::ArchiveItself });
            if (!m_fs.isWritable(folder, name))
                return fail({ ExtractFailure::ReadOnly });
        }
        break; // a link is replaced by the file itself, never written through
    case FileSystem::Status::PathNotFound:
        break; // gone since; the rename puts the file in its place all the same
    default:
        return failWithErrno();
    }

    // Written beside the target and renamed over it, so the old file stays whole until the
    // new one is complete.
    OutputFile temp(m_fs, m_tracker, folder, QByteArray());
    if (temp.create(true) != FileSystem::Status::Ok)
        return failWithErrno();
    if (!content(temp.fd()))
        return false;
    if (!temp.close())
        return failWithErrno();
    if (!temp.keep([&] { return m_fs.rename(folder, temp.name(), name); }))
        return failWithErrno();
    return true;
}

bool EntryWriter::readFully(int fd, char *data, qint64 size, qint64 pos)
{
    while (size > 0) {
        const qint64 n = m_fs.readAt(fd, data, size, pos);
        if (n == 0)
            return fail({ ExtractFailure::PastEnd }); // the archive ended early
        if (n < 0)
            return failWithErrno();
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
        if (n < 0)
            return failWithErrno();
        if (n == 0)
            return fail(ExtractFailure::system(ENOSPC));
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
            return fail({ ExtractFailure::PastEnd }); // the archive ended early
        if (n < 0) {
            if (!FileSystem::isCopyUnsupported(errno))
                return failWithErrno();
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
