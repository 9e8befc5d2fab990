#include "FuzzTargets.h"

#include "archive/ArchiveFile.h"
#include "archive/DirectoryReader.h"
#include "compress/PackwellCore.h"
#include "create/ArchiveLayout.h"
#include "create/ArchiveRewriter.h"
#include "create/SourceTree.h"
#include "create/UpdatePlan.h"
#include "support/MemoryFileSystem.h"

#include <QBuffer>
#include <QHash>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using W = ArchiveWriter;

void expect(bool ok, const char *what, const QString &detail = {})
{
    if (!ok) {
        std::fprintf(stderr, "update fuzz: %s %s\n", what, qPrintable(detail));
        std::abort();
    }
}

QByteArray bytesOf(QRandomGenerator &rng, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    const bool text = rng.bounded(2) == 0;
    for (char &c : bytes)
        c = text ? "update archive\n"[rng.bounded(15)] : char(rng.generate());
    return bytes;
}

bool read(const QByteArray &bytes, DirectoryReader &reader)
{
    QBuffer buffer;
    buffer.setData(bytes);
    return buffer.open(QIODevice::ReadOnly) && reader.read(&buffer);
}

// What an entry extracts to, or nothing for a folder.
std::optional<QByteArray> extracted(const QByteArray &archive, const EntryRecord &e)
{
    if (!isFileEntry(e.entryType))
        return std::nullopt;
    QByteArray data
        = archive.mid(e.offset, e.entryType == CompressedEntry ? e.packedSize : e.unpackedSize);
    if (e.entryType == CompressedEntry)
        expect(PackwellCore().DecompressData(data, e.unpackedSize) == 0,
               "an entry does not inflate");
    return data;
}

// The archive's files by the path extraction writes them to.
QMap<QString, QByteArray> files(const QByteArray &archive)
{
    DirectoryReader reader;
    expect(read(archive, reader), "the archive does not read");
    QMap<QString, QByteArray> found;
    for (qint32 row = 0; row < reader.table().filledRows(); ++row)
        if (const auto bytes = extracted(archive, reader.table().at(row)))
            found.insert(reader.table().name(row).replace(u'\\', u'/'), *bytes);
    return found;
}

} // namespace

