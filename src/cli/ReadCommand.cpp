#include "ReadCommand.h"

#include "NameList.h"
#include "Printable.h"
#include "SignalCleanup.h"
#include "StandardInputArchive.h"

#include "archive/EntryName.h"
#include "archive/EntryReader.h"
#include "archive/NamePattern.h"
#include "extract/EntryWriter.h"
#include "extract/Extraction.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>

namespace {

// Entry bytes on their way to standard output, or nowhere when they are read only to see that
// they can be; counted on the progress line.
class ReadingSink : public EntrySink
{
public:
    ReadingSink(Console *console, ProgressLine &progress) : m_console(console), m_progress(progress)
    { }
    bool write(const char *data, qint64 size) override
    {
        m_progress.addBytes(size);
        return !m_console || m_console->write(data, size);
    }

private:
    Console *m_console;
    ProgressLine &m_progress;
};

// Why an entry cannot be done, from its record alone; empty when it may be.
QString recordFault(const EntryRecord &e)
{
    if (!isFileEntry(e.entryType) && e.entryType != FolderEntry)
        return QStringLiteral("entry type %1 is not one this program can write").arg(e.entryType);
    if (isFileEntry(e.entryType)
        && (e.unpackedSize < 0 || (e.entryType == CompressedEntry && e.packedSize < 0)))
        return QStringLiteral("negative size in the directory");
    return {};
}

// A compressed entry that inflated to other than the size its record states; empty if not.
QString sizeFault(const EntryRecord &e, qint64 inflated)
{
    if (e.entryType != CompressedEntry || inflated == e.unpackedSize)
        return {};
    return QStringLiteral("inflates to %1, the directory says %2")
        .arg(Printable::count(inflated, "byte", "bytes"))
        .arg(e.unpackedSize);
}

// Whether an entry failed for want of space, after which no other entry can be written either.
bool noSpace(const std::optional<EntryFailure> &why)
{
    return why && why->kind == EntryFailure::SystemError
        && (why->error == ENOSPC || why->error == EDQUOT);
}

// What a file entry adds to the bytes the progress line counts.
qint64 progressBytes(const EntryRecord &e)
{
    return isFileEntry(e.entryType) ? qMax(e.unpackedSize, 0) : 0;
}

// How the command line's PATTERNs are read.
NamePattern::Syntax syntaxOf(const CommandLineOptions &options)
{
    return options.literalPatterns ? NamePattern::Syntax::Literal : NamePattern::Syntax::Wildcard;
}

// How many separators a name starts with: they are not written.
qsizetype leadingSeparators(const QString &name)
{
    qsizetype n = 0;
    while (n < name.size() && (name.at(n) == u'/' || name.at(n) == u'\\'))
        ++n;
    return n;
}

} // namespace

ReadCommand::ReadCommand(const CommandLineOptions &options, Console &console, std::FILE *err)
    : m_options(options), m_console(console), m_progress(err)
{ }

ReadCommand::~ReadCommand() = default;

void ReadCommand::failed(const QString &, const QString &, const EntryFailure &why)
{
    if (!m_cause)
        m_cause = why;
}

int ReadCommand::run()
{
    // A pattern that means nothing is a mistake in the command line, said before anything is done.
    for (const QString &pattern : std::as_const(m_options.patterns)) {
        const NamePattern p(pattern, syntaxOf(m_options));
        if (!p.isValid()) {
            m_console.error(Printable::name(pattern) + QStringLiteral(": bad pattern: ")
                            + Printable::name(p.errorString()));
            return Console::UsageOrArchiveError;
        }
    }
    if (m_options.hasNamesFile && !readNames())
        return Console::UsageOrArchiveError;

    // The destination is opened once, before anything else, and every entry is written from
    // that descriptor whatever its path names later. Compressed entries are inflated in
    // pieces, never through the one-shot component.
    if (m_options.command == CommandLineOptions::Command::Extract && !m_options.toStdout) {
        m_writer = std::make_unique<EntryWriter>(m_options.archivePath, m_options.directory,
                                                 EntryWriter::Decompressor(),
                                                 static_cast<ExtractReporter &>(*this));
        if (const int error = m_writer->destinationError()) {
            m_console.error(Printable::path(m_options.directory) + QStringLiteral(": ")
                            + (error == ENOENT        ? QStringLiteral("no such folder")
                                   : error == ENOTDIR ? QStringLiteral("not a folder")
                                                      : EntryFailure::systemText(error)));
            return Console::UsageOrArchiveError;
        }
    }
    m_console.setArchive(archiveName());
    if (QString why; !openArchive(why)) {
        m_console.error(Printable::path(archiveName()) + QStringLiteral(": ") + why);
        return Console::UsageOrArchiveError;
    }
    if (m_options.command == CommandLineOptions::Command::List)
        return list();
    const std::vector<qint32> rows = selectedRows();
    // Bytes for a terminal on standard output would be torn by the line.
    m_progress.setEnabled(m_progress.isEnabled() && !(m_options.toStdout && ::isatty(1)));
    m_console.setProgress(&m_progress);
    startProgress(rows);
    if (m_options.command == CommandLineOptions::Command::Extract && !m_options.toStdout)
        extractToDisk(rows);
    else
        readEach(rows, m_options.command == CommandLineOptions::Command::Test);
    return m_console.finish(qint64(rows.size()));
}

