#include "CommandLineTool.h"

#include "archive/DirectoryReader.h"
#include "compress/PackwellCore.h"
#include "compress/StreamInflater.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractReporter.h"
#include "extract/Extraction.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kUsage[] = "Usage: quillon list    [-l] [-0] ARCHIVE [PATTERN...]\n"
                      "       quillon extract [-C DIR] [-O] [-v] ARCHIVE [PATTERN...]\n"
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

// Stored entries are copied, and read by test, in pieces of this size.
constexpr qint64 kCopyChunk = 256 * 1024;

// Keeps the last text the writers reported, so it can be printed beside its entry's name.
class LastMessage : public ExtractReporter
{
public:
    void message(const QString &text) override { last = text; }
    QString last;
};

QString hex(uint value)
{
    return QStringLiteral("\\x%1").arg(value, 2, 16, QLatin1Char('0'));
}

} // namespace

// The parsed command line.
struct CommandLineTool::Options
{
    QString command;
    QStringList patterns;
    QString directory;
    bool longList = false;
    bool null = false;
    bool toStdout = false;
    bool verbose = false;
};

// The archive opened once for reading the entries' data, with its length for the range checks.
class CommandLineTool::ArchiveData
{
public:
    explicit ArchiveData(const QString &path) : m_fd(::open(QFile::encodeName(path), O_RDONLY))
    {
        struct stat st;
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0)
            m_size = st.st_size;
        else
            m_error = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~ArchiveData()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ArchiveData(const ArchiveData &) = delete;
    ArchiveData &operator=(const ArchiveData &) = delete;

    bool isOpen() const { return m_fd >= 0 && m_size >= 0; }
    // Why it could not be opened.
    QString error() const { return m_error; }
    bool contains(qint64 offset, qint64 size) const
    {
        return offset >= 0 && size >= 0 && offset + size <= m_size;
    }
    // Reads at pos, retrying interrupted reads; 0 at the end, -1 with errno set.
    qint64 readAt(char *buffer, qint64 size, qint64 pos) const
    {
        for (;;) {
            const ssize_t n = ::pread(m_fd, buffer, size_t(size), off_t(pos));
            if (n >= 0 || errno != EINTR)
                return n;
        }
    }

private:
    int m_fd;
    qint64 m_size = -1;
    QString m_error;
};

CommandLineTool::CommandLineTool(std::FILE *out, std::FILE *err) : m_out(out), m_err(err) { }

QString CommandLineTool::printableName(const QString &name)
{
    QString printable;
    printable.reserve(name.size());
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            printable += u'/';
        else if (u == u'\n')
            printable += QLatin1String("\\n");
        else if (u == u'\t')
            printable += QLatin1String("\\t");
        else if (u == u'\r')
            printable += QLatin1String("\\r");
        // C1 controls too: the bytes Windows-1252 leaves undefined decode to them.
        else if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            printable += hex(u);
        else
            printable += c;
    }
    return printable;
}

bool CommandLineTool::selects(const QString &pattern, const QString &name)
{
    // "\" is a folder separator in these names, so it cannot also escape a wildcard.
    QByteArray p = pattern.toUtf8().replace('\\', '/');
    while (p.size() > 1 && p.endsWith('/'))
        p.chop(1);
    // A NUL would end the C string early; such a name cannot match a plain pattern anyway.
    const QByteArray n = QString(name).replace(QChar(0), QChar(0xfffd)).toUtf8().replace('\\', '/');
    if (::fnmatch(p.constData(), n.constData(), FNM_NOESCAPE) == 0)
        return true;
    // Each folder above the entry, from the outermost.
    for (qsizetype slash = n.indexOf('/'); slash >= 0; slash = n.indexOf('/', slash + 1))
        if (slash > 0 && ::fnmatch(p.constData(), n.left(slash).constData(), FNM_NOESCAPE) == 0)
            return true;
    return false;
}

bool CommandLineTool::write(const char *data, qint64 size)
{
    if (m_outError)
        return false;
    if (size > 0 && std::fwrite(data, 1, size_t(size), m_out) != size_t(size)) {
        m_outError = errno ? errno : EIO;
        return false;
    }
    return true;
}

