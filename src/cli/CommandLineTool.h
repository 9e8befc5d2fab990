#pragma once

#include <QStringList>

#include <cstdio>

class CommandLineOptions;
class Console;

// The companion command `quillon`: parses the command line and hands it to the command it
// names (ReadCommand for list, extract and test; CreateCommand), one archive per call.
//
// The commands, their usage and their help are listed in CommandHelp.
//
// Exit status: 0 when all is done, 1 when an entry failed, a pattern matched nothing or a path
// was left out, 2 for a usage error, an archive that cannot be read or written, or standard
// output that cannot be written.
class CommandLineTool
{
public:
    CommandLineTool(std::FILE *out, std::FILE *err);

    // arguments includes the program name, as CommandLineOptions::parse() takes them; returns
    // the exit status.
    int run(const QStringList &arguments);

private:
    // Adds the PATHs -T gives to create's; false, said, when they cannot be read.
    static bool takePaths(CommandLineOptions &options, Console &console);

    std::FILE *m_out;
    std::FILE *m_err;
};
