#include "CommandLineTool.h"

#include "CommandLineOptions.h"
#include "Console.h"
#include "CreateCommand.h"
#include "DeleteCommand.h"
#include "EntrySelection.h"
#include "ReadCommand.h"
#include "UpdateCommand.h"

#include <QCoreApplication>

CommandLineTool::CommandLineTool(std::FILE *out, std::FILE *err) : m_out(out), m_err(err) { }

bool CommandLineTool::takePaths(CommandLineOptions &options, Console &console)
{
    NameList names;
    if (!EntrySelection::readNames(names, options, console))
        return false;
    options.paths.reserve(options.paths.size() + names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        options.paths << names.at(i).toByteArray();
    return true;
}

int CommandLineTool::run(const QStringList &arguments)
{
    Console console(m_out, m_err);
    CommandLineOptions options;
    if (!options.parse(arguments)) {
        console.usageError(options.errorString());
        return Console::UsageOrArchiveError;
    }
    switch (options.command) {
    case CommandLineOptions::Command::Help:
        console.write(CommandLineOptions::helpText(options.helpTopic));
        return console.finish(0);
    case CommandLineOptions::Command::Version:
        console.write(QCoreApplication::applicationName() + u' '
                      + QCoreApplication::applicationVersion() + u'\n');
        return console.finish(0);
    case CommandLineOptions::Command::Create:
        if (options.hasNamesFile && !takePaths(options, console))
            return Console::UsageOrArchiveError;
        return CreateCommand(options, console, m_err).run();
    case CommandLineOptions::Command::Update:
        return UpdateCommand(options, console).run();
    case CommandLineOptions::Command::Delete:
        return DeleteCommand(options, console).run();
    case CommandLineOptions::Command::List:
    case CommandLineOptions::Command::Extract:
    case CommandLineOptions::Command::Test:
        break;
    }
    return ReadCommand(options, console, m_err).run();
}
