#include "FuzzTargets.h"

#include "archive/DirectoryReader.h"
#include "compress/PackwellCore.h"
#include "create/EntryPacker.h"
#include "create/SourceTree.h"
#include "fs/FileSystem.h"
#include "fs/NewArchiveFile.h"
#include "support/MemoryFileSystem.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "create fuzz: %s\n", what);
        std::abort();
    }
}

// Names that put the stored order to the test: a space and "-" sort before the "\" between
// folders, capitals before small letters, Windows-1252 letters after ASCII.
const char *const kNames[]
    = { "a",        "a b",          "a-b",          "A",      "b.txt", "caf\xc3\xa9", "...", "1",
        "\xc3\xbf", "\xc5\x92uvre", "\xe2\x82\xac", "x y.dat" };
// Around the edges of a deflated piece, and a file of several pieces.
const qint64 kSizes[] = { 0, 1, 2, 100, 4096, 131071, 131072, 131073, 300000, 3 << 20 };

QByteArray content(qint64 size, int kind, quint32 seed)
{
    static const char kText[] = "quill archive entry folder\n";
    QByteArray bytes(size, '\0');
    QRandomGenerator rng(seed);
    for (qint64 i = 0; kind > 0 && i < size; ++i)
        bytes[i] = kind == 1 ? kText[rng.bounded(int(sizeof kText) - 1)] : char(rng.generate());
    return bytes;
}

// The archive that one pass of create writes for the tree at root, on threads: as a new
// archive, which takes its name only when complete, or streamed to a file that cannot be taken
// back, as standard output is. Either leaves nothing else behind.
QByteArray pack(MemoryFileSystem &fs, const QByteArray &root, int threads, bool streaming)
{
    const auto refused = [](const QByteArray &, const QString &) {
        check(false, "a generated file or folder was left out");
    };
    const auto before = fs.snapshot();
    SourceTree tree(fs, refused);
    check(tree.openRoot(root) == 0, "cannot open the tree");
    tree.add({});
    NewArchiveFile archive(fs, nullptr);
    check(archive.open("/out.dat").isEmpty() && archive.create(), "no archive file");
    FileSystem::Descriptor stream(fs);
    int fd = -1;
    check(!streaming || fs.createFile(archive.folder(), "stream", fd) == FileSystem::Status::Ok,
          "no stream");
    stream.reset(fd);
    EntryPacker packer(streaming ? stream.fd() : archive.handle(), 6, threads, fs, refused);
    if (streaming)
        packer.setStreaming([&fs] {
            int scratch = -1;
            return fs.createScratchFile(scratch) == FileSystem::Status::Ok ? scratch : -1;
        });
    check(packer.pack(tree), "the archive was not written");
    check(streaming || archive.commit(), "the archive was not put in place");
    const QByteArray name = streaming ? "stream" : "out.dat";
    const QByteArray bytes = fs.snapshot().value("/" + name).mid(1);
    check(fs.remove(archive.folder(), name), "cannot remove the archive");
    check(fs.snapshot() == before, "something more was left behind");
    return bytes;
}

} // namespace

namespace FuzzTargets {

QMap<QString, QByteArray> makeTree(const TreeMaker &make, const std::uint8_t *data,
                                   std::size_t size)
{
    QMap<QString, QByteArray> made;
    QStringList folders { QString() }; // the one being filled last
    for (std::size_t i = 0; i + 2 < size; i += 3) {
        const int op = data[i] % 4;
        if (op == 2) { // up one folder
            if (folders.size() > 1)
                folders.removeLast();
            continue;
        }
        const QString name = QString::fromUtf8(kNames[data[i + 1] % std::size(kNames)]);
        const QString path = folders.last().isEmpty() ? name : folders.last() + u'/' + name;
        if (made.contains(path) || made.contains(path + u'/'))
            continue;
        if (op == 1) { // a file
            const QByteArray bytes = content(kSizes[data[i + 2] % std::size(kSizes)],
                                             data[i + 2] / 10 % 3, quint32(i));
            check(make.file(path, bytes), "cannot write a file");
            made.insert(path, bytes);
        } else if (folders.size() < 8) { // a folder, gone into (0) or left empty (3)
            check(make.folder(path), "cannot make a folder");
            made.insert(path + u'/', {});
            if (op == 0)
                folders << path;
        }
    }
    return made;
}

QMap<QString, QByteArray> makeTree(const QString &root, const std::uint8_t *data, std::size_t size)
{
    const QDir base(root);
    const TreeMaker onDisk {
        [&](const QString &path) { return base.mkdir(path); },
        [&](const QString &path, const QByteArray &bytes) {
            QFile file(base.filePath(path));
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        },
    };
    return makeTree(onDisk, data, size);
}

// Writes a tree that data describes, makes its archive on one thread and on three, and reads
// it back: both passes give the same bytes, the names come in bytewise order, every entry's data
// lies where its record says, right after the previous one, and holds exactly the file's bytes,
// compressed entries as one-shot inflation gives them back; nothing is missing or added.
void create(const std::uint8_t *data, std::size_t size)
{
    MemoryFileSystem fs;
    check(fs.addFolder("/src"), "no tree folder");
    const TreeMaker inMemory {
        [&](const QString &path) { return fs.addFolder("/src/" + path.toUtf8()); },
        [&](const QString &path, const QByteArray &bytes) {
            return fs.addFile("/src/" + path.toUtf8(), bytes);
        },
    };
    const QMap<QString, QByteArray> made = makeTree(inMemory, data, size);
    const QByteArray bytes = pack(fs, "/src", 1, false);
    check(pack(fs, "/src", 3, true) == bytes, "different bytes on one thread and on three");

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    DirectoryReader reader;
    check(reader.read(&buffer), "the archive does not read");
    const EntryTable &table = reader.table();
    check(reader.entryCount() == table.filledRows() + 1, "the count is not the records plus one");
    QMap<QString, QByteArray> found;
    qint64 end = 0;
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        const EntryRecord e = table.at(row);
        check(row == 0 || table.rawName(row - 1) < table.rawName(row), "names out of order");
        check(e.aux == 0 && e.offset == end, "a record out of place");
        QString path = e.name;
        path.replace(u'\\', u'/');
        if (e.entryType == FolderEntry) {
            found.insert(path + u'/', {});
            continue;
        }
        QByteArray content
            = bytes.mid(e.offset, e.entryType == CompressedEntry ? e.packedSize : e.unpackedSize);
        end += content.size();
        if (e.entryType == CompressedEntry) {
            check(e.packedSize < e.unpackedSize, "compressed, and not smaller");
            try {
                check(PackwellCore().DecompressData(content, e.unpackedSize) == 0,
                      "the one-shot inflation refuses an entry");
            } catch (const PackwellError &) {
                check(false, "the one-shot inflation refuses an entry");
            }
        } else {
            check(e.entryType == StoredEntry && e.packedSize == e.unpackedSize, "a bad record");
        }
        found.insert(path, content);
    }
    check(reader.dirStart() == end, "bytes between the data and the directory");
    check(found == made, "the archive does not hold the tree");
    update(data, size);
}

} // namespace FuzzTargets
