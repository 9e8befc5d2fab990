#include "EntryWriter.h"

#include "ExtractReporter.h"
#include "archive/EntryName.h"
#include "compress/PackwellError.h"
#include "fs/OutputFile.h"

#include <cerrno>
#include <exception>
#include <new>
#include <utility>

#include <zlib.h>

namespace {

const QString kFolderMessage = QStringLiteral("Something Bad with DIR!");
const QString kStoredMessage = QStringLiteral("Something bad happened in UC!");
const QString kCompressedMessage = QStringLiteral("Something bad happened in C!");

// Passes an entry's bytes on to its file and tells progress of each piece the file took.
class ReportingSink : public EntrySink
{
public:
    ReportingSink(EntrySink &file, const EntryWriter::Progress &progress)
        : m_file(file), m_progress(progress)
    { }
    bool write(const char *data, qint64 size) override
    {
        if (!m_file.write(data, size))
            return false;
        m_progress(size);
        return true;
    }
    qint64 copyFrom(int fd, qint64 pos, qint64 size) override
    {
        const qint64 n = m_file.copyFrom(fd, pos, size);
        if (n > 0)
            m_progress(n);
        return n;
    }

private:
    EntrySink &m_file;
    const EntryWriter::Progress &m_progress;
};

// Runs read on the file, or on a sink reporting to progress when there is one.
template<typename Read>
EntryReader::Result readInto(OutputFile &file, const EntryWriter::Progress &progress, Read read)
{
    if (!progress)
        return read(static_cast<EntrySink &>(file));
    ReportingSink sink(file, progress);
    return read(static_cast<EntrySink &>(sink));
}

} // namespace

EntryWriter::EntryWriter(const QByteArray &archivePath, const QByteArray &extractDir,
                         Decompressor decompressor, ExtractReporter &reporter,
                         FileSystem &fileSystem)
    : m_archivePath(archivePath)
    , m_decompressor(std::move(decompressor))
    , m_reporter(reporter)
    , m_fs(fileSystem)
    , m_walk(fileSystem, extractDir)
{ }

EntryWriter::~EntryWriter() = default;

QString EntryWriter::outputPath(const QString &extractDir, const QString &name)
{
    QString mapped = name;
    mapped.replace(u'\\', u'/');
    return extractDir + u'/' + mapped;
}

template<typename Work>
bool EntryWriter::reportFailure(const QString &message, const QString &name, Work &&work)
{
    m_why = {};
    bool ok = false;
    try {
        ok = work();
    } catch (const PackwellError &e) {
        m_why.kind = e.kind() == PackwellError::Kind::OutOfMemory ? EntryFailure::OutOfMemory
                                                                  : EntryFailure::CorruptData;
    } catch (const std::bad_alloc &) {
        m_why.kind = EntryFailure::OutOfMemory;
    } catch (const std::exception &) {
        m_why.kind = EntryFailure::Unknown;
    }
    if (!ok)
        m_reporter.failed(message, name, m_why);
    return ok;
}

bool EntryWriter::fail(EntryFailure why)
{
    m_why = why;
    return false;
}

bool EntryWriter::failWithErrno()
{
    return fail(EntryFailure::system(errno));
}

bool EntryWriter::readResult(EntryReader::Result result)
{
    return result == EntryReader::Result::Ok
        || fail(EntryFailure::reading(result, m_reader.errorCode()));
}

const ArchiveFile *EntryWriter::openArchive(ArchiveFile &reopened, qint32 offset, qint32 size)
{
    const ArchiveFile *archive = m_heldArchive;
    if (!archive) {
        if (!m_fs.openArchive(m_archivePath, reopened)) {
            failWithErrno();
            return nullptr;
        }
        if (m_expectedArchive && reopened.identity() != *m_expectedArchive) {
            fail({ EntryFailure::ArchiveChanged });
            return nullptr;
        }
        archive = &reopened;
    }
    m_archiveIdentity = archive->identity();
    // Checked before any folder or file is made for the entry.
    if (!archive->contains(offset, size)) {
        fail({ EntryFailure::PastEnd });
        return nullptr;
    }
    return archive;
}

bool EntryWriter::writeFolderEntry(const QString &name)
{
    return reportFailure(kFolderMessage, name, [&] {
        const EntryName entry(name);
        if (const auto refused = entry.refusal(false))
            return fail(*refused);
        const QByteArrayList &parts = entry.parts();
        FileSystem::Descriptor folder(m_fs);
        FolderWalk::Outcome walked = m_walk.open(entry.parent(), false, folder);
        if (walked == FolderWalk::Outcome::Missing) {
            // The level that cannot be made is this entry's one message.
            const QByteArrayList levels = entry.folderLevels();
            if (m_walk.open(levels, true, folder) != FolderWalk::Outcome::Reached)
                return fail(m_walk.failure());
            if (levels.size() == parts.size())
                return true; // its own folder was one of the levels
            // A name that looks like a file name leaves its own level out; made now.
            walked = m_walk.open(entry.parent(), false, folder);
        }
        if (walked != FolderWalk::Outcome::Reached)
            return fail(m_walk.failure());
        // No name at all is the extract directory itself.
        if (parts.isEmpty()
            || m_fs.createFolder(folder.fd(), parts.last()) == FileSystem::Status::Ok)
            return true;
        if (errno != EEXIST)
            return failWithErrno();
        // A folder that is already there is fine; a file or a link in its place is not.
        FileSystem::Info info;
        if (m_fs.info(folder.fd(), parts.last(), info) != FileSystem::Status::Ok)
            return failWithErrno();
        return info.isFolder()
            || fail({ info.kind == FileSystem::Kind::Link ? EntryFailure::LinkInTheWay
                                                          : EntryFailure::FileInTheWay });
    });
}

