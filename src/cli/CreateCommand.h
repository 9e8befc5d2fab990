#pragma once

#include "ProgressLine.h"

#include "archive/NamePattern.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdio>

class CommandLineOptions;
class Console;
class EntryPacker;

// quillon create: writes a new archive of files and folders below a folder (SourceTree,
// EntryPacker), or streams it to standard output ("-"). The archive takes its name only once it
// is complete and on the disk (NewArchiveFile), so a failed or stopped create leaves no partial
// archive and an archive that was there untouched. A PATH that is not there, or cannot be read
// at all, stops the command before anything is written, and so does a tree with nothing to add.
// Each path found below them that cannot be added is one line, `quillon: PATH: REASON`, and the
// others are still added. Exit status: 0 all added, 1 some path left out, 2 no archive written.
class CreateCommand
{
public:
    CreateCommand(const CommandLineOptions &options, Console &console, std::FILE *err);

    int run();

private:
    bool toStandardOutput() const;
    // The --exclude patterns; false, said, when one means nothing.
    bool takeExclusions(QList<NamePattern> &patterns);
    void showProgress(EntryPacker &packer);
    void failed(const QByteArray &path, const QString &reason);
    int cannotWrite(const QString &reason);

    const CommandLineOptions &m_options;
    Console &m_console;
    ProgressLine m_progress;
    int m_failed = 0;
};