void CommandLineTool::error(const QString &text)
{
    say(QStringLiteral("quillon: ") + text);
}

void CommandLineTool::say(const QString &line)
{
    const QByteArray bytes = (line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_err);
    std::fflush(m_err);
}

void CommandLineTool::entryFailed(const QString &name, const QString &reason)
{
    ++m_failed;
    error(printableName(m_archive) + QStringLiteral(": ") + printableName(name)
          + QStringLiteral(": ") + reason);
}

int CommandLineTool::run(const QStringList &arguments)
{
    // Qt's own --help-all and -v are left out: -v is --verbose here.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption help(QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption longList(QStringList { QStringLiteral("l"), QStringLiteral("long") });
    const QCommandLineOption null(QStringList { QStringLiteral("0"), QStringLiteral("null") });
    const QCommandLineOption directory({ QStringLiteral("C"), QStringLiteral("directory") },
                                       QString(), QStringLiteral("DIR"));
    const QCommandLineOption toStdout(
        QStringList { QStringLiteral("O"), QStringLiteral("to-stdout") });
    const QCommandLineOption verbose(
        QStringList { QStringLiteral("v"), QStringLiteral("verbose") });
    parser.addOptions({ help, version, longList, null, directory, toStdout, verbose });

    if (!parser.parse(arguments)) {
        error(parser.errorText());
        return UsageOrArchiveError;
    }
    if (parser.isSet(help)) {
        write(QByteArray(kUsage) + kHelp);
        return finish(0);
    }
    if (parser.isSet(version)) {
        write(QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion()
              + u'\n');
        return finish(0);
    }

    Options options;
    options.patterns = parser.positionalArguments();
    options.command = options.patterns.isEmpty() ? QString() : options.patterns.takeFirst();
    options.longList = parser.isSet(longList);
    options.null = parser.isSet(null);
    options.directory = parser.value(directory);
    options.toStdout = parser.isSet(toStdout);
    options.verbose = parser.isSet(verbose);

    // Which options each command takes.
    const QList<std::pair<QString, QList<const QCommandLineOption *>>> commands = {
        { QStringLiteral("list"), { &longList, &null } },
        { QStringLiteral("extract"), { &directory, &toStdout, &verbose } },
        { QStringLiteral("test"), { &verbose } },
    };
    const auto command = std::find_if(commands.begin(), commands.end(),
                                      [&](const auto &c) { return c.first == options.command; });
    if (command == commands.end()) {
        error(options.command.isEmpty()
                  ? QStringLiteral("no command given; try 'quillon --help'")
                  : QStringLiteral("unknown command '%1'; try 'quillon --help'")
                        .arg(printableName(options.command)));
        return UsageOrArchiveError;
    }
    for (const QCommandLineOption *option : { &longList, &null, &directory, &toStdout, &verbose })
        if (parser.isSet(*option) && !command->second.contains(option)) {
            error(QStringLiteral("%1 does not take --%2")
                      .arg(command->first, option->names().last()));
            return UsageOrArchiveError;
        }
    if (options.longList && options.null) {
        error(QStringLiteral("list takes -l or -0, not both"));
        return UsageOrArchiveError;
    }
    if (options.patterns.isEmpty()) {
        error(QStringLiteral("no archive given; try 'quillon --help'"));
        return UsageOrArchiveError;
    }
    m_archive = options.patterns.takeFirst();
    if (parser.isSet(directory) && !QFileInfo(options.directory).isDir()) {
        error(printableName(options.directory) + QStringLiteral(": no such folder"));
        return UsageOrArchiveError;
    }

    DirectoryReader reader;
    QFile file(m_archive);
    if (!file.open(QIODevice::ReadOnly) || !reader.read(&file)) {
        error(printableName(m_archive) + QStringLiteral(": ")
              + (file.isOpen() ? reader.errorString() : file.errorString()));
        return UsageOrArchiveError;
    }
    file.close();

    if (options.command == QLatin1String("list"))
        return list(reader.table(), reader.entryCount(), options);
    if (options.command == QLatin1String("extract"))
        return extract(reader.table(), options);
    return test(reader.table(), options);
}

