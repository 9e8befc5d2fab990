#include "CommandHelp.h"

namespace {

const char kPatterns[]
    = "A PATTERN is a shell wildcard (*, ?, [...]) matched against the whole entry name, with\n"
      "'\\' and '/' alike; a pattern matching a folder selects everything below it.\n";

// Not so for delete, which removes nothing unnamed and rewrites the archive where it lies.
const char kReading[]
    = "list, extract and test select every entry without a pattern or -T, and read an ARCHIVE\n"
      "of '-' from standard input.\n";

const char kExitStatus[]
    = "Exit status: 0 all done, 1 an entry failed, a pattern matched nothing or a PATH could not\n"
      "be added, 2 a usage error, a PATH that is not there, an archive that cannot be read or\n"
      "written (or would hold no entry), or standard output that cannot be written. A closed\n"
      "pipe on standard output ends the command as it ends cat.\n";

const QList<CommandHelp::Entry> kCommands {
    { CommandHelp::Command::List, "list",
      "quillon list    [-l | -0] [-T FILE] [--no-wildcards] ARCHIVE [PATTERN...]",
      "print every entry name, one per line",
      "Prints the name of each selected entry, one per line, in the archive's order.\n"
      "\n"
      "  -l, --long           a table of type, size, packed size, offset and name, then the\n"
      "                       totals\n"
      "  -0, --null           end each name with a NUL byte, unescaped, for xargs -0; the\n"
      "                       names -T reads end with NUL too\n"
      "  -T, --files-from FILE\n"
      "                       also select the exact entry names in FILE ('-': standard input),\n"
      "                       one a line; no character in them is a wildcard\n"
      "      --no-wildcards   take the PATTERNs as exact names too\n" },
    { CommandHelp::Command::Extract, "extract",
      "quillon extract [-C DIR] [-k] [-O] [-v] [-T FILE [-0]] [--no-wildcards] ARCHIVE "
      "[PATTERN...]",
      "write the entries into the current folder or DIR",
      "Writes the selected entries into the current folder or DIR, replacing files that are\n"
      "there once each new one is complete. Nothing is written outside that folder or through a\n"
      "symbolic link in it. A full disk stops it at the first entry that finds no space.\n"
      "\n"
      "  -C, --directory DIR  extract into DIR instead of the current folder\n"
      "  -k, --keep-old-files leave files that are already there as they are\n"
      "  -O, --to-stdout      write the file entries' bytes to standard output instead\n"
      "  -v, --verbose        print 'x NAME' on standard error for each entry written\n"
      "  -T, --files-from FILE\n"
      "                       also select the exact entry names in FILE ('-': standard input),\n"
      "                       one a line; no character in them is a wildcard\n"
      "  -0, --null           the names -T reads end with a NUL byte instead of a newline\n"
      "      --no-wildcards   take the PATTERNs as exact names too\n" },
    { CommandHelp::Command::Test, "test",
      "quillon test    [-v] [-T FILE [-0]] [--no-wildcards] ARCHIVE [PATTERN...]",
      "read and inflate the entries, writing nothing",
      "Reads each selected entry where its record says it lies, checks that each compressed\n"
      "one inflates, with a good zlib checksum, to the size its record gives, and that each\n"
      "name is one extract would write; it writes nothing. The format keeps no checksum of a\n"
      "stored entry's bytes: a stored entry that can be read is ok whatever they are.\n"
      "\n"
      "  -v, --verbose        print 'ok NAME' on standard output for each good entry\n"
      "  -T, --files-from FILE\n"
      "                       also select the exact entry names in FILE ('-': standard input),\n"
      "                       one a line; no character in them is a wildcard\n"
      "  -0, --null           the names -T reads end with a NUL byte instead of a newline\n"
      "      --no-wildcards   take the PATTERNs as exact names too\n" },
    { CommandHelp::Command::Create, "create",
      "quillon create  [-C DIR] [-0 | -1 ... -9] [-j N] [-v] [-T FILE [--null]] "
      "[--exclude PATTERN] ARCHIVE [PATH...]",
      "write a new archive of the PATHs below DIR (default: all of it)",
      "Writes a new archive of each PATH below DIR, a folder with everything below it; without\n"
      "a PATH or -T, of everything in DIR. A PATH is a file or folder below DIR. The archive\n"
      "appears only once complete and flushed to the disk; an ARCHIVE of '-' is written to\n"
      "standard output.\n"
      "\n"
      "  -C, --directory DIR  take the PATHs below DIR instead of the current folder\n"
      "  -1 ... -9            compress from fastest (-1) to smallest (-9); -6 by default\n"
      "  -0                   store every file as it is\n"
      "  -j, --jobs N         compress on N threads (default: the processors available)\n"
      "  -v, --verbose        print 'a NAME' on standard error for each entry added\n"
      "  -T, --files-from FILE\n"
      "                       also add the PATHs in FILE ('-': standard input), one a line\n"
      "      --null           the PATHs -T reads end with a NUL byte instead of a newline\n"
      "      --exclude PATTERN\n"
      "                       leave out what PATTERN matches among the names as stored; a\n"
      "                       folder with all below it\n" },
    { CommandHelp::Command::Update, "update",
      "quillon update  [-C DIR] [-0 | -1 ... -9] [-j N] [-v] ARCHIVE [PATH...]",
      "bring an archive in line with the files below DIR, all else as it was",
      "Replaces the data of each entry whose file below DIR differs from it and adds the files\n"
      "and folders the archive lacks after its records; without a PATH, of everything in DIR.\n"
      "Every other record, its order and fields, and the data's layout stay byte for byte as\n"
      "they were; a replaced entry keeps its type. When nothing differs, the archive is not\n"
      "written at all. The new archive takes the old one's place only once complete and flushed,\n"
      "with its permissions and owner.\n"
      "\n"
      "  -C, --directory DIR  take the files below DIR instead of the current folder\n"
      "  -1 ... -9            compress a replaced compressed entry, or an added file, from\n"
      "                       fastest (-1) to smallest (-9); -6 by default\n"
      "  -0                   store an added file as it is\n"
      "  -j, --jobs N         compress on N threads (default: the processors available)\n"
      "  -v, --verbose        print 'r NAME' for each entry replaced and 'a NAME' for each one\n"
      "                       added, on standard error\n" },
    { CommandHelp::Command::Delete, "delete",
      "quillon delete  [-v] [-T FILE [--null]] [--no-wildcards] ARCHIVE PATTERN...",
      "remove the entries the PATTERNs select, all else as it was",
      "Removes the selected entries and their data; every other record and the data's layout\n"
      "stay as they were. When a PATTERN selects nothing, nothing is written; deleting every\n"
      "entry is refused.\n"
      "\n"
      "  -v, --verbose        print 'd NAME' on standard error for each entry removed\n"
      "  -T, --files-from FILE\n"
      "                       also select the exact entry names in FILE ('-': standard input),\n"
      "                       one a line; no character in them is a wildcard\n"
      "      --null           the names -T reads end with a NUL byte instead of a newline\n"
      "      --no-wildcards   take the PATTERNs as exact names too\n" },
};

const char kOptions[]
    = "Options:\n"
      "  -l, --long           (list) a table of type, sizes, offset and name, then totals\n"
      "  -0, --null           end each name list prints, and each name -T reads, with a NUL\n"
      "                       byte instead of a newline; in create and update -0 is a level\n"
      "  -1 ... -9            (create, update) compress from fastest (-1) to smallest (-9), -6 by\n"
      "                       default; -0 stores every file\n"
      "  -T, --files-from FILE\n"
      "                       also take the names in FILE ('-': standard input), one a line:\n"
      "                       exact entry names, or for create PATHs\n"
      "      --no-wildcards   (list, extract, test, delete) take the PATTERNs as exact names too\n"
      "  -C, --directory DIR  extract into DIR, or create or update from DIR, instead of the\n"
      "                       current folder\n"
      "  -k, --keep-old-files (extract) leave files that are already there as they are\n"
      "  -O, --to-stdout      (extract) write the file entries' bytes to standard output\n"
      "  -j, --jobs N         (create, update) compress on N threads (default: the processors\n"
      "                       available)\n"
      "      --exclude PATTERN\n"
      "                       (create) leave out what PATTERN matches; a folder with all below it\n"
      "  -v, --verbose        name each entry done: 'x NAME' on standard error (extract),\n"
      "                       'ok NAME' on standard output (test), 'a NAME' on standard\n"
      "                       error (create), 'r NAME' and 'a NAME' (update), 'd NAME' (delete)\n"
      "  -h, --help           show this help, or after a command that command's own\n"
      "      --version        show the version\n";

} // namespace

