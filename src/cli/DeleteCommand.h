#pragma once

class CommandLineOptions;
class Console;

// quillon delete: removes the entries its PATTERNs and -T names select (EntrySelection, a
// folder's name taking everything below it), keeping every other record and block as it was
// (ArchiveRewriter). A pattern that selects nothing is said and nothing is written; neither is
// an archive of no entries, which no reader opens. Exit status: 0 deleted, 1 a pattern
// matched nothing, 2 the archive not changed.
class DeleteCommand
{
public:
    DeleteCommand(const CommandLineOptions &options, Console &console);

    int run();

private:
    const CommandLineOptions &m_options;
    Console &m_console;
};