std::vector<qint32> CommandLineTool::select(const EntryTable &table, const QStringList &patterns)
{
    std::vector<qint32> rows;
    std::vector<bool> used(size_t(patterns.size()), false);
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        bool selected = patterns.isEmpty();
        if (!selected) {
            const QString name = table.name(row);
            for (qsizetype i = 0; i < patterns.size(); ++i)
                if (selects(patterns.at(i), name))
                    selected = used[size_t(i)] = true;
        }
        if (selected)
            rows.push_back(row);
    }
    for (qsizetype i = 0; i < patterns.size(); ++i)
        if (!used[size_t(i)])
            m_unmatched << patterns.at(i);
    return rows;
}

int CommandLineTool::finish(qint64 entries)
{
    for (const QString &pattern : std::as_const(m_unmatched))
        error(printableName(m_archive) + QStringLiteral(": ") + printableName(pattern)
              + QStringLiteral(": not found in archive"));
    if (m_failed > 0)
        error(printableName(m_archive)
              + QStringLiteral(": %1 of %2 entries failed").arg(m_failed).arg(entries));
    if ((std::fflush(m_out) != 0 || std::ferror(m_out)) && !m_outError)
        m_outError = errno ? errno : EIO;
    if (m_outError) {
        error(QStringLiteral("cannot write to standard output: ")
              + QString::fromLocal8Bit(std::strerror(m_outError)));
        return UsageOrArchiveError;
    }
    return m_failed > 0 || !m_unmatched.isEmpty() ? EntryFailed : Success;
}

int CommandLineTool::list(const EntryTable &table, qint32 entryCount, const Options &options)
{
    const std::vector<qint32> rows = select(table, options.patterns);
    if (options.longList)
        write(QStringLiteral("%1 %2 %3 %4  name\n")
                  .arg(QStringLiteral("type"), -4)
                  .arg(QStringLiteral("size"), 11)
                  .arg(QStringLiteral("packed"), 11)
                  .arg(QStringLiteral("offset"), 11));
    qint64 bytes = 0;
    for (const qint32 row : rows) {
        const EntryRecord e = table.at(row);
        if (options.null) {
            // Unescaped for xargs -0, but a NUL inside a name would split it in two.
            QString name = e.name;
            name.replace(u'\\', u'/').replace(QChar(0), QLatin1String("\\x00"));
            write(name.toUtf8().append('\0'));
        } else if (!options.longList) {
            write(printableName(e.name) + u'\n');
        } else {
            const bool file = e.entryType == StoredEntry || e.entryType == CompressedEntry;
            if (file)
                bytes += qMax(e.unpackedSize, 0);
            const QString type = e.entryType == StoredEntry ? QStringLiteral("file")
                : e.entryType == CompressedEntry            ? QStringLiteral("zlib")
                : e.entryType == FolderEntry                ? QStringLiteral("dir")
                                                            : QString::number(e.entryType);
            const QString packed = e.entryType == CompressedEntry ? QString::number(e.packedSize)
                                                                  : QStringLiteral("-");
            write(QStringLiteral("%1 %2 %3 %4  %5\n")
                      .arg(type, -4)
                      .arg(e.unpackedSize, 11)
                      .arg(packed, 11)
                      .arg(e.offset, 11)
                      .arg(printableName(e.name)));
        }
        if (m_outError)
            break;
    }
    if (options.longList) {
        write(QStringLiteral("%1 entries, %2 bytes\n").arg(rows.size()).arg(bytes));
        if (entryCount != table.filledRows())
            write(QStringLiteral("the directory counts %1 entries; %2 were read\n")
                      .arg(entryCount)
                      .arg(table.filledRows()));
    }
    return finish(qint64(rows.size()));
}

