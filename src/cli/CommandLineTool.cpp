#include "CommandLineTool.h"

#include "SignalCleanup.h"

#include "archive/DirectoryReader.h"
#include "compress/PackwellCore.h"
#include "compress/StreamInflater.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractReporter.h"
#include "extract/Extraction.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fnmatch.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

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

// Stored entries are copied, and read by test, in pieces of this size.
constexpr qint64 kCopyChunk = 256 * 1024;

// Keeps why the writers first failed an entry, so it can be printed beside its name once.
class FirstCause : public ExtractReporter
{
public:
    void message(const QString &) override { }
    void failed(const QString &, const QString &, const ExtractFailure &why) override
    {
        if (!cause)
            cause = why;
    }
    std::optional<ExtractFailure> cause;
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
    QByteArray directory; // as given, bytes and all
    bool keep = false;
    bool longList = false;
    bool null = false;
    bool toStdout = false;
    bool verbose = false;
};

// The archive, open from the reading of its directory to the end, with its length for the
// range checks.
class CommandLineTool::ArchiveData
{
public:
    ArchiveData(int fd, qint64 size) : m_fd(fd), m_size(size) { }
    ~ArchiveData() { ::close(m_fd); }
    ArchiveData(const ArchiveData &) = delete;
    ArchiveData &operator=(const ArchiveData &) = delete;

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
    qint64 m_size;
};

CommandLineTool::CommandLineTool(std::FILE *out, std::FILE *err) : m_out(out), m_err(err) { }

CommandLineTool::~CommandLineTool() = default;

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
    const QCommandLineOption keep(
        QStringList { QStringLiteral("k"), QStringLiteral("keep-old-files") });
    const QCommandLineOption toStdout(
        QStringList { QStringLiteral("O"), QStringLiteral("to-stdout") });
    const QCommandLineOption verbose(
        QStringList { QStringLiteral("v"), QStringLiteral("verbose") });
    parser.addOptions({ help, version, longList, null, directory, keep, toStdout, verbose });

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

    // Each argument holds one character per byte of the original, so paths keep their bytes.
    const auto text
        = [](const QString &argument) { return QString::fromUtf8(argument.toLatin1()); };
    Options options;
    for (const QString &argument : parser.positionalArguments())
        options.patterns << text(argument);
    options.command = options.patterns.isEmpty() ? QString() : options.patterns.takeFirst();
    options.longList = parser.isSet(longList);
    options.null = parser.isSet(null);
    options.directory = parser.value(directory).toLatin1();
    options.keep = parser.isSet(keep);
    options.toStdout = parser.isSet(toStdout);
    options.verbose = parser.isSet(verbose);

    // Which options each command takes.
    const QList<std::pair<QString, QList<const QCommandLineOption *>>> commands = {
        { QStringLiteral("list"), { &longList, &null } },
        { QStringLiteral("extract"), { &directory, &keep, &toStdout, &verbose } },
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
    for (const QCommandLineOption *option :
         { &longList, &null, &directory, &keep, &toStdout, &verbose })
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
    m_archivePath = parser.positionalArguments().at(1).toLatin1();
    struct stat folder;
    if (parser.isSet(directory)
        && (::stat(options.directory.constData(), &folder) != 0 || !S_ISDIR(folder.st_mode))) {
        error(printableName(text(parser.value(directory))) + QStringLiteral(": no such folder"));
        return UsageOrArchiveError;
    }

    // A regular file only, opened without waiting: a FIFO would hold the command for good.
    int fd = -1;
    if (FileSystem::standard().openArchive(m_archivePath, fd, m_archiveInfo)
        != FileSystem::Status::Ok) {
        error(printableName(m_archive) + QStringLiteral(": ")
              + (errno == EINVAL ? QStringLiteral("not a regular file")
                                 : ExtractFailure::system(errno).text()));
        return UsageOrArchiveError;
    }
    m_data = std::make_unique<ArchiveData>(fd, m_archiveInfo.size);
    DirectoryReader reader;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle) || !reader.read(&file)) {
        error(printableName(m_archive) + QStringLiteral(": ") + reader.errorString());
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
        return ExtractFailure { ExtractFailure::PastEnd }.text();
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
        return result == StreamInflater::Result::Ok
            ? QString()
            : ExtractFailure::inflation(int(result), inflater.errorCode()).text();
    }
    QByteArray chunk(qMin(size, kCopyChunk), Qt::Uninitialized);
    for (qint64 left = size; left > 0;) {
        const qint64 got = archive.readAt(chunk.data(), qMin(left, kCopyChunk), pos);
        if (got <= 0)
            return (got < 0 ? ExtractFailure::system(errno)
                            : ExtractFailure { ExtractFailure::PastEnd })
                .text();
        if (!sink(chunk.constData(), got))
            return ExtractFailure::system(errno).text();
        pos += got;
        left -= got;
    }
    return QString();
}

int CommandLineTool::extract(const EntryTable &table, const Options &options)
{
    const std::vector<qint32> rows = select(table, options.patterns);
    if (!options.toStdout) {
        extractToDisk(table, rows, options);
        return finish(qint64(rows.size()));
    }

    for (const qint32 row : rows) {
        const qint32 type = table.entryType(row);
        if (type != StoredEntry && type != CompressedEntry)
            continue; // folders have no bytes, other types are passed over
        const QString why = readEntry(
            *m_data, row, table, [this](const char *data, qint64 n) { return write(data, n); });
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
                                    const Options &options)
{
    const QByteArray directory = options.directory.isEmpty() ? "." : options.directory;
    FirstCause reporter;
    SignalCleanup cleanup;
    // Compressed entries are inflated in pieces, never through the one-shot component.
    EntryWriter writer(m_archivePath, directory, {}, reporter);
    writer.setArchiveIdentity(m_archiveInfo);
    writer.setStreamingInflation(true);
    writer.setKeepExisting(options.keep);
    writer.setOutputTracker(&cleanup);
    Extraction extraction(table, QFile::decodeName(directory), writer);
    for (const qint32 row : rows) {
        reporter.cause.reset();
        const qint32 type = table.entryType(row);
        if (!extraction.extractRow(row))
            entryFailed(table.name(row), reporter.cause.value_or(ExtractFailure()).text());
        else if (options.verbose
                 && (type == StoredEntry || type == CompressedEntry || type == FolderEntry))
            say(QStringLiteral("x ") + printableName(table.name(row)));
    }
}

int CommandLineTool::test(const EntryTable &table, const Options &options)
{
    const std::vector<qint32> rows = select(table, options.patterns);
    const auto discard = [](const char *, qint64) { return true; };
    for (const qint32 row : rows) {
        const qint32 type = table.entryType(row);
        const bool file = type == StoredEntry || type == CompressedEntry;
        if (!file && type != FolderEntry)
            continue; // passed over, as extraction does
        QString why;
        if (const auto refused = EntryWriter::refusal(table.name(row), file))
            why = refused->text();
        else if (file)
            why = readEntry(*m_data, row, table, discard);
        if (!why.isEmpty())
            entryFailed(table.name(row), why);
        else if (options.verbose)
            write(QStringLiteral("ok ") + printableName(table.name(row)) + u'\n');
        if (m_outError)
            break;
    }
    return finish(qint64(rows.size()));
}