bool EntryWriter::writeStoredEntry(qint32 offset, qint32 size, const QString &name)
{
    return reportFailure(kStoredMessage, name, [&] {
        const EntryName entry(name);
        if (const auto refused = entry.refusal(true))
            return fail(*refused);
        ArchiveFile reopened;
        const ArchiveFile *archive = openArchive(reopened, offset, size);
        return archive && writeFile(name, entry, [&](OutputFile &file) {
                   return readResult(readInto(file, m_progress, [&](EntrySink &sink) {
                       return m_reader.readStored(*archive, offset, size, sink);
                   }));
               });
    });
}

bool EntryWriter::writeCompressedEntry(qint32 offset, qint32 packedSize, qint32 unpackedSize,
                                       const QString &name)
{
    return reportFailure(kCompressedMessage, name, [&] {
        const EntryName entry(name);
        if (const auto refused = entry.refusal(true))
            return fail(*refused);
        if (packedSize <= 0) // refused before anything is opened, as the one-shot path does
            return fail({ EntryFailure::CorruptData });
        ArchiveFile reopened;
        const ArchiveFile *archive = openArchive(reopened, offset, packedSize);
        if (!archive)
            return false;
        if (m_streaming) {
            return writeFile(name, entry, [&](OutputFile &file) {
                return readResult(readInto(file, m_progress, [&](EntrySink &sink) {
                    return m_reader.readCompressed(*archive, offset, packedSize, unpackedSize,
                                                   sink);
                }));
            });
        }
        QByteArray data;
        if (!readResult(m_reader.readPacked(*archive, offset, packedSize, data)))
            return false;
        reopened.close(); // read; inflating and writing need it no more
        if (!m_decompressor)
            return fail({ EntryFailure::Unknown });
        switch (m_decompressor(data, unpackedSize)) {
        case Z_OK:
            break;
        case Z_MEM_ERROR:
            return fail({ EntryFailure::OutOfMemory });
        case Z_BUF_ERROR:
            return fail({ EntryFailure::TooLarge });
        default:
            return fail({ EntryFailure::CorruptData });
        }
        return writeFile(name, entry, [&](OutputFile &file) {
            return file.write(data.constData(), data.size()) || failWithErrno();
        });
    });
}

bool EntryWriter::writeFile(const QString &name, const EntryName &entry, const Content &content)
{
    FileSystem::Descriptor folder(m_fs);
    FolderWalk::Outcome walked = m_walk.open(entry.parent(), false, folder);
    if (walked == FolderWalk::Outcome::Missing) {
        walked = m_walk.open(entry.parent(), true, folder);
        // One message for the level that cannot be made, then the entry's own; a link in the
        // way, or a destination that is gone, is the entry's own failure alone.
        if (walked == FolderWalk::Outcome::FolderFailed)
            m_reporter.failed(kFolderMessage, name, m_walk.failure());
    }
    if (walked != FolderWalk::Outcome::Reached)
        return fail(m_walk.failure());

    const QByteArray &leaf = entry.parts().last();
    OutputFile file(m_fs, m_tracker, folder.fd(), leaf);
    FileSystem::Status status = file.create(false);
    if (status == FileSystem::Status::AlreadyExists) {
        bool keep = false;
        if (!mayReplace(folder.fd(), leaf, keep))
            return false;
        if (keep)
            return true;
        status = file.create(true);
    }
    if (status != FileSystem::Status::Ok)
        return failWithErrno();
    return content(file) && (file.commit() || failWithErrno());
}

bool EntryWriter::mayReplace(int folder, const QByteArray &name, bool &keep)
{
    FileSystem::Info existing;
    switch (m_fs.info(folder, name, existing)) {
    case FileSystem::Status::Ok:
        if (existing.isFolder())
            return fail({ EntryFailure::FolderInTheWay });
        if (m_keepExisting) {
            keep = true;
            return true;
        }
        if (existing.kind == FileSystem::Kind::File) {
            // Replacing the archive itself would spoil every entry read after this one.
            if (existing.identity == m_archiveIdentity)
                return fail({ EntryFailure::ArchiveItself });
            if (!m_fs.isWritable(folder, name))
                return fail({ EntryFailure::ReadOnly });
        }
        return true; // a link is replaced by the file itself, never written through
    case FileSystem::Status::PathNotFound:
        return true; // gone since; the rename puts the file in its place all the same
    default:
        return failWithErrno();
    }
}
