#pragma once

#include "CommandLineOptions.h"

#include <QByteArray>
#include <QList>

// What `quillon --help` and `quillon help COMMAND` print, and the commands' names. Each command
// is one entry of one table: its name, its usage line, its line in the whole help and its own
// help; adding a command is adding its entry.
namespace CommandHelp {

using Command = CommandLineOptions::Command;

struct Entry
{
    Command command;
    const char *name;
    const char *usage; // the line after "Usage: ", complete with every option it takes
    const char *summary; // its line under "Commands:"
    const char *help; // what it does and each option it takes, as `help COMMAND` shows
};

// The commands that do something, in the order the help lists them.
const QList<Entry> &commands();
// The entry of a command's name; null when no command has it.
const Entry *find(const QString &name);

// Every command's usage line, then what the commands and the options do.
QByteArray whole();
// One command's usage line, what it does and the options it takes; the whole help for
// Command::Help.
QByteArray of(Command command);

} // namespace CommandHelp
