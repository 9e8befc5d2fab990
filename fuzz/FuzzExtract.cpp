#include "FuzzTargets.h"

#include "archive/ArchiveFile.h"
#include "archive/DirectoryReader.h"
#include "archive/EntryName.h"
#include "compress/PackwellCore.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractReporter.h"
#include "extract/Extraction.h"

#include "support/MemoryFileSystem.h"

#include <QBuffer>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

namespace {

// Counts the messages of the entry being written.
class CountingReporter : public ExtractReporter
{
public:
    void message(const QString &) override { ++messages; }
    int messages = 0;
};

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "extract fuzz: %s\n", what);
        std::abort();
    }
}

// What the writer may plant under an entry's name before the export.
enum class Plant { File, ReadOnlyFile, LinkToOutside, ParentLinkToOutside, Nothing };

QByteArray nativeName(const QString &name)
{
    return QString(name).replace(u'\\', u'/').toUtf8();
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

// Extracts every entry of an arbitrary archive into a folder of a file system in memory, reached
// through a link as a user may choose it, after planting files, read-only files and links to a
// folder outside under the names of the file entries that appear once. Afterwards nothing
// outside the extract folder has changed; a planted file is either as it was or, when its
// entry was written, holds exactly that entry's bytes; a link is never written through; no
// entry has more than two messages; no temporary file or handle is left.
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
        if (e.entryType == CompressedEntry && e.unpackedSize > (1 << 20))
            return;
    }

    MemoryFileSystem fs;
    const QByteArray out = "/x/y/out";
    const QByteArray inside = out + '/';
    check(fs.addFile("/a.dat", bytes) && fs.addFolder("/outside")
              && fs.addFile("/outside/secret.txt", "secret")
              && fs.addFile("/outside/ro.txt", "read-only", true) && fs.addFolder("/x")
              && fs.addFolder("/x/y") && fs.addFolder(out) && fs.addLink("/dest", "x/y/out"),
          "cannot build the tree");

    std::map<QByteArray, int> uses;
    for (qint32 row = 0; row < table.filledRows(); ++row)
        ++uses[nativeName(table.name(row))];
    std::map<qint32, QByteArray> planted; // row -> path of what was planted for it
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        const EntryRecord e = table.at(row);
        const QByteArray name = nativeName(e.name);
        if ((e.entryType != StoredEntry && e.entryType != CompressedEntry) || uses[name] != 1
            || EntryName(e.name).refusal(true) || name.contains("/./") || name.startsWith("./")
            || name.contains("//") || name.startsWith('/'))
            continue;
        const QByteArray path = out + '/' + name;
        const auto plant = Plant((qHash(name) + quint64(row)) % 5);
        bool ok = false;
        switch (plant) {
        case Plant::File:
            ok = fs.addFile(path, "placed before " + QByteArray::number(row));
            break;
        case Plant::ReadOnlyFile:
            ok = fs.addFile(path, "read-only " + QByteArray::number(row), true);
            break;
        case Plant::LinkToOutside:
            ok = fs.addLink(path, row % 2 ? "/outside/secret.txt" : "../../../outside/new");
            break;
        case Plant::ParentLinkToOutside:
            if (name.contains('/'))
                fs.addLink(out + '/' + name.left(name.lastIndexOf('/')), "/outside");
            break;
        case Plant::Nothing:
            break;
        }
        if (ok)
            planted[row] = path;
    }
    const QMap<QByteArray, QByteArray> before = fs.snapshot();

    // The window's road (the archive opened again for each entry, one-shot inflation) or the
    // command's (one open archive, inflation in pieces), replacing or keeping what is there.
    const bool command = qHash(bytes) % 2;
    const bool keep = qHash(bytes) / 2 % 2;
    CountingReporter reporter;
    PackwellCore packwell;
    std::map<qint32, bool> written;
    {
        ArchiveFile archive;
        check(fs.openArchive("/a.dat", archive), "cannot open the archive");
        EntryWriter writer(
            "/a.dat", "/dest",
            [&packwell](QByteArray &d, const qint32 &n) { return packwell.DecompressData(d, n); },
            reporter, fs);
        writer.setArchive(command ? &archive : nullptr);
        writer.setStreamingInflation(command);
        writer.setKeepExisting(keep);
        Extraction extraction(table, QStringLiteral("/dest"), writer);
        for (qint32 row = 0; row < table.filledRows(); ++row) {
            reporter.messages = 0;
            written[row] = extraction.extractRow(row);
            check(reporter.messages <= 2, "more than two messages for one entry");
        }
    }

    const QMap<QByteArray, QByteArray> after = fs.snapshot();
    check(fs.badNames == 0, "a name the writers should never pass reached the file system");
    check(fs.openHandles() == 0, "a handle was left open");
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!it.key().startsWith(inside))
            check(after.value(it.key()) == it.value(),
                  "something outside the extract folder changed");
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        check(it.key().startsWith(inside) || before.contains(it.key()),
              "something was made outside the extract folder");
        // A hidden name the writers use for a replacement may also be an entry's own.
        check(!it.key().contains("/.quillon-") || uses.count(it.key().mid(inside.size())),
              "a temporary file was left behind");
    }
    for (const auto &[row, path] : planted) {
        const QByteArray now = after.value(path);
        if (!written[row] || keep) {
            check(now == before.value(path), "a failed or kept entry changed what was there");
            continue;
        }
        const auto expected = expectedBytes(bytes, table.at(row));
        check(before.value(path).at(0) != 'r', "a read-only file was replaced");
        check(expected && now == "f" + *expected, "a written entry does not hold its bytes");
    }
}

} // namespace FuzzTargets
