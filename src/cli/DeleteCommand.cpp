#include "DeleteCommand.h"

#include "ArchiveEdit.h"
#include "CommandLineOptions.h"
#include "Console.h"
#include "EntrySelection.h"
#include "Printable.h"

DeleteCommand::DeleteCommand(const CommandLineOptions &options, Console &console)
    : m_options(options), m_console(console)
{ }

int DeleteCommand::run()
{
    EntrySelection selection(m_options, m_console);
    if (!selection.prepare())
        return Console::UsageOrArchiveError;
    ArchiveEdit edit(m_options.archivePath, m_console);
    if (!edit.open())
        return Console::UsageOrArchiveError;
    m_console.setArchive(m_options.archivePath);
    const std::vector<qint32> rows = selection.rows(edit.table());
    const int unmatched = m_console.finish(0);
    if (unmatched != Console::Success || rows.empty())
        return unmatched; // said, and nothing is written
    if (qint64(rows.size()) == edit.table().filledRows()) {
        m_console.error(Printable::path(m_options.archivePath)
                        + QStringLiteral(": that is every entry, and no reader opens an archive "
                                         "without any, not changed"));
        return Console::UsageOrArchiveError;
    }
    ArchiveChanges changes;
    changes.removed.assign(size_t(edit.table().filledRows()), false);
    for (const qint32 row : rows)
        changes.removed[size_t(row)] = true;
    if (!edit.rewrite(changes, nullptr, 0, 1, {}))
        return Console::UsageOrArchiveError;
    if (m_options.verbose)
        for (const qint32 row : rows)
            m_console.printLine(QStringLiteral("d ") + Printable::name(edit.table().name(row)));
    return Console::Success;
}