QByteArray ReadCommand::archiveName() const
{
    return m_options.archivePath == "-" ? QByteArrayLiteral("standard input")
                                        : m_options.archivePath;
}

bool ReadCommand::openArchive(QString &why)
{
    if (m_options.archivePath != "-") {
        const bool ok = m_reader.open(m_options.archivePath, m_archive);
        why = m_reader.errorString();
        return ok;
    }
    if (!StandardInputArchive::open(m_archive, why))
        return false;
    QFile file;
    if (!file.open(m_archive.handle(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        why = file.errorString();
        return false;
    }
    const bool ok = m_reader.read(&file);
    why = m_reader.errorString();
    return ok;
}

bool ReadCommand::readNames()
{
    if (m_names.read(m_options.namesFile, m_options.nulEnded ? '\0' : '\n'))
        return true;
    m_console.error((m_options.namesFile == "-" ? QStringLiteral("standard input")
                                                : Printable::path(m_options.namesFile))
                    + QStringLiteral(": ") + m_names.errorString());
    return false;
}

void ReadCommand::startProgress(const std::vector<qint32> &rows)
{
    if (!m_progress.isEnabled())
        return;
    qint64 bytes = 0;
    for (const qint32 row : rows)
        bytes += progressBytes(table().at(row));
    m_progress.start(qint64(rows.size()), bytes);
}

std::vector<qint32> ReadCommand::selectedRows()
{
    QList<NamePattern> patterns;
    for (const QString &pattern : std::as_const(m_options.patterns))
        patterns << NamePattern(pattern, syntaxOf(m_options));
    if (patterns.isEmpty() && m_names.size() == 0 && m_options.hasNamesFile)
        return {}; // an empty list of names selects nothing, not everything
    std::vector<bool> used;
    const Literals names { m_names.size(), [this](qsizetype i) { return m_names.at(i); } };
    const std::vector<qint32> rows = NamePattern::selectedRows(table(), patterns, &used, names);
    for (qsizetype i = 0; i < patterns.size(); ++i)
        if (!used[size_t(i)])
            m_console.patternUnmatched(patterns.at(i).text());
    for (qsizetype i = 0; i < m_names.size(); ++i)
        if (!used[size_t(patterns.size() + i)])
            m_console.patternUnmatched(m_names.at(i));
    m_names = NameList();
    return rows;
}

int ReadCommand::list()
{
    const std::vector<qint32> rows = selectedRows();
    if (m_options.longList)
        m_console.write(QStringLiteral("%1 %2 %3 %4  name\n")
                            .arg(QStringLiteral("type"), -4)
                            .arg(QStringLiteral("size"), 11)
                            .arg(QStringLiteral("packed"), 11)
                            .arg(QStringLiteral("offset"), 11));
    qint64 bytes = 0; // the size column as printed, every row included
    for (const qint32 row : rows) {
        const EntryRecord e = table().at(row);
        if (m_options.nulEnded) {
            // Unescaped for xargs -0, but a NUL inside a name would split it in two.
            QString name = e.name;
            name.replace(u'\\', u'/').replace(QChar(0), QLatin1String("\\x00"));
            m_console.write(name.toUtf8().append('\0'));
        } else if (!m_options.longList) {
            m_console.write(Printable::name(e.name)); // a name may be megabytes long
            m_console.write(QByteArrayLiteral("\n"));
        } else {
            bytes += e.unpackedSize;
            const QString type = e.entryType == StoredEntry ? QStringLiteral("file")
                : e.entryType == CompressedEntry            ? QStringLiteral("zlib")
                : e.entryType == FolderEntry                ? QStringLiteral("dir")
                                                            : QString::number(e.entryType);
            const QString packed = e.entryType == CompressedEntry ? QString::number(e.packedSize)
                                                                  : QStringLiteral("-");
            m_console.write(QStringLiteral("%1 %2 %3 %4  %5\n")
                                .arg(type, -4)
                                .arg(e.unpackedSize, 11)
                                .arg(packed, 11)
                                .arg(e.offset, 11)
                                .arg(Printable::name(e.name)));
        }
        if (m_console.outputFailed())
            break;
    }
    if (m_options.longList) {
        m_console.write(Printable::count(qint64(rows.size()), "entry", "entries")
                        + QStringLiteral(", ") + Printable::count(bytes, "byte", "bytes") + u'\n');
        // A count of the records, or of one more (create writes that), is what archives
        // hold; a directory that holds more than it counts is worth a word beside the
        // listing, not in it.
        if (const qint64 unread = table().unreadBytes(); unread > 0)
            m_console.error(Printable::path(archiveName())
                            + QStringLiteral(": the directory counts %1 but holds more: %2 after "
                                             "its last record not read")
                                  .arg(Printable::count(m_reader.entryCount(), "entry", "entries"),
                                       Printable::count(unread, "byte", "bytes")));
    }
    return m_console.finish(qint64(rows.size()));
}

void ReadCommand::extractToDisk(const std::vector<qint32> &rows)
{
    SignalCleanup cleanup;
    m_writer->setArchive(&m_archive);
    m_writer->setStreamingInflation(true);
    m_writer->setKeepExisting(m_options.keepExisting);
    m_writer->setOutputTracker(&cleanup);
    if (m_progress.isEnabled()) // the line moves inside a large entry too
        m_writer->setProgress([this](qint64 bytes) { m_progress.addBytes(bytes); });
    Extraction extraction(table(), QFile::decodeName(m_options.directory), *m_writer);
    bool leadingNoted = false;
    for (size_t i = 0; i < rows.size(); ++i) {
        const EntryRecord e = table().at(rows[i]);
        m_progress.entry(e.name);
        const qsizetype leading = leadingSeparators(e.name);
        if (leading > 0 && !std::exchange(leadingNoted, true))
            m_console.error(QStringLiteral("removing leading '/' from entry names"));
        m_cause.reset();
        const qint64 made = cleanup.filesMade();
        bool kept = false;
        QString why = recordFault(e);
        if (why.isEmpty()) {
            // A file written holds what inflated, as in the window; one kept (-k) was not read.
            if (!extraction.extractRow(rows[i]))
                why = m_cause.value_or(EntryFailure()).text();
            else if (cleanup.filesMade() != made)
                why = sizeFault(e, m_writer->inflatedSize());
            else
                kept = isFileEntry(e.entryType);
        }
        m_progress.entryDone(progressBytes(e));
        if (!why.isEmpty())
            m_console.entryFailed(e.name, why);
        else if (m_options.verbose && !kept)
            m_console.printLine(QStringLiteral("x ") + Printable::name(e.name.mid(leading)));
        // Every entry after would fail the same way, each with a line of its own.
        if (!why.isEmpty() && noSpace(m_cause)) {
            m_console.stopped(qint64(rows.size() - i - 1), QStringLiteral("no space left"));
            break;
        }
    }
}

void ReadCommand::readEach(const std::vector<qint32> &rows, bool test)
{
    EntryReader reader;
    ReadingSink sink(test ? nullptr : &m_console, m_progress);
    for (const qint32 row : rows) {
        const EntryRecord e = table().at(row);
        const bool file = isFileEntry(e.entryType);
        m_progress.entry(e.name);
        QString why = recordFault(e);
        if (why.isEmpty() && test) {
            if (const auto refused = EntryName(e.name).refusal(file))
                why = refused->text();
        }
        if (why.isEmpty() && file) {
            const EntryReader::Result result = reader.read(m_archive, e, sink);
            if (m_console.outputFailed())
                break; // nothing more can be written; finish() says why
            why = result == EntryReader::Result::Ok
                ? sizeFault(e, reader.inflatedSize())
                : EntryFailure::reading(result, reader.errorCode()).text();
        }
        m_progress.entryDone(progressBytes(e));
        if (!why.isEmpty())
            m_console.entryFailed(e.name, why);
        else if (!test && file && m_options.verbose)
            m_console.printLine(QStringLiteral("x ") + Printable::name(e.name));
        else if (test && m_options.verbose)
            m_console.write(QStringLiteral("ok ") + Printable::name(e.name) + u'\n');
        if (m_console.outputFailed())
            break;
    }
}
