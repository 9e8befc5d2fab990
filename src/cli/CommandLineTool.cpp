#include "CommandLineTool.h"

#include "archive/DirectoryReader.h"
#include "compress/PackwellCore.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractReporter.h"
#include "extract/Extraction.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The writers' messages become lines on standard error.
class StreamReporter : public ExtractReporter
{
public:
    explicit StreamReporter(std::FILE *stream) : m_stream(stream) { }
    void message(const QString &text) override
    {
        std::fprintf(m_stream, "%s\n", text.toUtf8().constData());
    }

private:
    std::FILE *m_stream;
};

bool readArchive(const QString &path, DirectoryReader &reader, QString &why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return false;
    }
    if (!reader.read(&file)) {
        why = reader.errorString();
        return false;
    }
    return true;
}

} // namespace

CommandLineTool::CommandLineTool(std::FILE *out, std::FILE *err) : m_out(out), m_err(err) { }

void CommandLineTool::print(std::FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
}

void CommandLineTool::error(const QString &text)
{
    print(m_err, QStringLiteral("quillon: ") + text);
}

int CommandLineTool::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lists and extracts Quillon .dat archives.\n\n"
                       "  list FILE               print the entry count, then every name\n"
                       "  extract [-C DIR] FILE…  extract every entry into DIR"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption directory(
        { QStringLiteral("C"), QStringLiteral("directory") },
        QStringLiteral("Extract into <dir> instead of the current folder."), QStringLiteral("dir"));
    parser.addOption(directory);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("list or extract"));
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Archives."),
                                 QStringLiteral("FILE…"));

    if (!parser.parse(arguments)) {
        error(parser.errorText());
        return UsageOrArchiveError;
    }
    if (parser.isSet(help)) {
        print(m_out, parser.helpText().trimmed());
        return Success;
    }
    if (parser.isSet(version)) {
        print(m_out,
              QCoreApplication::applicationName() + QLatin1Char(' ')
                  + QCoreApplication::applicationVersion());
        return Success;
    }

    QStringList files = parser.positionalArguments();
    const QString command = files.isEmpty() ? QString() : files.takeFirst();
    if (command == QLatin1String("list")) {
        if (files.size() != 1 || parser.isSet(directory)) {
            error(QStringLiteral("usage: quillon list FILE"));
            return UsageOrArchiveError;
        }
        return list(files.first());
    }
    if (command == QLatin1String("extract")) {
        if (files.isEmpty()) {
            error(QStringLiteral("usage: quillon extract [-C DIR] FILE…"));
            return UsageOrArchiveError;
        }
        const QString dir = parser.isSet(directory) ? parser.value(directory) : QStringLiteral(".");
        if (!QFileInfo(dir).isDir()) {
            error(dir + QStringLiteral(": no such folder"));
            return UsageOrArchiveError;
        }
        int status = Success;
        for (const QString &file : files)
            status = std::max(status, extract(file, QFileInfo(dir).absoluteFilePath()));
        return status;
    }
    error(command.isEmpty() ? QStringLiteral("no command given; try --help")
                            : QStringLiteral("unknown command: ") + command);
    return UsageOrArchiveError;
}

int CommandLineTool::list(const QString &archive)
{
    DirectoryReader reader;
    QString why;
    if (!readArchive(archive, reader, why)) {
        error(archive + QStringLiteral(": ") + why);
        return UsageOrArchiveError;
    }
    const EntryTable &table = reader.table();
    print(m_out, QString::number(reader.entryCount()));
    for (qint32 row = 0; row < table.filledRows(); ++row)
        print(m_out, table.name(row));
    return Success;
}

int CommandLineTool::extract(const QString &archive, const QString &directory)
{
    DirectoryReader reader;
    QString why;
    if (!readArchive(archive, reader, why)) {
        error(archive + QStringLiteral(": ") + why);
        return UsageOrArchiveError;
    }
    StreamReporter reporter(m_err);
    PackwellCore packwell;
    EntryWriter writer(
        QFile::encodeName(QFileInfo(archive).absoluteFilePath()), QFile::encodeName(directory),
        [&packwell](QByteArray &data, const qint32 &size) {
            return packwell.DecompressData(data, size);
        },
        reporter);
    Extraction extraction(reader.table(), directory, writer);
    const qint64 failed = extraction.extractAll();
    print(m_err, QStringLiteral("Done extracting %1 files.").arg(reader.entryCount()));
    return failed == 0 ? Success : EntryFailed;
}
