#pragma once

#include "archive/ArchiveFile.h"
#include "fs/FileSystem.h"

#include <QByteArray>
#include <QString>

#include <optional>

class CommandLineOptions;
class Console;
class SourceTree;

// quillon create: writes a new archive of files and folders below a folder (SourceTree,
// EntryPacker). The archive is written to a hidden file beside its final name and renamed into
// place only once it is complete, so a failed or stopped create leaves no partial archive and
// an archive that was there untouched. Each path that cannot be added is one line,
// `quillon: PATH: REASON`, and the others are still added. Exit status: 0 all added, 1 some
// path left out, 2 no archive written.
class CreateCommand
{
public:
    CreateCommand(const CommandLineOptions &options, Console &console);

    int run();

private:
    // Opens the archive's folder and looks at what has the archive's name: why no archive can
    // be written there, or empty.
    QString openDestination();
    // Writes the tree's entries and the directory into out; false, said, when it cannot.
    bool pack(SourceTree &tree, int out);
    void failed(const QByteArray &path, const QString &reason);
    int cannotWrite(const QString &reason);

    const CommandLineOptions &m_options;
    Console &m_console;
    FileSystem &m_fs;
    FileSystem::Descriptor m_folder; // the archive's
    QByteArray m_name; // the archive's, in its folder
    std::optional<ArchiveFile::Identity> m_existing; // the archive it replaces
    int m_failed = 0;
};
