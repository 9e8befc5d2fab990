#include "CommandLineTool.h"

#include "CreateCommand.h"
#include "SignalCleanup.h"

#include "archive/EntryReader.h"
#include "archive/NamePattern.h"
#include "extract/EntryName.h"
#include "extract/EntryWriter.h"
#include "extract/Extraction.h"

#include <QCoreApplication>
#include <QFile>

namespace {

// Entry bytes on their way to standard output.
class ConsoleSink : public EntrySink
{
public:
    explicit ConsoleSink(Console &console) : m_console(console) { }
    bool write(const char *data, qint64 size) override { return m_console.write(data, size); }

private:
    Console &m_console;
};

// Entry bytes read only to see that they can be.
class DiscardingSink : public EntrySink
{
public:
    bool write(const char *, qint64) override { return true; }
};

} // namespace

CommandLineTool::CommandLineTool(std::FILE *out, std::FILE *err) : m_console(out, err) { }

CommandLineTool::~CommandLineTool() = default;

void CommandLineTool::failed(const QString &, const QString &, const ExtractFailure &why)
{
    if (!m_cause)
        m_cause = why;
}

int CommandLineTool::run(const QStringList &arguments)
{
    if (!m_options.parse(arguments)) {
        m_console.error(m_options.errorString());
        return Console::UsageOrArchiveError;
    }
    switch (m_options.command) {
    case CommandLineOptions::Command::Help:
        m_console.write(CommandLineOptions::helpText());
        return m_console.finish(0);
    case CommandLineOptions::Command::Version:
        m_console.write(QCoreApplication::applicationName() + u' '
                        + QCoreApplication::applicationVersion() + u'\n');
        return m_console.finish(0);
    case CommandLineOptions::Command::Create:
        return CreateCommand(m_options, m_console).run();
    default:
        break;
    }

    // The destination is opened once, before anything else, and every entry is written from
    // that descriptor whatever its path names later. Compressed entries are inflated in
    // pieces, never through the one-shot component.
    if (m_options.command == CommandLineOptions::Command::Extract && !m_options.toStdout) {
        m_writer = std::make_unique<EntryWriter>(m_options.archivePath, m_options.directory,
                                                 EntryWriter::Decompressor(),
                                                 static_cast<ExtractReporter &>(*this));
        if (m_writer->destinationError() != 0) {
            m_console.error(Console::printableName(QString::fromUtf8(m_options.directory))
                            + QStringLiteral(": no such folder"));
            return Console::UsageOrArchiveError;
        }
    }
    m_console.setArchive(m_options.archive);
    if (!m_reader.open(m_options.archivePath, m_archive)) {
        m_console.error(Console::printableName(m_options.archive) + QStringLiteral(": ")
                        + m_reader.errorString());
        return Console::UsageOrArchiveError;
    }
    switch (m_options.command) {
    case CommandLineOptions::Command::List:
        return list();
    case CommandLineOptions::Command::Extract:
        return extract();
    default:
        return test();
    }
}

std::vector<qint32> CommandLineTool::selectedRows()
{
    QList<NamePattern> patterns;
    for (const QString &pattern : std::as_const(m_options.patterns))
        patterns << NamePattern(pattern);
    std::vector<bool> used;
    const std::vector<qint32> rows = NamePattern::selectedRows(table(), patterns, &used);
    for (qsizetype i = 0; i < patterns.size(); ++i)
        if (!used[size_t(i)])
            m_console.patternUnmatched(patterns.at(i).text());
    return rows;
}

int CommandLineTool::list()
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
            m_console.write(Console::printableName(e.name) + u'\n');
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
                                .arg(Console::printableName(e.name)));
        }
        if (m_console.outputFailed())
            break;
    }
    if (m_options.longList) {
        m_console.write(QStringLiteral("%1 entries, %2 bytes\n").arg(rows.size()).arg(bytes));
        if (m_reader.entryCount() != table().filledRows())
            m_console.write(QStringLiteral("the directory counts %1 entries; %2 were read\n")
                                .arg(m_reader.entryCount())
                                .arg(table().filledRows()));
    }
    return m_console.finish(qint64(rows.size()));
}

int CommandLineTool::extract()
{
    const std::vector<qint32> rows = selectedRows();
    if (!m_options.toStdout) {
        extractToDisk(rows);
        return m_console.finish(qint64(rows.size()));
    }

    EntryReader reader;
    ConsoleSink sink(m_console);
    for (const qint32 row : rows) {
        if (!isFileEntry(table().entryType(row)))
            continue; // folders have no bytes, other types are passed over
        const EntryRecord e = table().at(row);
        const EntryReader::Result result = reader.read(m_archive, e, sink);
        if (m_console.outputFailed())
            break; // nothing more can be written; finish() says why
        if (result != EntryReader::Result::Ok)
            m_console.entryFailed(e.name,
                                  ExtractFailure::reading(result, reader.errorCode()).text());
        else if (m_options.verbose)
            m_console.printLine(QStringLiteral("x ") + Console::printableName(e.name));
    }
    return m_console.finish(qint64(rows.size()));
}

void CommandLineTool::extractToDisk(const std::vector<qint32> &rows)
{
    SignalCleanup cleanup;
    m_writer->setArchive(&m_archive);
    m_writer->setStreamingInflation(true);
    m_writer->setKeepExisting(m_options.keepExisting);
    m_writer->setOutputTracker(&cleanup);
    Extraction extraction(table(), QFile::decodeName(m_options.directory), *m_writer);
    for (const qint32 row : rows) {
        m_cause.reset();
        const qint32 type = table().entryType(row);
        if (!extraction.extractRow(row))
            m_console.entryFailed(table().name(row), m_cause.value_or(ExtractFailure()).text());
        else if (m_options.verbose && (isFileEntry(type) || type == FolderEntry))
            m_console.printLine(QStringLiteral("x ") + Console::printableName(table().name(row)));
    }
}

int CommandLineTool::test()
{
    const std::vector<qint32> rows = selectedRows();
    EntryReader reader;
    DiscardingSink discard;
    for (const qint32 row : rows) {
        const EntryRecord e = table().at(row);
        const bool file = isFileEntry(e.entryType);
        if (!file && e.entryType != FolderEntry)
            continue; // passed over, as extraction does
        QString why;
        if (const auto refused = EntryName(e.name).refusal(file)) {
            why = refused->text();
        } else if (file) {
            const EntryReader::Result result = reader.read(m_archive, e, discard);
            if (result != EntryReader::Result::Ok)
                why = ExtractFailure::reading(result, reader.errorCode()).text();
        }
        if (!why.isEmpty())
            m_console.entryFailed(e.name, why);
        else if (m_options.verbose)
            m_console.write(QStringLiteral("ok ") + Console::printableName(e.name) + u'\n');
        if (m_console.outputFailed())
            break;
    }
    return m_console.finish(qint64(rows.size()));
}
