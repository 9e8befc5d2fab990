#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// quillon's command line, parsed: the command, its options and its operands, each checked
// against what the command takes.
class CommandLineOptions
{
public:
    enum class Command { List, Extract, Test, Create, Help, Version };

    // arguments includes the program name; each holds one character for each byte of the
    // argument as the system gave it (Latin-1), so that a path keeps its bytes. False on a
    // usage error, which errorString() describes.
    // "quillon help [COMMAND]" and --help anywhere ask for the help, of the command named.
    bool parse(const QStringList &arguments);
    QString errorString() const { return m_error; }

    // Every command's usage line and the help that follows them.
    static QByteArray helpText();
    // One command's usage line and help; the whole help for Command::Help.
    static QByteArray helpText(Command topic);

    Command command = Command::Help;
    Command helpTopic = Command::Help; // the command whose help is asked for, or all
    QByteArray archivePath; // as given, for the file system
    QStringList patterns;
    bool literalPatterns = false; // --no-wildcards
    QByteArray namesFile; // -T, as given; "-" is standard input (as is an archive "-")
    bool hasNamesFile = false;
    QByteArrayList paths; // create's operands after the archive, as given
    QStringList excluded; // create: --exclude, each a PATTERN
    QByteArray directory = "."; // -C, as given
    bool keepExisting = false;
    bool longList = false;
    bool nulEnded = false; // names listed, and read by -T, end with NUL (create: --null only)
    bool toStdout = false;
    bool verbose = false;
    int level = 6; // create: -0 to -9
    int jobs = 0; // create: -j, 0 for the processors available

private:
    bool fail(const QString &error);
    // The command the first operand names, taken off operands; fails on an option it does
    // not take.
    bool takeCommand(const QCommandLineParser &parser, QStringList &operands);
    bool takeOptions(const QCommandLineParser &parser);
    // The archive, then the patterns or paths.
    bool takeOperands(QStringList &operands);

    QString m_error;
};