template<typename Sink>
QString CommandLineTool::readEntry(ArchiveData &archive, qint32 row, const EntryTable &table,
                                   Sink &&sink)
{
    const EntryRecord e = table.at(row);
    const bool compressed = e.entryType == CompressedEntry;
    const qint64 size = compressed ? e.packedSize : e.unpackedSize;
    if (!archive.contains(e.offset, size))
        return QStringLiteral("data past the end of the archive");
    qint64 pos = e.offset;
    if (compressed) {
        StreamInflater inflater;
        const StreamInflater::Result result = inflater.inflate(
            e.packedSize, e.unpackedSize,
            [&](char *buffer, qint64 n) {
                const qint64 got = archive.readAt(buffer, n, pos);
                pos += qMax(got, qint64(0));
                return got;
            },
            sink);
        return result == StreamInflater::Result::Ok ? QString() : inflater.describe(result);
    }
    QByteArray chunk(qMin(size, kCopyChunk), Qt::Uninitialized);
    for (qint64 left = size; left > 0;) {
        const qint64 got = archive.readAt(chunk.data(), qMin(left, kCopyChunk), pos);
        if (got <= 0)
            return got < 0 ? QString::fromLocal8Bit(std::strerror(errno))
                           : QStringLiteral("data past the end of the archive");
        if (!sink(chunk.constData(), got))
            return QString::fromLocal8Bit(std::strerror(errno));
        pos += got;
        left -= got;
    }
    return QString();
}

int CommandLineTool::extract(const EntryTable &table, const Options &options)
{
    const std::vector<qint32> rows = select(table, options.patterns);
    if (!options.toStdout) {
        const QString dir = options.directory.isEmpty() ? QStringLiteral(".") : options.directory;
        extractToDisk(table, rows, QFileInfo(dir).absoluteFilePath(), options.verbose);
        return finish(qint64(rows.size()));
    }

    ArchiveData archive(m_archive);
    for (const qint32 row : rows) {
        const qint32 type = table.entryType(row);
        if (type != StoredEntry && type != CompressedEntry)
            continue; // folders have no bytes, other types are passed over
        if (!archive.isOpen()) {
            entryFailed(table.name(row), archive.error());
            continue;
        }
        const QString why = readEntry(
            archive, row, table, [this](const char *data, qint64 n) { return write(data, n); });
        if (m_outError)
            break; // nothing more can be written; finish() says why
        if (!why.isEmpty())
            entryFailed(table.name(row), why);
        else if (options.verbose)
            say(QStringLiteral("x ") + printableName(table.name(row)));
    }
    return finish(qint64(rows.size()));
}

void CommandLineTool::extractToDisk(const EntryTable &table, const std::vector<qint32> &rows,
                                    const QString &directory, bool verbose)
{
    LastMessage reporter;
    PackwellCore packwell;
    EntryWriter writer(
        QFile::encodeName(QFileInfo(m_archive).absoluteFilePath()), QFile::encodeName(directory),
        [&packwell](QByteArray &data, const qint32 &size) {
            return packwell.DecompressData(data, size);
        },
        reporter);
    Extraction extraction(table, directory, writer);
    for (const qint32 row : rows) {
        reporter.last.clear();
        const qint32 type = table.entryType(row);
        if (!extraction.extractRow(row))
            entryFailed(table.name(row),
                        reporter.last.isEmpty() ? QStringLiteral("not written") : reporter.last);
        else if (verbose && (type == StoredEntry || type == CompressedEntry || type == FolderEntry))
            say(QStringLiteral("x ") + printableName(table.name(row)));
    }
}

int CommandLineTool::test(const EntryTable &table, const Options &options)
{
    const std::vector<qint32> rows = select(table, options.patterns);
    ArchiveData archive(m_archive);
    const auto discard = [](const char *, qint64) { return true; };
    for (const qint32 row : rows) {
        const qint32 type = table.entryType(row);
        QString why;
        if (type == StoredEntry || type == CompressedEntry)
            why = archive.isOpen() ? readEntry(archive, row, table, discard) : archive.error();
        else if (type != FolderEntry)
            continue; // passed over, as extraction does
        if (!why.isEmpty())
            entryFailed(table.name(row), why);
        else if (options.verbose)
            write(QStringLiteral("ok ") + printableName(table.name(row)) + u'\n');
        if (m_outError)
            break;
    }
    return finish(qint64(rows.size()));
}
