#pragma once

#include <QByteArray>
#include <QString>

class CommandLineOptions;
class Console;

// quillon update: brings an existing archive in line with the files below a folder, as the
// program that owns the archive expects it back. Files that differ from their entries replace
// them, files and folders the archive lacks are added (UpdatePlan); nothing is removed, and all
// else keeps its bytes and place (ArchiveRewriter). When nothing differs the archive is not
// written at all. Each path left out or not replaced is one line, `quillon: PATH: REASON`.
// Exit status: 0 all taken in, 1 some path left out, 2 the archive not changed.
class UpdateCommand
{
public:
    UpdateCommand(const CommandLineOptions &options, Console &console);

    int run();

private:
    void failed(const QByteArray &path, const QString &reason);

    const CommandLineOptions &m_options;
    Console &m_console;
    int m_failed = 0;
};
