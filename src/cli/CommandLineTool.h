#pragma once

#include <QStringList>

#include <cstdio>

// The companion command `quillon`: parses the command line and hands it to the command it
// names (ReadCommand for list, extract and test; CreateCommand, UpdateCommand, DeleteCommand),
// one archive per call.
//
//   quillon list    [-l] [-0] [-T FILE] ARCHIVE [PATTERN...]
//   quillon extract [-C DIR] [-k] [-O] [-v] [-T FILE [-0]] ARCHIVE [PATTERN...]
//   quillon test    [-v] [-T FILE [-0]] ARCHIVE [PATTERN...]
//   quillon create  [-C DIR] [-0 | -1 ... -9] [-j N] [-v] ARCHIVE [PATH...]
//   quillon update  [-C DIR] [-0 | -1 ... -9] [-j N] [-v] ARCHIVE [PATH...]
//   quillon delete  [-v] [-T FILE [--null]] [--no-wildcards] ARCHIVE PATTERN...
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
    std::FILE *m_out;
    std::FILE *m_err;
};
