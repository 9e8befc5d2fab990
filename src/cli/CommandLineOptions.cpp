#include "CommandLineOptions.h"

#include "Console.h"

#include <QCommandLineParser>

namespace {

const char kUsage[] = "Usage: quillon list    [-l] [-0] ARCHIVE [PATTERN...]\n"
                      "       quillon extract [-C DIR] [-k] [-O] [-v] ARCHIVE [PATTERN...]\n"
                      "       quillon test    [-v] ARCHIVE [PATTERN...]\n"
                      "       quillon --help | --version\n";

const char kHelp[]
    = "\n"
      "Lists, extracts and tests Quillon .dat archives, one archive per call.\n"
      "\n"
      "  list                 print every entry name, one per line\n"
      "  extract              write the entries into the current folder or DIR\n"
      "  test                 read and inflate the entries, writing nothing\n"
      "\n"
      "  -l, --long           list type, sizes, offset and name of each entry, then totals\n"
      "  -0, --null           end each listed name with a NUL byte instead of a newline\n"
      "  -C, --directory DIR  extract into DIR instead of the current folder\n"
      "  -k, --keep-old-files leave files that are already there as they are\n"
      "  -O, --to-stdout      write the file entries' bytes to standard output\n"
      "  -v, --verbose        name each entry done: 'x NAME' on standard error (extract),\n"
      "                       'ok NAME' on standard output (test)\n"
      "  -h, --help           show this help\n"
      "      --version        show the version\n"
      "\n"
      "A PATTERN is a shell wildcard (*, ?, [...]) matched against the whole entry name, with\n"
      "'\\' and '/' alike; a pattern matching a folder selects everything below it. Without\n"
      "a pattern every entry is selected.\n"
      "\n"
      "Exit status: 0 all done, 1 an entry failed or a pattern matched nothing, 2 a usage error,\n"
      "an archive that cannot be read or standard output that cannot be written.\n";

// An argument as the system gave it: one character per byte.
QByteArray bytes(const QString &argument)
{
    return argument.toLatin1();
}

QString text(const QString &argument)
{
    return QString::fromUtf8(argument.toLatin1());
}

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
    // Each option by its names, and the commands that take it. Qt's own --help-all and -v are
    // left out: -v is --verbose here.
    const struct
    {
        QStringList names;
        QString valueName;
        QList<Command> takenBy;
    } options[] = {
        { { "h", "help" }, {}, {} },
        { { "version" }, {}, {} },
        { { "l", "long" }, {}, { Command::List } },
        { { "0", "null" }, {}, { Command::List } },
        { { "C", "directory" }, "DIR", { Command::Extract } },
        { { "k", "keep-old-files" }, {}, { Command::Extract } },
        { { "O", "to-stdout" }, {}, { Command::Extract } },
        { { "v", "verbose" }, {}, { Command::Extract, Command::Test } },
    };
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    for (const auto &option : options)
        parser.addOption(QCommandLineOption(option.names, QString(), option.valueName));
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version"))) {
        command = parser.isSet(QStringLiteral("help")) ? Command::Help : Command::Version;
        return true;
    }

    const QStringList commands { "list", "extract", "test" };
    QStringList operands = parser.positionalArguments();
    const QString name = operands.isEmpty() ? QString() : text(operands.takeFirst());
    if (!commands.contains(name)) {
        return fail(name.isEmpty() ? QStringLiteral("no command given; try 'quillon --help'")
                                   : QStringLiteral("unknown command '%1'; try 'quillon --help'")
                                         .arg(Console::printableName(name)));
    }
    command = Command(commands.indexOf(name));
    for (const auto &option : options)
        if (parser.isSet(option.names.last()) && !option.takenBy.contains(command)
            && !option.takenBy.isEmpty())
            return fail(QStringLiteral("%1 does not take --%2").arg(name, option.names.last()));
    longList = parser.isSet(QStringLiteral("long"));
    nulEnded = parser.isSet(QStringLiteral("null"));
    if (parser.isSet(QStringLiteral("directory")))
        directory = bytes(parser.value(QStringLiteral("directory")));
    keepExisting = parser.isSet(QStringLiteral("keep-old-files"));
    toStdout = parser.isSet(QStringLiteral("to-stdout"));
    verbose = parser.isSet(QStringLiteral("verbose"));
    if (longList && nulEnded)
        return fail(QStringLiteral("list takes -l or -0, not both"));
    if (operands.isEmpty())
        return fail(QStringLiteral("no archive given; try 'quillon --help'"));
    archivePath = bytes(operands.first());
    archive = text(operands.takeFirst());
    for (const QString &operand : std::as_const(operands))
        patterns << text(operand);
    return true;
}
