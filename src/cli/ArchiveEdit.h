#pragma once

#include "SignalCleanup.h"

#include "archive/ArchiveFile.h"
#include "archive/DirectoryReader.h"
#include "create/ArchiveLayout.h"
#include "create/ArchiveRewriter.h"
#include "fs/FileSystem.h"
#include "fs/NewArchiveFile.h"

#include <QByteArray>

class Console;
class SourceTree;

// The archive that update and delete change. It is opened by its name inside its folder, never
// through a link, and refused when it is missing (never made), is not a regular file, cannot be
// written, does not read or lays its data out in a way that cannot be kept (ArchiveLayout). The
// new archive is written beside it as create writes one (NewArchiveFile) and takes its name, with
// its permissions and owner, only once complete and on the disk; until then a failure, a full
// disk or a signal leaves the archive as it was and nothing beside it.
class ArchiveEdit
{
public:
    ArchiveEdit(const QByteArray &path, Console &console);

    // False, said, when the archive cannot be changed.
    bool open();

    const ArchiveFile &archive() const { return m_archive; }
    const EntryTable &table() const { return m_reader.table(); }

    // Writes the archive with the changes and puts it in its place; false, said, when it
    // cannot. tree: the files of the changes. done, if given, is told what was written.
    bool rewrite(const ArchiveChanges &changes, SourceTree *tree, int level, int threads,
                 const ArchiveRewriter::Reporter &reporter,
                 const std::function<void(const ArchiveRewriter &)> &done = {});

private:
    bool fail(const QString &reason);

    const QByteArray m_path;
    Console &m_console;
    FileSystem &m_fs;
    // First, so that it outlives the file it removes when a signal stops the command.
    SignalCleanup m_cleanup;
    NewArchiveFile m_new;
    ArchiveFile m_archive;
    DirectoryReader m_reader;
    ArchiveLayout m_layout;
};
