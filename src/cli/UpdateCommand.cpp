#include "UpdateCommand.h"

#include "ArchiveEdit.h"
#include "CommandLineOptions.h"
#include "Console.h"
#include "Printable.h"

#include "archive/EntryFailure.h"
#include "compress/Windows1252.h"
#include "create/SourceTree.h"
#include "create/UpdatePlan.h"

#include <QThread>

UpdateCommand::UpdateCommand(const CommandLineOptions &options, Console &console)
    : m_options(options), m_console(console)
{ }

void UpdateCommand::failed(const QByteArray &path, const QString &reason)
{
    ++m_failed;
    m_console.error(Printable::path(path) + QStringLiteral(": ") + reason);
}

int UpdateCommand::run()
{
    ArchiveEdit edit(m_options.archivePath, m_console);
    if (!edit.open())
        return Console::UsageOrArchiveError;
    const auto report = [this](const QByteArray &path, const QString &why) { failed(path, why); };
    FileSystem &fs = FileSystem::standard();
    SourceTree tree(fs, report);
    if (const int error = tree.openRoot(m_options.directory)) {
        m_console.error(Printable::path(m_options.directory) + QStringLiteral(": ")
                        + EntryFailure::systemText(error));
        return Console::UsageOrArchiveError;
    }
    // The archive is never read as one of its own files.
    tree.skip(edit.archive().identity());
    tree.keepControlNames();
    tree.add(m_options.paths);
    if (tree.missing() > 0) // as create: a PATH that is not there is a mistake in the command
        return Console::UsageOrArchiveError;
    UpdatePlan plan(fs, report);
    plan.make(tree, edit.table(), edit.archive());
    const int status = m_failed > 0 ? Console::EntryFailed : Console::Success;
    if (plan.isEmpty())
        return status; // the archive is not even opened for writing

    ArchiveChanges changes;
    changes.replaced = plan.replaced();
    changes.added = plan.added();
    const int threads = m_options.jobs > 0 ? m_options.jobs : QThread::idealThreadCount();
    const bool written = edit.rewrite(
        changes, &tree, m_options.level, threads, report, [&](const ArchiveRewriter &done) {
            if (!m_options.verbose)
                return;
            for (const qint32 row : done.replacedRows())
                m_console.printLine(QStringLiteral("r ") + Printable::name(edit.table().name(row)));
            for (const qsizetype item : done.addedItems())
                m_console.printLine(QStringLiteral("a ")
                                    + Printable::name(Windows1252::decode(tree.name(item))));
        });
    if (!written)
        return Console::UsageOrArchiveError;
    return m_failed > 0 ? Console::EntryFailed : Console::Success;
}