namespace FuzzTargets {

ArchiveWriter foreignArchive(quint32 seed)
{
    QRandomGenerator rng(seed);
    W w;
    w.setCountConvention(rng.bounded(2) ? W::Count::Records : W::Count::RecordsPlusOne);
    w.setLeadingBytes(bytesOf(rng, rng.bounded(3) * 7));
    w.setTrailingBytes(bytesOf(rng, rng.bounded(2) * 5));
    const int align = std::array { 1, 1, 16, 2048 }[rng.bounded(4)];
    w.setAlignment(align);
    const int count = 1 + rng.bounded(12);
    std::vector<int> order;
    for (int i = 0; i < count; ++i) {
        order.push_back(i);
        // Folders only some of which have entries of their own; no name is another's folder.
        const QByteArray folder = std::array { "", "d\\", "d\\e\\", "g\\" }[rng.bounded(4)];
        const int kind = rng.bounded(6);
        W::Entry e;
        const int earlier = i > 0 ? rng.bounded(i) : -1;
        if (kind == 0) {
            e = W::folder(folder + "sub" + QByteArray::number(i));
        } else if (kind == 1 && earlier >= 0 && w.entries()[size_t(earlier)].type != 1024
                   && !w.entries()[size_t(earlier)].shares) {
            e = w.entries()[size_t(earlier)];
            e.sharing(earlier).name = folder + "same" + QByteArray::number(i);
            e.gap.clear();
        } else {
            const QByteArray bytes
                = bytesOf(rng, std::array { 0, 1, 30, 700, 5000 }[rng.bounded(5)]);
            e = bytes.isEmpty() || rng.bounded(2)
                ? W::stored(folder + "f" + QByteArray::number(i), bytes)
                : W::compressed(folder + "c" + QByteArray::number(i), bytes);
        }
        w.add(e.withAux(rng.bounded(3) == 0 ? qint32(rng.generate()) : 0)
                  .withGap(align == 1 ? bytesOf(rng, rng.bounded(3) * 3) : QByteArray()));
    }
    std::shuffle(order.begin(), order.end(), rng);
    return w.setDataOrder(order);
}

QString keptAsItWas(const QByteArray &before, const QByteArray &after,
                    const QSet<QByteArray> &touched)
{
    DirectoryReader old, now;
    if (!read(before, old) || !read(after, now))
        return QStringLiteral("does not read");
    const EntryTable &a = old.table(), &b = now.table();
    if (old.entryCount() - a.filledRows() != now.entryCount() - b.filledRows()
        || a.trailingBytes() != b.trailingBytes())
        return QStringLiteral("the count's convention or the bytes before the footer changed");
    ArchiveLayout layout, newLayout;
    if (!layout.read(a, old.entryCount(), old.dirStart())
        || !newLayout.read(b, now.entryCount(), now.dirStart()))
        return QStringLiteral("a layout refused");
    for (const ArchiveLayout::Block &block : newLayout.blocks())
        if (block.start % layout.alignment() != 0)
            return QStringLiteral("blocks no longer aligned");
    // Rows kept, in their order and by their old block's order.
    QHash<QByteArray, qint32> rows;
    for (qint32 row = 0; row < b.filledRows(); ++row)
        rows.insert(b.rawName(row), row);
    qint32 last = -1;
    std::vector<std::pair<qint32, qint32>> blocks; // old block, new offset
    for (qint32 row = 0; row < a.filledRows(); ++row) {
        if (touched.contains(a.rawName(row)))
            continue;
        const qint32 at = rows.value(a.rawName(row), -1);
        if (at <= last)
            return QStringLiteral("a record is gone or out of order: ") + a.name(row);
        last = at;
        const QByteArrayView x = a.record(row), y = b.record(at);
        if (x.chopped(4) != y.chopped(4)
            || before.mid(a.offset(row), a.dataSize(row))
                != after.mid(b.offset(at), b.dataSize(at)))
            return QStringLiteral("a record or its packed bytes changed: ") + a.name(row);
        const qint32 block = layout.blockOf(row);
        if (block < 0)
            continue;
        // Its tail (padding, a gap) follows it still.
        const ArchiveLayout::Block &old = layout.blocks()[size_t(block)];
        if (before.mid(old.start + old.size, old.end - old.start - old.size)
            != after.mid(b.offset(at) + old.size, old.end - old.start - old.size))
            return QStringLiteral("the bytes after a block changed: ") + a.name(row);
        blocks.emplace_back(block, b.offset(at));
    }
    if (before.left(layout.headEnd()) != after.left(layout.headEnd()))
        return QStringLiteral("the bytes before the data changed");
    std::sort(blocks.begin(), blocks.end());
    for (size_t i = 1; i < blocks.size(); ++i)
        if ((blocks[i].first == blocks[i - 1].first) != (blocks[i].second == blocks[i - 1].second)
            || blocks[i].second < blocks[i - 1].second)
            return QStringLiteral("blocks out of order, or no longer shared");
    return {};
}

// Lays a foreign archive's files out in memory as extraction writes them, then: update finds
// nothing to change; a few files changed or added and an entry deleted, the archive read back
// holds exactly the files, and every other record and its packed bytes are as they were.
void update(const std::uint8_t *data, std::size_t size)
{
    const quint32 seed
        = qHash(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    QRandomGenerator rng(seed);
    QByteArray archive = foreignArchive(seed).build();
    MemoryFileSystem fs;
    expect(fs.addFolder("/src"), "no tree folder");
    QMap<QString, QByteArray> tree = files(archive);
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        const QStringList parts = it.key().split(u'/');
        for (qsizetype k = 1; k < parts.size(); ++k)
            fs.addFolder("/src/" + parts.mid(0, k).join(u'/').toUtf8());
        expect(fs.addFile("/src/" + it.key().toUtf8(), it.value()), "cannot make a file");
    }
    // Rewrites the archive with what plan or removed says; returns whether it was written.
    const auto rewrite = [&](const std::vector<bool> &removed, QSet<QByteArray> &touched) {
        const int fd = ::memfd_create("archive", 0);
        expect(fd >= 0
                   && ::write(fd, archive.constData(), size_t(archive.size())) == archive.size(),
               "no archive in memory");
        ArchiveFile file;
        DirectoryReader reader;
        ArchiveLayout layout;
        expect(file.adopt(fd) && reader.read(file)
                   && layout.read(reader.table(), reader.entryCount(), reader.dirStart()),
               "the archive is refused");
        const auto refused = [](const QByteArray &, const QString &why) {
            expect(false, "a file was refused:", why);
        };
        SourceTree source(fs, refused);
        expect(source.openRoot("/src") == 0, "no tree");
        source.add({});
        UpdatePlan plan(fs, refused);
        ArchiveChanges changes { removed, {}, {} };
        if (removed.empty()) {
            plan.make(source, reader.table(), file);
            changes.replaced = plan.replaced();
            changes.added = plan.added();
            for (const auto &[row, item] : changes.replaced)
                touched.insert(reader.table().rawName(row));
            if (plan.isEmpty())
                return false;
        }
        FileSystem::Descriptor top(fs);
        int out = -1;
        expect(fs.openChosenFolder("/", out) == FileSystem::Status::Ok, "cannot open /");
        top.reset(out);
        expect(fs.createFile(top.fd(), "out.dat", out) == FileSystem::Status::Ok, "no output");
        FileSystem::Descriptor output(fs);
        output.reset(out);
        expect(ArchiveRewriter(fs, output.fd(), 1 + rng.bounded(9), 2, refused)
                   .write(file, reader.table(), layout, changes, &source),
               "not written");
        archive = fs.snapshot().value("/out.dat").mid(1);
        expect(fs.remove(top.fd(), "out.dat"), "cannot remove the output");
        return true;
    };

    QSet<QByteArray> touched;
    const QByteArray before = archive;
    expect(!rewrite({}, touched), "an archive of its own files extracted changes");
    // Some files change, one is added.
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        if (rng.bounded(3) == 0 && !it.value().isEmpty()) {
            it.value() = bytesOf(rng, 1 + rng.bounded(3000));
            expect(fs.removeTree("/src/" + it.key().toUtf8())
                       && fs.addFile("/src/" + it.key().toUtf8(), it.value()),
                   "cannot change a file");
        }
    }
    tree.insert(QStringLiteral("added.bin"), bytesOf(rng, rng.bounded(4000)));
    expect(fs.addFile("/src/added.bin", tree.value(QStringLiteral("added.bin"))), "cannot add");
    rewrite({}, touched);
    expect(files(archive) == tree, "the archive does not hold the files");
    // One entry deleted, unless it is the last.
    DirectoryReader reader;
    expect(read(archive, reader), "the archive does not read");
    const qint32 rows = reader.table().filledRows();
    if (rows > 1) {
        std::vector<bool> removed(size_t(rows), false);
        const qint32 row = rng.bounded(rows);
        removed[size_t(row)] = true;
        touched.insert(reader.table().rawName(row));
        tree.remove(reader.table().name(row).replace(u'\\', u'/'));
        rewrite(removed, touched);
        expect(files(archive) == tree, "the archive does not hold the files after a delete");
    }
    const QString why = keptAsItWas(before, archive, touched);
    expect(why.isEmpty(), "", why);
}

} // namespace FuzzTargets
