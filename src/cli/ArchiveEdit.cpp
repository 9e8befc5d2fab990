#include "ArchiveEdit.h"

#include "Console.h"
#include "Printable.h"

#include "archive/EntryFailure.h"

#include <cerrno>

ArchiveEdit::ArchiveEdit(const QByteArray &path, Console &console)
    : m_path(path), m_console(console), m_fs(FileSystem::standard()), m_new(m_fs, &m_cleanup)
{ }

bool ArchiveEdit::fail(const QString &reason)
{
    m_console.error(Printable::path(m_path) + QStringLiteral(": ") + reason);
    return false;
}

bool ArchiveEdit::open()
{
    if (const QString why = m_new.open(m_path); !why.isEmpty())
        return fail(why);
    if (!m_new.existing())
        return fail(EntryFailure::systemText(ENOENT));
    // Read through the folder the new archive goes to, by the name found there: the very file.
    int fd = -1;
    if (m_fs.openFile(m_new.folder(), m_new.name(), fd) != FileSystem::Status::Ok
        || !m_archive.adopt(fd))
        return fail(EntryFailure::systemText(errno));
    if (m_archive.identity() != m_new.existing()->identity)
        return fail(QStringLiteral("changed while being opened, not changed"));
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
    if (!m_new.create())
        return fail(EntryFailure::systemText(errno));
    ArchiveRewriter rewriter(m_fs, m_new.handle(), level, threads, reporter);
    if (!rewriter.write(m_archive, table(), m_layout, changes, tree))
        return fail(rewriter.errorString());
    if (!m_new.commit())
        return fail(EntryFailure::systemText(errno));
    if (done)
        done(rewriter);
    return true;
}
