#include "ArchiveEdit.h"

#include "Console.h"
#include "Printable.h"
#include "SignalCleanup.h"

#include "archive/EntryFailure.h"
#include "fs/OutputFile.h"

#include <cerrno>

ArchiveEdit::ArchiveEdit(const QByteArray &path, Console &console)
    : m_path(path), m_console(console), m_fs(FileSystem::standard()), m_folder(m_fs)
{ }

bool ArchiveEdit::fail(const QString &reason)
{
    m_console.error(Printable::path(m_path) + QStringLiteral(": ") + reason);
    return false;
}

bool ArchiveEdit::open()
{
    // The folder is opened once; the archive is read, written and renamed inside it.
    const qsizetype slash = m_path.lastIndexOf('/');
    const QByteArray folderPath = slash < 0 ? QByteArray(".") : m_path.left(qMax(slash, 1));
    m_name = m_path.mid(slash + 1);
    if (m_name.isEmpty() || m_name == "." || m_name == "..")
        return fail(QStringLiteral("not a file name"));
    int fd = -1;
    FileSystem::Info info;
    if (m_fs.openChosenFolder(folderPath, fd) != FileSystem::Status::Ok)
        return fail(EntryFailure::systemText(errno));
    m_folder.reset(fd);
    if (m_fs.info(m_folder.fd(), m_name, info) != FileSystem::Status::Ok)
        return fail(EntryFailure::systemText(errno));
    // Renaming over a link would replace the link itself, not the archive it names.
    if (info.kind != FileSystem::Kind::File)
        return fail(info.kind == FileSystem::Kind::Link
                        ? QStringLiteral("symbolic link, not changed")
                        : QStringLiteral("not a regular file, not changed"));
    if (!m_fs.isWritable(m_folder.fd(), m_name))
        return fail(QStringLiteral("read-only, not changed"));
    if (m_fs.openFile(m_folder.fd(), m_name, fd) != FileSystem::Status::Ok || !m_archive.adopt(fd))
        return fail(EntryFailure::systemText(errno));
    if (!m_reader.read(m_archive))
        return fail(m_reader.errorString());
    if (!m_layout.read(table(), m_reader.entryCount(), m_reader.dirStart())) {
        const ArchiveLayout::Fault &fault = m_layout.fault();
        const QString name = Printable::name(table().name(fault.row));
        return fail((fault.other < 0
                         ? fault.reason.arg(name)
                         : fault.reason.arg(name, Printable::name(table().name(fault.other))))
                    + QStringLiteral(", not changed"));
    }
    return true;
}

bool ArchiveEdit::rewrite(const ArchiveChanges &changes, SourceTree *tree, int level, int threads,
                          const ArchiveRewriter::Reporter &reporter,
                          const std::function<void(const ArchiveRewriter &)> &done)
{
    SignalCleanup cleanup;
    OutputFile out(m_fs, &cleanup, m_folder.fd(), m_name);
    if (out.create(true) != FileSystem::Status::Ok)
        return fail(EntryFailure::systemText(errno));
    ArchiveRewriter rewriter(m_fs, out.handle(), level, threads, reporter);
    if (!rewriter.write(m_archive, table(), m_layout, changes, tree))
        return fail(rewriter.errorString());
    if (!out.commit())
        return fail(EntryFailure::systemText(errno));
    if (done)
        done(rewriter);
    return true;
}
