#include "CommandLineOptions.h"

#include "CommandHelp.h"
#include "Printable.h"

#include <QCommandLineParser>

#include <utility>

namespace {

// An argument as the system gave it: one character per byte.
QByteArray bytes(const QString &argument)
{
    return argument.toLatin1();
}

QString text(const QString &argument)
{
    return QString::fromUtf8(argument.toLatin1());
}

// Qt's texts ("Missing value after '-C'.") in the style of quillon's own.
QString restyled(QString error)
{
    if (!error.isEmpty())
        error[0] = error.at(0).toLower();
    if (error.endsWith(u'.'))
        error.chop(1);
    return error;
}

// Which of names the command line used, the last given.
QString given(const QCommandLineParser &parser, const QStringList &names)
{
    QString found;
    for (const QString &option : parser.optionNames())
        if (names.contains(option))
            found = option;
    return found;
}

using Command = CommandLineOptions::Command;

// Each option by its names, and the commands that take it. Qt's own --help-all and -v are left
// out: -v is --verbose here.
struct Option
{
    QStringList names;
    QString valueName;
    QList<Command> takenBy; // empty: every command
};

const QList<Option> &options()
{
    static const QList<Option> table {
        { { "h", "help" }, {}, {} },
        { { "version" }, {}, {} },
        { { "l", "long" }, {}, { Command::List } },
        { { "0", "null" },
          {},
          { Command::List, Command::Extract, Command::Test, Command::Create, Command::Update,
            Command::Delete } },
        { { "1", "2", "3", "4", "5", "6", "7", "8", "9" },
          {},
          { Command::Create, Command::Update } },
        { { "T", "files-from" },
          "FILE",
          { Command::List, Command::Extract, Command::Test, Command::Create, Command::Delete } },
        { { "no-wildcards" },
          {},
          { Command::List, Command::Extract, Command::Test, Command::Delete } },
        { { "C", "directory" }, "DIR", { Command::Extract, Command::Create, Command::Update } },
        { { "k", "keep-old-files" }, {}, { Command::Extract } },
        { { "O", "to-stdout" }, {}, { Command::Extract } },
        { { "j", "jobs" }, "N", { Command::Create, Command::Update } },
        { { "exclude" }, "PATTERN", { Command::Create } },
        { { "v", "verbose" },
          {},
          { Command::Extract, Command::Test, Command::Create, Command::Update, Command::Delete } },
    };
    return table;
}

// A run of two or more digits among short options ("-10", "-v19"): Qt would take it for one
// level after another, the last one counting, so "-10" would store. Empty when there is none.
QString levelTypo(const QStringList &arguments)
{
    bool value = false; // the argument is the value of the option before it
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (std::exchange(value, false) || !argument.startsWith(u'-') || argument.size() < 2)
            continue;
        if (argument == QLatin1String("--"))
            break;
        if (argument.startsWith(QLatin1String("--"))) {
            value = !argument.contains(u'=')
                && QStringList { "--directory", "--exclude", "--files-from", "--jobs" }.contains(
                    argument);
            continue;
        }
        qsizetype digits = 0;
        for (qsizetype j = 1; j < argument.size(); ++j) {
            const QChar c = argument.at(j);
            if (QStringLiteral("CTj").contains(c)) { // the rest, or the next argument, is its value
                value = j + 1 == argument.size();
                break;
            }
            digits = c.isDigit() ? digits + 1 : 0;
            if (digits == 2) {
                qsizetype end = j;
                while (end < argument.size() && argument.at(end).isDigit())
                    ++end;
                return argument.mid(j - 1, end - j + 1);
            }
        }
    }
    return {};
}

} // namespace

QByteArray CommandLineOptions::helpText()
{
    return CommandHelp::whole();
}

QByteArray CommandLineOptions::helpText(Command topic)
{
    return CommandHelp::of(topic);
}

bool CommandLineOptions::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool CommandLineOptions::parse(const QStringList &arguments)
{
    if (const QString typo = levelTypo(arguments); !typo.isEmpty())
        return fail(QStringLiteral("unknown option '-%1' (a level is one digit, -0 to -9)")
                        .arg(Printable::name(text(typo))));
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    for (const Option &option : options())
        parser.addOption(QCommandLineOption(option.names, QString(), option.valueName));
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        return fail(unknown.isEmpty() ? restyled(parser.errorText())
                                      : QStringLiteral("unknown option '%1%2'")
                                            .arg(unknown.first().size() == 1 ? "-" : "--",
                                                 Printable::name(text(unknown.first()))));
    }
    QStringList operands = parser.positionalArguments();
    if (!takeCommand(parser, operands))
        return false;
    if (command == Command::Help || command == Command::Version)
        return true;
    return takeOptions(parser) && takeOperands(operands);
}

