#include "CommandLineOptions.h"

#include "Console.h"
#include "Printable.h"

#include <QCommandLineParser>

namespace {

const char kUsage[] = "Usage: quillon list    [-l] [-0] ARCHIVE [PATTERN...]\n"
                      "       quillon extract [-C DIR] [-k] [-O] [-v] ARCHIVE [PATTERN...]\n"
                      "       quillon test    [-v] ARCHIVE [PATTERN...]\n"
                      "       quillon create  [-C DIR] [-0..-9] [-j N] [-v] [--exclude PATTERN]\n"
                      "                       ARCHIVE [PATH...]\n"
                      "       quillon update  [-C DIR] [-0..-9] [-j N] [-v] ARCHIVE [PATH...]\n"
                      "       quillon delete  [-v] [-T FILE] ARCHIVE PATTERN...\n"
                      "       quillon --help | --version\n";

const char kHelp[]
    = "\n"
      "Lists, extracts, tests, creates, updates and deletes from Quillon .dat archives, one\n"
      "archive per call.\n"
      "\n"
      "  list                 print every entry name, one per line\n"
      "  extract              write the entries into the current folder or DIR\n"
      "  test                 read and inflate the entries, writing nothing\n"
      "  create               write a new archive of the PATHs below DIR (default: all of it)\n"
      "  update               replace the entries whose files below DIR differ, add the files\n"
      "                       the archive lacks; all else stays as it was\n"
      "  delete               remove the entries the PATTERNs select\n"
      "\n"
      "  -l, --long           list type, sizes, offset and name of each entry, then totals\n"
      "  -0, --null           end each listed name, and each name -T reads, with a NUL byte\n"
      "                       instead of a newline; create: store every file as it is\n"
      "  -1 ... -9            create: compress from fastest (-1) to smallest (-9); -6 by default\n"
      "  -T, --files-from FILE\n"
      "                       also take the exact entry names in FILE ('-': standard input),\n"
      "                       one a line; no character in them is a wildcard\n"
      "      --no-wildcards   take the PATTERNs as exact names too\n"
      "  -C, --directory DIR  extract into DIR, or create or update from DIR, instead of the\n"
      "                       current folder\n"
      "  -k, --keep-old-files leave files that are already there as they are\n"
      "  -O, --to-stdout      write the file entries' bytes to standard output\n"
      "  -0 ... -9            (create, update) compression level; -0 stores, -6 is the default\n"
      "  -j, --jobs N         (create, update) compress on N threads (default: the processors\n"
      "                       available)\n"
      "      --exclude PATTERN\n"
      "                       (create) leave out what PATTERN matches; a folder with all below it\n"
      "  -v, --verbose        name each entry done: 'x NAME' on standard error (extract),\n"
      "                       'ok NAME' on standard output (test), 'a NAME' on standard\n"
      "                       error (create), 'r NAME' and 'a NAME' (update), 'd NAME' (delete)\n"
      "  -h, --help           show this help, as 'quillon help' does\n"
      "      --version        show the version\n"
      "\n"
      "A PATTERN is a shell wildcard (*, ?, [...]) matched against the whole entry name, with\n"
      "'\\' and '/' alike; a pattern matching a folder selects everything below it. Without\n"
      "a pattern every entry is selected.\n"
      "\n"
      "A PATH is a file or folder below DIR; a folder is added with everything below it.\n"
      "create writes the archive to standard output when ARCHIVE is '-'.\n"
      "update replaces only the entries whose files differ and keeps everything else as it was;\n"
      "when nothing differs it writes nothing.\n"
      "\n"
      "When standard error is a terminal, extract, test and create show their progress on it.\n"
      "\n"
      "Exit status: 0 all done, 1 an entry failed, a pattern matched nothing or a PATH could not\n"
      "be added, 2 a usage error, an archive that cannot be read or written, or standard output\n"
      "that cannot be written. A closed pipe on standard output ends the command as it ends cat.\n";

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
          { Command::List, Command::Extract, Command::Test, Command::Delete } },
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

// The command names, in the order of Command.
const QStringList kCommands { "list", "extract", "test", "create", "update", "delete", "help" };

} // namespace

QByteArray CommandLineOptions::helpText()
{
    return QByteArray(kUsage) + kHelp;
}

bool CommandLineOptions::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool CommandLineOptions::parse(const QStringList &arguments)
{
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
    const QString name = operands.isEmpty() ? QString() : text(operands.takeFirst());
    const bool help = parser.isSet(QStringLiteral("help")) || name == kCommands.last();
    if (help || parser.isSet(QStringLiteral("version"))) {
        command = help ? Command::Help : Command::Version;
        return true;
    }
    if (!kCommands.contains(name)) {
        return fail(name.isEmpty()
                        ? QStringLiteral("no command given")
                        : QStringLiteral("unknown command '%1'").arg(Printable::name(name)));
    }
    command = Command(kCommands.indexOf(name));
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
    for (const QString &option : parser.optionNames()) // the last level given counts
        if (option == QLatin1String("null") || (option.size() == 1 && option.at(0).isDigit()))
            level = option.size() == 1 ? option.toInt() : 0;
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
    return true;
}

bool CommandLineOptions::takeOperands(QStringList &operands)
{
    if (operands.isEmpty())
        return fail(QStringLiteral("no archive given"));
    archivePath = bytes(operands.takeFirst());
    for (const QString &operand : std::as_const(operands)) {
        patterns << text(operand);
        paths << bytes(operand);
    }
    if (command == Command::Delete && patterns.isEmpty() && !hasNamesFile)
        return fail(QStringLiteral("delete takes a PATTERN of the entries to remove"));
    return true;
}
