#include "FuzzTargets.h"

#include "archive/DirectoryReader.h"
#include "compress/PackwellCore.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractReporter.h"
#include "extract/Extraction.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

namespace {

class SilentReporter : public ExtractReporter
{
public:
    void message(const QString &) override { }
};

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "extract fuzz: %s\n", what);
        std::abort();
    }
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entriesOf(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                | QDir::System);
}

bool hasParentComponent(const QString &name)
{
    for (const QString &part : QString(name).replace(u'\\', u'/').split(u'/'))
        if (part == QLatin1String(".."))
            return true;
    return false;
}

// What a correct export writes for a file entry, or nothing when the entry cannot be written.
std::optional<QByteArray> expectedBytes(const QByteArray &archive, const EntryRecord &e)
{
    const qint64 length = archive.size();
    if (e.entryType == StoredEntry) {
        if (e.offset < 0 || e.unpackedSize < 0 || qint64(e.offset) + e.unpackedSize > length)
            return std::nullopt;
        return archive.mid(e.offset, e.unpackedSize);
    }
    if (e.packedSize <= 0 || e.offset < 0 || qint64(e.offset) + e.packedSize > length)
        return std::nullopt;
    QByteArray data = archive.mid(e.offset, e.packedSize);
    PackwellCore packwell;
    try {
        if (packwell.DecompressData(data, e.unpackedSize) != 0)
            return std::nullopt;
    } catch (const std::exception &) {
        return std::nullopt;
    }
    return data;
}

} // namespace

namespace FuzzTargets {

// Extracts every entry of an arbitrary archive into a fresh folder three levels below a scratch
// folder, after placing a file of its own under the name of every file entry that appears once.
// Afterwards nothing may exist outside the extract folder but the archive, unchanged; each
// placed file holds either its own bytes or exactly its entry's bytes; no temporary file is left.
void extract(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    DirectoryReader reader;
    if (!reader.read(&buffer))
        return;
    const EntryTable &table = reader.table();
    // Very large directories only repeat what small ones show, much more slowly; so do entries
    // claiming huge inflated sizes, whose gigabyte buffers the sanitizers fill and clear.
    if (table.filledRows() > 64)
        return;
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        const EntryRecord e = table.at(row);
        if (e.entryType == CompressedEntry && e.unpackedSize > (1 << 24))
            return;
    }

    QTemporaryDir scratch;
    check(scratch.isValid(), "no scratch folder");
    const QString archivePath = scratch.filePath(QStringLiteral("a.dat"));
    const QString outDir = scratch.filePath(QStringLiteral("x/y/out"));
    check(QDir().mkpath(outDir), "cannot make the extract folder");
    {
        QFile file(archivePath);
        check(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(),
              "write archive");
    }

    std::map<QString, int> uses;
    for (qint32 row = 0; row < table.filledRows(); ++row)
        ++uses[EntryWriter::outputPath(outDir, table.name(row))];
    std::map<qint32, QString> placed; // row -> path of a file placed before the export
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        const EntryRecord e = table.at(row);
        const QString path = EntryWriter::outputPath(outDir, e.name);
        if ((e.entryType != StoredEntry && e.entryType != CompressedEntry) || uses[path] != 1
            || e.name.isEmpty() || e.name.contains(QChar(0)) || hasParentComponent(e.name)
            || e.name.endsWith(u'\\') || e.name.endsWith(u'/'))
            continue;
        if (!QDir().mkpath(QFileInfo(path).path()))
            continue;
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            file.write("placed before " + QByteArray::number(row));
            placed[row] = path;
        }
    }

    SilentReporter reporter;
    PackwellCore packwell;
    {
        EntryWriter writer(
            QFile::encodeName(archivePath), QFile::encodeName(outDir),
            [&packwell](QByteArray &d, const qint32 &n) { return packwell.DecompressData(d, n); },
            reporter);
        Extraction(table, outDir, writer).extractAll();
    }

    check(entriesOf(scratch.path()) == QStringList({ "a.dat", "x" }), "something outside x/");
    check(entriesOf(scratch.filePath(QStringLiteral("x"))) == QStringList { "y" }, "outside y/");
    check(entriesOf(scratch.filePath(QStringLiteral("x/y"))) == QStringList { "out" },
          "something outside the extract folder");
    check(readFile(archivePath) == bytes, "the archive changed");
    for (const auto &[row, path] : placed) {
        const QByteArray now = readFile(path);
        const auto expected = expectedBytes(bytes, table.at(row));
        check(now == "placed before " + QByteArray::number(row) || (expected && now == *expected),
              "a placed file was neither kept nor replaced by its entry");
    }
    QDirIterator it(outDir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        check(!it.next().section(u'/', -1).startsWith(QLatin1String(".quillon-")),
              "a temporary file was left behind");
}

} // namespace FuzzTargets
