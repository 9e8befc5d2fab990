#pragma once

#include "NameList.h"

#include <QtGlobal>

#include <vector>

class CommandLineOptions;
class Console;
class EntryTable;

// The entries a command's PATTERNs and the exact names of -T select: every entry when there are
// neither, none for an empty list of names.
class EntrySelection
{
public:
    EntrySelection(const CommandLineOptions &options, Console &console);

    // Checks the PATTERNs, so that one that means nothing is said before anything is done, and
    // reads the names -T gives; false, said, when either fails.
    bool prepare();
    // The rows selected, in table order; notes the patterns and names that select nothing.
    std::vector<qint32> rows(const EntryTable &table);

    // Reads the names of -T into names as the options say they end; false, said, when it fails.
    static bool readNames(NameList &names, const CommandLineOptions &options, Console &console);

private:
    const CommandLineOptions &m_options;
    Console &m_console;
    NameList m_names; // from -T, until the rows are selected
};
