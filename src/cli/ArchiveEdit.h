#pragma once

#include "archive/ArchiveFile.h"
#include "archive/DirectoryReader.h"
#include "create/ArchiveLayout.h"
#include "create/ArchiveRewriter.h"
#include "fs/FileSystem.h"

#include <QByteArray>

class Console;
class SourceTree;

// The archive that update and delete change. It is opened by its name inside its folder, never
// through a link, and refused when it is not a regular file, cannot be written, does not read
// or lays its data out in a way that cannot be kept (ArchiveLayout). The new archive is written
// beside it and takes its name only once complete; until then a failure, a full disk or a
// signal leaves the archive as it was and nothing beside it.
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
    FileSystem::Descriptor m_folder; // the archive's
    QByteArray m_name; // the archive's, in its folder
    ArchiveFile m_archive;
    DirectoryReader m_reader;
    ArchiveLayout m_layout;
};