const QList<CommandHelp::Entry> &CommandHelp::commands()
{
    return kCommands;
}

const CommandHelp::Entry *CommandHelp::find(const QString &name)
{
    for (const Entry &entry : kCommands)
        if (name == QLatin1String(entry.name))
            return &entry;
    return nullptr;
}

QByteArray CommandHelp::whole()
{
    QByteArray text = "Usage: ";
    for (const Entry &entry : kCommands)
        text += QByteArray(entry.usage) + "\n       ";
    text += "quillon help [COMMAND] | --help | --version\n"
            "\n"
            "Lists, extracts, tests, creates and updates Quillon .dat archives, one archive per "
            "call.\n"
            "\n"
            "Commands:\n";
    for (const Entry &entry : kCommands)
        text += "  " + QByteArray(entry.name).leftJustified(10) + entry.summary + '\n';
    text += "'quillon help COMMAND' shows what one command does and the options it takes.\n"
            "\n";
    text += kOptions;
    text += "\n";
    text += kPatterns;
    text += kReading;
    text += "\n"
            "test checks that every entry can be read where its record says and that every\n"
            "compressed one inflates, with a good checksum, to the size its record gives; the\n"
            "format keeps no checksum of a stored entry's bytes, so those it cannot check.\n"
            "\n"
            "When standard error is a terminal, extract, test and create show their progress on\n"
            "it.\n"
            "\n";
    return text + kExitStatus;
}

QByteArray CommandHelp::of(Command command)
{
    for (const Entry &entry : kCommands) {
        if (entry.command != command)
            continue;
        QByteArray text
            = "Usage: " + QByteArray(entry.usage).simplified() + "\n\n" + entry.help + '\n';
        if (command != Command::Create && command != Command::Update)
            text += QByteArray(kPatterns) + (command == Command::Delete ? "" : kReading) + '\n';
        return text + kExitStatus;
    }
    return whole();
}
