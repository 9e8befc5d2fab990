#pragma once

#include <QByteArray>
#include <QString>

class CommandLineOptions;
class Console;

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
    void failed(const QByteArray &path, const QString &reason);
    int cannotWrite(const QString &reason);

    const CommandLineOptions &m_options;
    Console &m_console;
    int m_failed = 0;
};