bool CommandLineOptions::takeCommand(const QCommandLineParser &parser, QStringList &operands)
{
    QString name = operands.isEmpty() ? QString() : text(operands.takeFirst());
    bool help = parser.isSet(QStringLiteral("help"));
    while (name == QLatin1String("help")) { // "help COMMAND" is "COMMAND --help"
        help = true;
        name = operands.isEmpty() ? QString() : text(operands.takeFirst());
    }
    const CommandHelp::Entry *entry = CommandHelp::find(name);
    if (!entry && (!name.isEmpty() || !(help || parser.isSet(QStringLiteral("version"))))) {
        return fail(name.isEmpty()
                        ? QStringLiteral("no command given")
                        : QStringLiteral("unknown command '%1'").arg(Printable::name(name)));
    }
    if (help || parser.isSet(QStringLiteral("version"))) {
        command = help ? Command::Help : Command::Version;
        helpTopic = entry ? entry->command : Command::Help;
        return true;
    }
    command = entry->command;
    for (const Option &option : options())
        if (parser.isSet(option.names.last()) && !option.takenBy.contains(command)
            && !option.takenBy.isEmpty())
            return fail(QStringLiteral("%1 does not take %2")
                            .arg(name,
                                 option.names.last().size() > 1
                                     ? QStringLiteral("--") + option.names.last()
                                     : QStringLiteral("-") + given(parser, option.names)));
    return true;
}

bool CommandLineOptions::takeOptions(const QCommandLineParser &parser)
{
    longList = parser.isSet(QStringLiteral("long"));
    nulEnded = parser.isSet(QStringLiteral("null"));
    literalPatterns = parser.isSet(QStringLiteral("no-wildcards"));
    hasNamesFile = parser.isSet(QStringLiteral("files-from"));
    namesFile = bytes(parser.value(QStringLiteral("files-from")));
    // In create and update -0 is a level, the last one given counting, and --null alone ends
    // -T's names.
    if (command == Command::Create || command == Command::Update) {
        nulEnded = parser.optionNames().contains(QStringLiteral("null"));
        for (const QString &option : parser.optionNames())
            if (option.size() == 1 && option.at(0).isDigit())
                level = option.toInt();
    }
    if (parser.isSet(QStringLiteral("jobs"))) {
        bool ok = false;
        jobs = parser.value(QStringLiteral("jobs")).toInt(&ok);
        if (!ok || jobs < 1 || jobs > 256)
            return fail(QStringLiteral("-j takes a number of threads from 1 to 256"));
    }
    for (const QString &pattern : parser.values(QStringLiteral("exclude")))
        excluded << text(pattern);
    if (parser.isSet(QStringLiteral("directory")))
        directory = bytes(parser.value(QStringLiteral("directory")));
    keepExisting = parser.isSet(QStringLiteral("keep-old-files"));
    toStdout = parser.isSet(QStringLiteral("to-stdout"));
    verbose = parser.isSet(QStringLiteral("verbose"));
    if (longList && nulEnded)
        return fail(QStringLiteral("list takes -l or -0, not both"));
    // create --null once stored, as -0 does: said, rather than compressing where it stored.
    if (command == Command::Create && nulEnded && !hasNamesFile)
        return fail(QStringLiteral("create takes --null for the names -T reads; -0 stores"));
    if (command == Command::Update && nulEnded)
        return fail(QStringLiteral("update does not take --null"));
    return true;
}

bool CommandLineOptions::takeOperands(QStringList &operands)
{
    if (operands.isEmpty())
        return fail(QStringLiteral("no archive given"));
    archivePath = bytes(operands.takeFirst());
    if (archivePath == "-" && hasNamesFile && namesFile == "-" && command != Command::Create)
        return fail(QStringLiteral("-T - and the archive - would both read standard input"));
    for (const QString &operand : std::as_const(operands)) {
        patterns << text(operand);
        paths << bytes(operand);
    }
    if (command == Command::Delete && patterns.isEmpty() && !hasNamesFile)
        return fail(QStringLiteral("delete takes a PATTERN of the entries to remove"));
    return true;
}
