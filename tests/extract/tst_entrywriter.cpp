#include "archive/DirectoryReader.h"
#include "archive/EntryName.h"
#include "compress/Windows1252.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractReporter.h"
#include "fs/FolderWalk.h"
#include "support/ArchiveWriter.h"
#include "support/FaultyFileSystem.h"
#include "support/FileTree.h"
#include "support/Files.h"
#include "support/MemoryFileSystem.h"
#include "support/TestDecompressor.h"

#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

using AW = ArchiveWriter;

namespace {

const QString kDir = QStringLiteral("Something Bad with DIR!");
const QString kUC = QStringLiteral("Something bad happened in UC!");
const QString kC = QStringLiteral("Something bad happened in C!");
const QByteArray kPrecious = "precious old content that must survive";

struct Recorder : ExtractReporter
{
    QStringList messages;
    void message(const QString &text) override { messages << text; }
};

QStringList tree(const QString &dir)
{
    return FileTree::list(dir);
}

QString utf8(const char *s)
{
    return QString::fromUtf8(s);
}

// A temporary folder holding the archive a.dat and the extract directory out/.
struct Fixture
{
    explicit Fixture(const QByteArray &archiveBytes = AW().add(AW::folder("x")).build())
    {
        archive = root.filePath("a.dat");
        out = root.filePath("out");
        QFile f(archive);
        if (f.open(QIODevice::WriteOnly))
            f.write(archiveBytes);
        f.close();
        QDir().mkdir(out);
        setDecompressor(testDecompressor());
    }

    void setDecompressor(EntryWriter::Decompressor d)
    {
        writer = std::make_unique<EntryWriter>(QFile::encodeName(archive), QFile::encodeName(out),
                                               std::move(d), reporter, fs);
    }

    QString path(const QString &name) const { return EntryWriter::outputPath(out, name); }

    QTemporaryDir root;
    QString archive;
    QString out;
    Recorder reporter;
    FaultyFileSystem fs;
    std::unique_ptr<EntryWriter> writer;
};

// Makes the folders name needs, as a writer does on its way to the entry.
bool makeFolders(FileSystem &fs, const QString &out, const QString &name)
{
    FolderWalk walk(fs, QFile::encodeName(out));
    FileSystem::Descriptor folder(fs);
    return walk.open(EntryName(name).folderLevels(), true, folder) == FolderWalk::Outcome::Reached;
}

// Names are given as the archive's raw bytes, decoded as the reader decodes them.
QString name(const QByteArray &raw)
{
    return Windows1252::decode(raw);
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

} // namespace

class tst_EntryWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outputPath_data();
    void outputPath();
    void folderPath_data();
    void folderPath();
    void folderEntry_data();
    void folderEntry();
    void storedEntry_data();
    void storedEntry();
    void compressedEntry_data();
    void compressedEntry();
    void decompressorFailures_data();
    void decompressorFailures();
    void failureLeavesFilesAlone_data();
    void failureLeavesFilesAlone();
    void largeStoredEntryIsCopiedInPieces();
    void parentIsAFile_data();
    void parentIsAFile();
    void vanishedExtractDir_data();
    void vanishedExtractDir();
    void archiveItselfIsRefused_data();
    void archiveItselfIsRefused();
    void hostileDestinations_data();
    void hostileDestinations();
    void ordinaryPermissions();
    void wholeArchive();
};

void tst_EntryWriter::outputPath_data()
{
    QTest::addColumn<QString>("extractDir");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");

    QTest::newRow("nested") << "/x/out"
                            << "maps\\a.bin"
                            << "/x/out/maps/a.bin";
    QTest::newRow("dir ends with separator") << "/x/out/"
                                             << "a.bin"
                                             << "/x/out//a.bin";
    QTest::newRow("root") << "/"
                          << "a"
                          << "//a";
    QTest::newRow("empty name") << "/x"
                                << ""
                                << "/x/";
    QTest::newRow("leading separator") << "/x"
                                       << "\\a"
                                       << "/x//a";
    QTest::newRow("both separators") << "/x"
                                     << "a/b\\c"
                                     << "/x/a/b/c";
    QTest::newRow("backslash in the dir kept") << "/x\\y"
                                               << "a"
                                               << "/x\\y/a";
}

void tst_EntryWriter::outputPath()
{
    QFETCH(QString, extractDir);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(EntryWriter::outputPath(extractDir, name), path);
}

void tst_EntryWriter::folderPath_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("folders"); // created, in order

    QTest::newRow("file in folders") << "sub\\deep\\file.txt" << QStringList { "sub", "sub/deep" };
    QTest::newRow("file name only") << "readme.txt" << QStringList {};
    QTest::newRow("trailing separator") << "sub\\deep\\" << QStringList { "sub", "sub/deep" };
    QTest::newRow("folder name") << "sub\\deep\\leaf"
                                 << QStringList { "sub", "sub/deep", "sub/deep/leaf" };
    QTest::newRow("four-letter extension")
        << "sub\\deep\\photo.jpeg" << QStringList { "sub", "sub/deep", "sub/deep/photo.jpeg" };
    QTest::newRow("two-letter extension")
        << "sub\\deep\\x.gz" << QStringList { "sub", "sub/deep", "sub/deep/x.gz" };
    QTest::newRow("dot inside a folder component") << "old\\ver.2\\a" << QStringList { "old" };
    QTest::newRow("empty name") << "" << QStringList {};
    QTest::newRow("three characters never stop") << ".ab" << QStringList { ".ab" };
    QTest::newRow("leading separator") << "\\lead\\x" << QStringList { "lead", "lead/x" };
    QTest::newRow("doubled separator") << "a\\\\b" << QStringList { "a", "a/b" };
    QTest::newRow("forward slashes") << "a/b/c.txt" << QStringList { "a", "a/b" };
}

void tst_EntryWriter::folderPath()
{
    QFETCH(QString, name);
    QFETCH(QStringList, folders);

    Fixture f;
    QVERIFY(makeFolders(f.fs, f.out, name));
    QStringList made;
    for (const QByteArray &p : std::as_const(f.fs.folderCalls))
        made << QString::fromUtf8(p).mid(f.out.size() + 1);
    QCOMPARE(made, folders);
    for (const QString &folder : folders)
        QVERIFY(QFileInfo(f.out + u'/' + folder).isDir());

    // With every folder there, nothing is made.
    f.fs.folderCalls.clear();
    QVERIFY(makeFolders(f.fs, f.out, name));
    QCOMPARE(f.fs.folderCalls, QByteArrayList {});
}

void tst_EntryWriter::folderEntry_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QStringList>("before"); // "x/" a folder, "x" a file
    QTest::addColumn<QByteArrayList>("refused");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("messages");
    QTest::addColumn<QStringList>("after");

    const QStringList none;
    const QByteArrayList noRefusal;
    QTest::newRow("new") << QByteArray("docs") << none << noRefusal << true << 0
                         << QStringList { "docs/" };
    QTest::newRow("exists") << QByteArray("docs") << QStringList { "docs/" } << noRefusal << true
                            << 0 << QStringList { "docs/" };
    QTest::newRow("nested, all missing")
        << QByteArray("sub\\deep\\leaf") << none << noRefusal << true << 0
        << QStringList { "sub/", "sub/deep/", "sub/deep/leaf/" };
    QTest::newRow("trailing separator") << QByteArray("sub\\deep\\") << none << noRefusal << true
                                        << 0 << QStringList { "sub/", "sub/deep/" };
    QTest::newRow("looks like a file, parent missing")
        << QByteArray("sub\\old.bak") << none << noRefusal << true << 0
        << QStringList { "sub/", "sub/old.bak/" };
    QTest::newRow("looks like a file")
        << QByteArray("old.bak") << none << noRefusal << true << 0 << QStringList { "old.bak/" };
    QTest::newRow("empty name is the extract dir")
        << QByteArray() << none << noRefusal << true << 0 << none;
    QTest::newRow("leading separator")
        << QByteArray("\\lead") << none << noRefusal << true << 0 << QStringList { "lead/" };
    QTest::newRow("dots that are not two") << QByteArray("...\\.\\.x") << none << noRefusal << true
                                           << 0 << QStringList { ".../", ".../.x/" };
    QTest::newRow("bytes 0x80-0xFF")
        << QByteArray("caf\xe9\\\x80\xff") << none << noRefusal << true << 0
        << QStringList { utf8("caf\xc3\xa9/"), utf8("caf\xc3\xa9/\xe2\x82\xac\xc3\xbf/") };

    QTest::newRow("file in the way") << QByteArray("taken") << QStringList { "taken" } << noRefusal
                                     << false << 1 << QStringList { "taken" };
    QTest::newRow("refused") << QByteArray("bad") << none << QByteArrayList { "/bad" } << false << 1
                             << none;
    // One message for the first level that cannot be made; the deeper ones are not tried.
    QTest::newRow("parent refused")
        << QByteArray("bad\\x\\y") << none << QByteArrayList { "/bad" } << false << 1 << none;
    QTest::newRow("parent refused, looks like a file")
        << QByteArray("bad\\y.txt") << none << QByteArrayList { "/bad" } << false << 1 << none;
    QTest::newRow("1,500 levels under a file")
        << (QByteArray("taken\\") + QByteArray("a\\").repeated(1500) + "y")
        << QStringList { "taken" } << noRefusal << false << 1 << QStringList { "taken" };
    QTest::newRow("longer than 32,767 characters, refused before any level is made")
        << QByteArray("a\\").repeated(16384) << none << noRefusal << false << 1 << none;
    QTest::newRow("dot-dot") << QByteArray("..\\escape") << none << noRefusal << false << 1 << none;
    QTest::newRow("dot-dot alone") << QByteArray("..") << none << noRefusal << false << 1 << none;
    QTest::newRow("dot-dot inside")
        << QByteArray("a\\..\\..\\escape") << none << noRefusal << false << 1 << none;
    QTest::newRow("dot-dot after slash")
        << QByteArray("a/../escape") << none << noRefusal << false << 1 << none;
    QTest::newRow("character 0") << QByteArray("a\0b", 3) << none << noRefusal << false << 1
                                 << none;
}

void tst_EntryWriter::folderEntry()
{
    QFETCH(QByteArray, name);
    QFETCH(QStringList, before);
    QFETCH(QByteArrayList, refused);
    QFETCH(bool, ok);
    QFETCH(int, messages);
    QFETCH(QStringList, after);

    Fixture f;
    for (const QString &p : std::as_const(before)) {
        if (p.endsWith(u'/'))
            QVERIFY(QDir(f.out).mkpath(p));
        else
            QVERIFY(writeFile(f.out + u'/' + p, "x"));
    }
    f.fs.refusedFolders = refused;

    QCOMPARE(f.writer->writeFolderEntry(::name(name)), ok);
    QCOMPARE(f.reporter.messages, QStringList(messages, kDir));
    QCOMPARE(tree(f.out), after);
    QCOMPARE(
        tree(f.root.path()), QStringList({ "a.dat", "out/" }) + [&] {
            QStringList l;
            for (const QString &p : std::as_const(after))
                l << "out/" + p;
            return l;
        }());
}

void tst_EntryWriter::storedEntry_data()
{
    QTest::addColumn<qint32>("offset");
    QTest::addColumn<qint32>("size");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("existing"); // at the output path beforehand; null for none
    QTest::addColumn<QStringList>("after"); // null when the tree must be as before
    QTest::addColumn<QByteArray>("content"); // at the output path afterwards; null for none

    // "hello" at 0, "world!" at 5; the archive is `length` bytes long.
    const QByteArray archive
        = AW().add(AW::stored("a.txt", "hello")).add(AW::stored("b.txt", "world!")).build();
    const qint32 length = qint32(archive.size());
    const QByteArray null;
    const QStringList same;

    QTest::newRow("offset 0") << 0 << 5 << QByteArray("a.txt") << null << QStringList { "a.txt" }
                              << QByteArray("hello");
    QTest::newRow("second entry") << 5 << 6 << QByteArray("b.txt") << null
                                  << QStringList { "b.txt" } << QByteArray("world!");
    QTest::newRow("size 0") << 3 << 0 << QByteArray("e.txt") << null << QStringList { "e.txt" }
                            << QByteArray("");
    QTest::newRow("size 0 at the end")
        << length << 0 << QByteArray("e.txt") << null << QStringList { "e.txt" } << QByteArray("");
    QTest::newRow("up to the last byte") << length - 4 << 4 << QByteArray("f.bin") << null
                                         << QStringList { "f.bin" } << archive.right(4);
    QTest::newRow("over a longer file") << 0 << 5 << QByteArray("a.txt") << kPrecious
                                        << QStringList { "a.txt" } << QByteArray("hello");
    QTest::newRow("over an empty file") << 0 << 5 << QByteArray("a.txt") << QByteArray("")
                                        << QStringList { "a.txt" } << QByteArray("hello");
    QTest::newRow("in missing folders")
        << 0 << 5 << QByteArray("sub\\deep\\file.txt") << null
        << QStringList { "sub/", "sub/deep/", "sub/deep/file.txt" } << QByteArray("hello");
    QTest::newRow("leading separator") << 0 << 5 << QByteArray("\\a.txt") << null
                                       << QStringList { "a.txt" } << QByteArray("hello");
    QTest::newRow("bytes 0x80-0xFF")
        << 0 << 5 << QByteArray("caf\xe9.txt") << null << QStringList { utf8("caf\xc3\xa9.txt") }
        << QByteArray("hello");

    // A file entry's last component is its own name, whatever it looks like.
    QTest::newRow("no extension, folders missing")
        << 0 << 5 << QByteArray("sub\\deep\\notes") << null
        << QStringList { "sub/", "sub/deep/", "sub/deep/notes" } << QByteArray("hello");
    QTest::newRow("four-letter extension, folders missing")
        << 0 << 5 << QByteArray("p\\deep\\photo.jpeg") << null
        << QStringList { "p/", "p/deep/", "p/deep/photo.jpeg" } << QByteArray("hello");
    QTest::newRow("two-letter extension, folder missing")
        << 0 << 5 << QByteArray("g\\x.gz") << null << QStringList { "g/", "g/x.gz" }
        << QByteArray("hello");
    QTest::newRow("dot in a folder, folders missing")
        << 0 << 5 << QByteArray("old\\ver.2\\Makefile") << null
        << QStringList { "old/", "old/ver.2/", "old/ver.2/Makefile" } << QByteArray("hello");
    QTest::newRow("trailing separator") << 0 << 5 << QByteArray("dir\\") << null << same << null;
    QTest::newRow("empty name") << 0 << 5 << QByteArray() << null << same << null;
    QTest::newRow("past the end") << length - 2 << 5 << QByteArray("a.txt") << null << same << null;
    QTest::newRow("past the end, over a file")
        << length - 2 << 5 << QByteArray("a.txt") << kPrecious << same << kPrecious;
    QTest::newRow("offset past the end")
        << length + 1 << 0 << QByteArray("a.txt") << null << same << null;
    QTest::newRow("negative size") << 0 << -1 << QByteArray("a.txt") << null << same << null;
    QTest::newRow("negative offset")
        << -1 << 5 << QByteArray("a.txt") << kPrecious << same << kPrecious;
    QTest::newRow("offset + size overflows")
        << 0x7fff0000 << 0x7fff0000 << QByteArray("a.txt") << null << same << null;
    QTest::newRow("dot-dot") << 0 << 5 << QByteArray("..\\a.txt") << null << same << null;
    QTest::newRow("dot-dot inside")
        << 0 << 5 << QByteArray("sub\\..\\..\\a.txt") << null << same << null;
    QTest::newRow("character 0") << 0 << 5 << QByteArray("a\0.txt", 6) << null << same << null;
}

void tst_EntryWriter::storedEntry()
{
    QFETCH(qint32, offset);
    QFETCH(qint32, size);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, existing);
    QFETCH(QStringList, after);
    QFETCH(QByteArray, content);

    const QByteArray archive
        = AW().add(AW::stored("a.txt", "hello")).add(AW::stored("b.txt", "world!")).build();
    Fixture f(archive);
    const QString target = f.path(::name(name));
    if (!existing.isNull())
        QVERIFY(writeFile(target, existing));
    const QStringList before = tree(f.out);

    const bool ok = f.writer->writeStoredEntry(offset, size, ::name(name));
    QCOMPARE(ok, !content.isNull() && (existing.isNull() || content != existing));
    QCOMPARE(f.reporter.messages, ok ? QStringList {} : QStringList { kUC });
    QCOMPARE(tree(f.out), after.isEmpty() ? before : after);
    if (!name.contains('\0')) { // not a path the file system can take
        QCOMPARE(QFileInfo(target).isFile(), !content.isNull());
        QCOMPARE(readFile(target), content);
    }
    QCOMPARE(tree(f.root.path()).filter(QRegularExpression("^[^/]*$")), QStringList { "a.dat" });
    QCOMPARE(readFile(f.archive), archive);
}

void tst_EntryWriter::compressedEntry_data()
{
    QTest::addColumn<qint32>("offset");
    QTest::addColumn<qint32>("packedSize");
    QTest::addColumn<qint32>("unpackedSize");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QByteArray>("content");

    // The archive holds, back to back: text compressed, nothing compressed, garbage.
    QByteArray text;
    for (int i = 0; i < 500; ++i)
        text += "line " + QByteArray::number(i) + " of some text\n";
    const QByteArray z = AW::zlibCompress(text);
    const QByteArray zEmpty = AW::zlibCompress({});
    const QByteArray garbage = "not a zlib stream at all";
    const qint32 n = qint32(text.size());
    const qint32 zs = qint32(z.size());
    const qint32 emptyAt = zs;
    const qint32 garbageAt = zs + qint32(zEmpty.size());
    const qint32 length = qint32(AW().add(AW::compressed("t", text))
                                     .add(AW::compressed("e", {}))
                                     .add(AW::raw("g", 2, garbage))
                                     .build()
                                     .size());
    const QByteArray null;
    const QStringList same;

    QTest::newRow("inflates") << 0 << zs << n << QByteArray("c.txt") << null
                              << QStringList { "c.txt" } << text;
    QTest::newRow("unpackedSize a little small")
        << 0 << zs << n - 5 << QByteArray("c.txt") << null << QStringList { "c.txt" } << text;
    QTest::newRow("in missing folders")
        << 0 << zs << n << QByteArray("sub\\deep\\c.txt") << null
        << QStringList { "sub/", "sub/deep/", "sub/deep/c.txt" } << text;
    QTest::newRow("over a longer file")
        << 0 << zs << n << QByteArray("c.txt") << kPrecious.repeated(100) << QStringList { "c.txt" }
        << text;
    QTest::newRow("bytes 0x80-0xFF") << 0 << zs << n << QByteArray("\xe9t\xe9.log") << null
                                     << QStringList { utf8("\xc3\xa9t\xc3\xa9.log") } << text;

    QTest::newRow("packedSize 0") << 0 << 0 << n << QByteArray("c.txt") << null << same << null;
    QTest::newRow("negative packedSize")
        << 0 << -1 << n << QByteArray("c.txt") << null << same << null;
    QTest::newRow("inflates to nothing")
        << emptyAt << qint32(zEmpty.size()) << 0 << QByteArray("c.txt") << null << same << null;
    QTest::newRow("corrupt stream") << garbageAt << qint32(garbage.size()) << 100
                                    << QByteArray("c.txt") << kPrecious << same << kPrecious;
    QTest::newRow("truncated stream")
        << 0 << zs - 4 << n << QByteArray("c.txt") << null << same << null;
    QTest::newRow("unpackedSize far too small")
        << 0 << zs << 100 << QByteArray("c.txt") << kPrecious << same << kPrecious;
    QTest::newRow("negative unpackedSize")
        << 0 << zs << -13 << QByteArray("c.txt") << null << same << null;
    QTest::newRow("unpackedSize beyond 32 bits")
        << 0 << zs << 0x7fffffff << QByteArray("c.txt") << null << same << null;
    QTest::newRow("packedSize past the end")
        << 0 << length + 1 << n << QByteArray("c.txt") << null << same << null;
    QTest::newRow("offset past the end")
        << length << 1 << n << QByteArray("c.txt") << null << same << null;
    QTest::newRow("negative offset")
        << -4 << zs << n << QByteArray("c.txt") << null << same << null;
    QTest::newRow("offset + packedSize overflows")
        << 0x7fffff00 << 0x7fffff00 << n << QByteArray("c.txt") << null << same << null;
    QTest::newRow("no extension, folders missing")
        << 0 << zs << n << QByteArray("n\\Makefile") << null << QStringList { "n/", "n/Makefile" }
        << text;
    QTest::newRow("dot-dot") << 0 << zs << n << QByteArray("..\\c.txt") << null << same << null;
    QTest::newRow("character 0") << 0 << zs << n << QByteArray("c\0.txt", 6) << null << same
                                 << null;
}

void tst_EntryWriter::compressedEntry()
{
    QFETCH(qint32, offset);
    QFETCH(qint32, packedSize);
    QFETCH(qint32, unpackedSize);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, existing);
    QFETCH(QStringList, after);
    QFETCH(QByteArray, content);

    QByteArray text;
    for (int i = 0; i < 500; ++i)
        text += "line " + QByteArray::number(i) + " of some text\n";
    const QByteArray archive = AW().add(AW::compressed("t", text))
                                   .add(AW::compressed("e", {}))
                                   .add(AW::raw("g", 2, "not a zlib stream at all"))
                                   .build();
    // Inflated at once by the component as the window does, and in pieces as quillon does:
    // both accept, refuse and leave behind the same.
    for (const bool streaming : { false, true }) {
        Fixture f(archive);
        f.writer->setStreamingInflation(streaming);
        const QString target = f.path(::name(name));
        if (!existing.isNull())
            QVERIFY(writeFile(target, existing));
        const QStringList before = tree(f.out);

        const bool ok
            = f.writer->writeCompressedEntry(offset, packedSize, unpackedSize, ::name(name));
        QCOMPARE(ok, !content.isNull() && (existing.isNull() || content != existing));
        QCOMPARE(f.reporter.messages, ok ? QStringList {} : QStringList { kC });
        QCOMPARE(tree(f.out), after.isEmpty() ? before : after);
        if (!name.contains('\0')) { // not a path the file system can take
            QCOMPARE(QFileInfo(target).isFile(), !content.isNull());
            QCOMPARE(readFile(target), content);
        }
        QCOMPARE(tree(f.root.path()).filter(QRegularExpression("^[^/]*$")),
                 QStringList { "a.dat" });
        if (packedSize <= 0)
            QCOMPARE(f.fs.archiveOpens, 0);
    }
}

void tst_EntryWriter::decompressorFailures_data()
{
    QTest::addColumn<EntryWriter::Decompressor>("decompressor");
    QTest::addColumn<bool>("existing");

    struct ComponentError : std::runtime_error
    {
        using std::runtime_error::runtime_error;
    };
    const EntryWriter::Decompressor badAlloc
        = [](QByteArray &, const qint32 &) -> qint32 { throw std::bad_alloc(); };
    const EntryWriter::Decompressor componentError
        = [](QByteArray &, const qint32 &) -> qint32 { throw ComponentError("out of memory"); };
    // Leaves the data as it was, as zlib leaves a buffer it could not fill.
    const EntryWriter::Decompressor dataError
        = [](QByteArray &, const qint32 &) -> qint32 { return Z_DATA_ERROR; };
    for (bool existing : { false, true }) {
        const char *suffix = existing ? ", over a file" : "";
        QTest::addRow("bad_alloc%s", suffix) << badAlloc << existing;
        QTest::addRow("component's own error%s", suffix) << componentError << existing;
        QTest::addRow("zlib error code%s", suffix) << dataError << existing;
        QTest::addRow("no decompressor%s", suffix) << EntryWriter::Decompressor() << existing;
    }
}

void tst_EntryWriter::decompressorFailures()
{
    QFETCH(EntryWriter::Decompressor, decompressor);
    QFETCH(bool, existing);

    const QByteArray z = AW::zlibCompress("some text");
    Fixture f(AW().add(AW::compressed("c.txt", "some text")).build());
    f.setDecompressor(decompressor);
    if (existing)
        QVERIFY(writeFile(f.path("c.txt"), kPrecious));

    QVERIFY(!f.writer->writeCompressedEntry(0, qint32(z.size()), 9, "c.txt"));
    QCOMPARE(f.reporter.messages, QStringList { kC });
    QCOMPARE(tree(f.out), existing ? QStringList { "c.txt" } : QStringList {});
    if (existing)
        QCOMPARE(readFile(f.path("c.txt")), kPrecious);
}

void tst_EntryWriter::failureLeavesFilesAlone_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("kind"); // stored, compressed, compressed inflated in pieces
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("existing");

    enum {
        WriteAtStart,
        WriteAfterOneByte,
        WriteAfterOnePiece,
        Close,
        Temporary,
        Rename,
        Create,
        ReadOnly
    };
    const struct
    {
        const char *name;
        int fault;
        bool existingOnly; // faults of the replacing road only
    } faults[] = {
        { "write fails at once", WriteAtStart, false },
        { "write fails after 1 byte", WriteAfterOneByte, false },
        { "write fails after 1 MiB", WriteAfterOnePiece, false },
        { "close fails", Close, false },
        { "temporary file refused", Temporary, true },
        { "rename fails", Rename, true },
        { "creation refused", Create, false },
        { "target read-only", ReadOnly, true },
    };
    for (const auto &fault : faults) {
        for (int kind : { 0, 1, 2 }) {
            for (bool existing : { true, false }) {
                if (fault.existingOnly && !existing)
                    continue;
                const int size = fault.fault == WriteAfterOnePiece ? 3 * (1 << 20) + 17 : 5000;
                const char *kinds[] = { "stored", "compressed", "inflated in pieces" };
                QTest::addRow("%s, %s, %s", fault.name, kinds[kind],
                              existing ? "over a file" : "new file")
                    << fault.fault << kind << size << existing;
            }
        }
    }
}

void tst_EntryWriter::failureLeavesFilesAlone()
{
    QFETCH(int, fault);
    QFETCH(int, kind);
    QFETCH(int, size);
    QFETCH(bool, existing);
    const bool compressed = kind > 0;

    const QByteArray content = randomBytes(size);
    const AW::Entry entry
        = compressed ? AW::compressed("d\\keep.txt", content) : AW::stored("d\\keep.txt", content);
    Fixture f(AW().add(entry).build());
    f.writer->setStreamingInflation(kind == 2);
    QVERIFY(QDir(f.out).mkdir("d"));
    const QString target = f.path("d\\keep.txt");
    if (existing)
        QVERIFY(writeFile(target, kPrecious));

    switch (fault) {
    case 0:
        f.fs.failWriteAfter = 0;
        break;
    case 1:
        f.fs.failWriteAfter = 1;
        break;
    case 2:
        f.fs.failWriteAfter = 1 << 20;
        break;
    case 3:
        f.fs.failClose = true;
        break;
    case 4:
        f.fs.failTemporaryFile = true;
        break;
    case 5:
        f.fs.failRename = true;
        break;
    case 6:
        f.fs.failCreateFile = true;
        break;
    case 7:
        f.fs.readOnly << "/keep.txt";
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup));
        break;
    }
    const QFile::Permissions mode = QFileInfo(target).permissions();

    const qint32 dataSize = qint32(entry.data.size());
    const bool ok = compressed ? f.writer->writeCompressedEntry(0, dataSize, size, "d\\keep.txt")
                               : f.writer->writeStoredEntry(0, dataSize, "d\\keep.txt");
    QVERIFY(!ok);
    QCOMPARE(f.reporter.messages, QStringList { compressed ? kC : kUC });
    QCOMPARE(tree(f.out), existing ? QStringList({ "d/", "d/keep.txt" }) : QStringList { "d/" });
    if (existing) {
        QCOMPARE(readFile(target), kPrecious);
        QCOMPARE(QFileInfo(target).permissions(), mode);
    }
}

void tst_EntryWriter::largeStoredEntryIsCopiedInPieces()
{
    const QByteArray content = randomBytes(5 * (1 << 20) + 17);
    const QByteArray small = "small";
    Fixture f(AW().add(AW::stored("small", small)).add(AW::stored("big", content)).build());
    QVERIFY(writeFile(f.path("old.bin"), kPrecious));

    QVERIFY(f.writer->writeStoredEntry(5, qint32(content.size()), "new.bin"));
    QVERIFY(f.writer->writeStoredEntry(5, qint32(content.size()), "old.bin"));
    QVERIFY(f.writer->writeStoredEntry(0, 5, "small.bin"));
    QCOMPARE(f.reporter.messages, QStringList {});
    QCOMPARE(readFile(f.path("new.bin")), content);
    QCOMPARE(readFile(f.path("old.bin")), content);
    QCOMPARE(readFile(f.path("small.bin")), small);
    QVERIFY(f.fs.largestWrite <= 1 << 20);
    QCOMPARE(tree(f.out), QStringList({ "new.bin", "old.bin", "small.bin" }));
}

void tst_EntryWriter::parentIsAFile_data()
{
    QTest::addColumn<bool>("compressed");
    QTest::addColumn<QString>("name");
    const QString deep = "p\\" + QString("a\\").repeated(1500) + "y.txt";
    QTest::newRow("stored") << false << "p\\x.txt";
    QTest::newRow("compressed") << true << "p\\x.txt";
    // However deep, one message for the level and one for the entry.
    QTest::newRow("stored, 1,500 levels below") << false << deep;
    QTest::newRow("compressed, 1,500 levels below") << true << deep;
}

void tst_EntryWriter::parentIsAFile()
{
    QFETCH(bool, compressed);
    QFETCH(QString, name);

    const QByteArray z = AW::zlibCompress("zz");
    Fixture f(AW().add(AW::compressed("c", "zz")).build());
    QVERIFY(writeFile(f.path("p"), kPrecious));

    // The folder cannot be made where the file is, and the open is repeated only once.
    const bool ok = compressed ? f.writer->writeCompressedEntry(0, qint32(z.size()), 2, name)
                               : f.writer->writeStoredEntry(0, 2, name);
    QVERIFY(!ok);
    QCOMPARE(f.reporter.messages, QStringList({ kDir, compressed ? kC : kUC }));
    QCOMPARE(tree(f.out), QStringList { "p" });
    QCOMPARE(readFile(f.path("p")), kPrecious);
}

void tst_EntryWriter::vanishedExtractDir_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("messages");

    // The extract directory itself is never made again, and nothing is tried below it.
    QTest::newRow("stored, no folders") << 1 << "x.txt" << QStringList { kUC };
    QTest::newRow("stored, two folders") << 1 << "a\\b\\c.txt" << QStringList { kUC };
    QTest::newRow("compressed, two folders") << 2 << "a\\b\\c.txt" << QStringList { kC };
    QTest::newRow("folder") << 1024 << "a" << QStringList { kDir };
    QTest::newRow("nested folder") << 1024 << "a\\b" << QStringList { kDir };
    QTest::newRow("folder named like a file") << 1024 << "a\\b.txt" << QStringList { kDir };
    QTest::newRow("leading separator") << 1024 << "\\a" << QStringList { kDir };
    QTest::newRow("stored, leading separator") << 1 << "\\a\\c.txt" << QStringList { kUC };
}

void tst_EntryWriter::vanishedExtractDir()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(QStringList, messages);

    const QByteArray z = AW::zlibCompress("zz");
    Fixture f(AW().add(AW::compressed("c", "zz")).build());
    QVERIFY(QDir(f.out).removeRecursively());

    bool ok = true;
    if (type == 1)
        ok = f.writer->writeStoredEntry(0, 2, name);
    else if (type == 2)
        ok = f.writer->writeCompressedEntry(0, qint32(z.size()), 2, name);
    else
        ok = f.writer->writeFolderEntry(name);
    QVERIFY(!ok);
    QCOMPARE(f.reporter.messages, messages);
    QVERIFY(!QFileInfo::exists(f.out));
}

void tst_EntryWriter::archiveItselfIsRefused_data()
{
    QTest::addColumn<QString>("link"); // how the name reaches the archive
    QTest::newRow("archive's own folder") << "";
    QTest::newRow("hard link") << "hard";
    // The link itself is replaced by the entry, the archive is never written through it.
    QTest::newRow("symbolic link") << "symbolic";
}

void tst_EntryWriter::archiveItselfIsRefused()
{
    QFETCH(QString, link);

    const QByteArray z = AW::zlibCompress("packed");
    Fixture f(
        AW().add(AW::stored("a.dat", "stored")).add(AW::compressed("a.dat", "packed")).build());
    QString extractDir = f.root.path() + "/out/.."; // spelt differently from the archive's path
    QString name = "a.dat";
    if (link == "hard") {
        QCOMPARE(::link(QFile::encodeName(f.archive).constData(),
                        QFile::encodeName(f.out + "/h.dat").constData()),
                 0);
        extractDir = f.out;
        name = "h.dat";
    } else if (link == "symbolic") {
        QVERIFY(QFile::link(f.archive, f.out + "/s.dat"));
        extractDir = f.out;
        name = "s.dat";
    }
    const QByteArray before = readFile(f.archive);
    const QStringList treeBefore = tree(f.root.path());
    EntryWriter writer(QFile::encodeName(f.archive), QFile::encodeName(extractDir),
                       testDecompressor(), f.reporter, f.fs);

    const bool replaced = link == "symbolic";
    QCOMPARE(writer.writeStoredEntry(0, 6, name), replaced);
    QCOMPARE(writer.writeCompressedEntry(6, qint32(z.size()), 6, name), replaced);
    QCOMPARE(f.reporter.messages, replaced ? QStringList {} : QStringList({ kUC, kC }));
    QCOMPARE(readFile(f.archive), before);
    QCOMPARE(tree(f.root.path()), treeBefore);
    QCOMPARE(QFileInfo(f.archive).size(), before.size());
    if (replaced) {
        QVERIFY(!QFileInfo(f.out + "/s.dat").isSymLink());
        QCOMPARE(readFile(f.out + "/s.dat"), QByteArray("packed"));
    }
}

void tst_EntryWriter::hostileDestinations_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("names"); // written in turn
    // Made under the fixture's folder first: "x/" a folder, "x" a file ("x!" read-only), "x->t"
    // a symbolic link (ROOT stands for the fixture's folder), "x|" a FIFO; a.dat is the archive.
    QTest::addColumn<QStringList>("setup");
    // Swapped for a link to elsewhere/ just before the writer opens it ("walk"), between the
    // first name and the second ("between") or before the first ("start"), or removed
    // ("removed") or moved into elsewhere/ ("moved") between the first name and the second.
    // A folder moved so first trades places with elsewhere/x/, if any, as each watch is added.
    QTest::addColumn<QString>("swap");
    QTest::addColumn<QString>("when");
    QTest::addColumn<int>("failed"); // entries that fail, each with its writer's message only
    QTest::addColumn<QStringList>("written"); // files under out/ holding the entry's bytes

    const QStringList outside { "elsewhere/", "elsewhere/victim.txt" };
    const QString noSwap;
    const QStringList none;
    QTest::newRow("link to a folder outside, existing file")
        << 1 << QStringList { "linkdir\\victim.txt" }
        << outside + QStringList { "out/linkdir->../elsewhere" } << noSwap << "" << 1 << none;
    QTest::newRow("link to a folder outside, new file")
        << 2 << QStringList { "linkdir\\new.txt" }
        << outside + QStringList { "out/linkdir->../elsewhere" } << noSwap << "" << 1 << none;
    QTest::newRow("link to a folder outside, new folder")
        << 1024 << QStringList { "linkdir\\newfolder" }
        << outside + QStringList { "out/linkdir->../elsewhere" } << noSwap << "" << 1 << none;
    QTest::newRow("absolute link, deeper level")
        << 1 << QStringList { "a\\b\\c\\new.txt" }
        << outside + QStringList { "out/a/", "out/a/b->ROOT/elsewhere" } << noSwap << "" << 1
        << none;
    QTest::newRow("dangling link to a folder")
        << 1 << QStringList { "d\\x.txt" } << outside + QStringList { "out/d->../nowhere" }
        << noSwap << "" << 1 << none;
    QTest::newRow("link where a folder entry goes")
        << 1024 << QStringList { "lnk" } << outside + QStringList { "out/lnk->../elsewhere" }
        << noSwap << "" << 1 << none;
    QTest::newRow("link where the file goes")
        << 1 << QStringList { "f.txt" }
        << outside + QStringList { "out/f.txt->../elsewhere/victim.txt" } << noSwap << "" << 0
        << QStringList { "f.txt" };
    QTest::newRow("dangling link where the file goes")
        << 2 << QStringList { "g.txt" }
        << outside + QStringList { "out/g.txt->ROOT/elsewhere/new.txt" } << noSwap << "" << 0
        << QStringList { "g.txt" };
    QTest::newRow("link to the archive where the file goes")
        << 1 << QStringList { "a.dat" } << outside + QStringList { "out/a.dat->../a.dat" } << noSwap
        << "" << 0 << QStringList { "a.dat" };
    QTest::newRow("folder swapped for a link while walking")
        << 1 << QStringList { "sub\\deep\\x.txt" }
        << outside + QStringList { "out/sub/", "out/sub/deep/" } << "out/sub/deep"
        << "walk" << 1 << none;
    // Each entry's folder is reached afresh: the link its name now leads through is refused.
    QTest::newRow("folder swapped for a link between two entries")
        << 1 << QStringList { "sub\\a.txt", "sub\\b.txt" } << outside << "out/sub"
        << "between" << 1 << QStringList { "sub.old/a.txt" };
    QTest::newRow("folder swapped between two folder entries")
        << 1024 << QStringList { "sub\\a", "sub\\b" } << outside << "out/sub"
        << "between" << 1 << none;
    // Nothing is written into a folder moved out of the destination between two entries.
    QTest::newRow("folder moved out between two entries")
        << 1 << QStringList { "sub\\a.txt", "sub\\b.txt" } << outside + QStringList { "out/sub/" }
        << "out/sub"
        << "moved" << 0 << QStringList { "sub/b.txt" };
    QTest::newRow("folder traded for one outside as it is watched, then moved out")
        << 1 << QStringList { "sub\\a.txt", "sub\\b.txt" }
        << outside + QStringList { "out/sub/", "elsewhere/x/" } << "out/sub"
        << "moved" << 0 << QStringList { "sub/b.txt" };
    // The destination is the folder opened before the first entry, whatever its path names next.
    QTest::newRow("destination swapped for a link after it was opened")
        << 1 << QStringList { "f.txt" } << outside << "out"
        << "start" << 0 << QStringList { "../out.old/f.txt" };
    QTest::newRow("read-only file, whoever runs the export")
        << 1 << QStringList { "ro.txt" } << outside + QStringList { "out/ro.txt!" } << noSwap << ""
        << 1 << none;
    // A folder that is gone is made again.
    QTest::newRow("folder removed between two entries")
        << 2 << QStringList { "sub\\a.txt", "sub\\b.txt" } << outside << "out/sub"
        << "removed" << 0 << QStringList { "sub/b.txt" };
    QTest::newRow("folder kept open, removed between two entries")
        << 1 << QStringList { "sub\\a.txt", "sub\\b.txt" } << outside + QStringList { "out/sub/" }
        << "out/sub"
        << "removed" << 0 << QStringList { "sub/b.txt" };
    QTest::newRow("archive is a FIFO")
        << 1 << QStringList { "x.txt" } << outside + QStringList { "a.dat|" } << noSwap << "" << 1
        << none;
    QTest::newRow("archive replaced since it was read")
        << 2 << QStringList { "x.txt" } << outside + QStringList { "a.dat" } << noSwap << "" << 1
        << none;
}

void tst_EntryWriter::hostileDestinations()
{
    QFETCH(int, type);
    QFETCH(QStringList, names);
    QFETCH(QStringList, setup);
    QFETCH(QString, swap);
    QFETCH(QString, when);
    QFETCH(int, failed);
    QFETCH(QStringList, written);

    const QByteArray content = "entry bytes";
    const QByteArray z = AW::zlibCompress(content);
    const QByteArray bytes
        = AW().add(AW::stored("s", content)).add(AW::compressed("c", content)).build();
    // The same rows on the real file system and on the one in memory the fuzzer runs on.
    for (const bool memory : { false, true }) {
        MemoryFileSystem mem; // outlives the writer that works through it
        Fixture f(bytes);
        const QString root = memory ? QStringLiteral("/t/") : f.root.path() + u'/';
        const auto at
            = [&](const QString &p) { return QFile::encodeName(QDir::cleanPath(root + p)); };
        if (memory) {
            QVERIFY(mem.addFolder("/t") && mem.addFolder("/t/out")
                    && mem.addFile("/t/a.dat", bytes));
            f.writer = std::make_unique<EntryWriter>(at("a.dat"), at("out"), testDecompressor(),
                                                     f.reporter, mem);
        }
        ArchiveFile archive;
        QVERIFY(memory ? mem.openArchive(at("a.dat"), archive) : archive.open(at("a.dat")));
        f.writer->setArchiveIdentity(archive.identity());
        archive.close();
        const auto link = [&](const QString &target, const QString &path) {
            return memory ? mem.addLink(at(path), QFile::encodeName(target))
                          : QFile::link(target, root + path);
        };
        // What lies in elsewhere/, where links lead: "d" for a folder, "f" and the bytes for a
        // file.
        const auto outside = [&] {
            QMap<QByteArray, QByteArray> tree;
            if (!memory) {
                for (const auto &[path, bytes] :
                     FileTree::contents(root + "elsewhere").asKeyValueRange())
                    tree[path.toUtf8()] = path.endsWith(u'/') ? QByteArray("d") : "f" + bytes;
                return tree;
            }
            const QByteArray folder = at("elsewhere") + '/';
            for (const auto &[path, node] : mem.snapshot().asKeyValueRange())
                if (path.startsWith(folder))
                    tree[path.mid(folder.size()) + (node == "d" ? "/" : "")] = node;
            return tree;
        };
        for (QString item : std::as_const(setup)) {
            item.replace("ROOT", root.chopped(1));
            const QString path = item.section("->", 0, 0).remove(u'|').remove(u'!');
            if (memory ? mem.removeTree(at(path)) : QFile::remove(root + path))
                QVERIFY(path == "a.dat");
            if (item.endsWith(u'/'))
                QVERIFY(memory ? mem.addFolder(at(path)) : QDir().mkpath(root + path));
            else if (item.contains("->"))
                QVERIFY(link(item.section("->", 1), path));
            else if (item.endsWith(u'|'))
                QVERIFY(memory ? mem.addFifo(at(path)) : ::mkfifo(at(path), 0644) == 0);
            else if (memory)
                QVERIFY(mem.addFile(at(path), "old " + path.toUtf8(), item.endsWith(u'!')));
            else
                QVERIFY(writeFile(root + path, "old " + path.toUtf8())
                        && (!item.endsWith(u'!') || ::chmod(at(path), 0444) == 0));
        }
        const auto swapNow = [&] {
            if (when == "removed")
                QVERIFY(memory ? mem.removeTree(at(swap)) : QDir(root + swap).removeRecursively());
            else if (when == "moved")
                QVERIFY(memory ? mem.move(at(swap), at("elsewhere/moved"))
                               : QFile::rename(root + swap, root + "elsewhere/moved"));
            else
                QVERIFY((memory ? mem.move(at(swap), at(swap + ".old"))
                                : QFile::rename(root + swap, root + swap + ".old"))
                        && link(root + "elsewhere", swap));
        };
        bool swapped = false;
        const auto hook = [&](const QByteArray &path) {
            if (!swapped && path.endsWith(swap.toUtf8())) {
                swapped = true;
                swapNow();
            }
        };
        if (when == "walk")
            (memory ? static_cast<RacingFileSystem &>(mem) : f.fs).beforeOpenFolder = hook;
        if (when == "moved")
            f.fs.beforeWatch = [&] {
                ::renameat2(AT_FDCWD, at(swap), AT_FDCWD, at("elsewhere/x"), RENAME_EXCHANGE);
            };
        QMap<QByteArray, QByteArray> outsideBefore = outside();
        if (when == "start") {
            swapped = true;
            swapNow();
        }

        int failures = 0;
        for (const QString &name : std::as_const(names)) {
            bool ok = false;
            if (type == 1)
                ok = f.writer->writeStoredEntry(0, qint32(content.size()), name);
            else if (type == 2)
                ok = f.writer->writeCompressedEntry(qint32(content.size()), qint32(z.size()),
                                                    qint32(content.size()), name);
            else
                ok = f.writer->writeFolderEntry(name);
            failures += ok ? 0 : 1;
            if (!when.isEmpty() && when != "walk" && when != "start" && !swapped) {
                swapped = true;
                swapNow();
                if (when == "moved") // what was moved out may hold the first entry, no more
                    outsideBefore = outside();
            }
        }
        QCOMPARE(failures, failed);
        const QString message = type == 1 ? kUC : type == 2 ? kC : kDir;
        QCOMPARE(f.reporter.messages, QStringList(failed, message));
        QCOMPARE(outside(), outsideBefore);
        const QMap<QByteArray, QByteArray> all
            = memory ? mem.snapshot() : QMap<QByteArray, QByteArray>();
        for (const QString &file : std::as_const(written)) {
            if (memory) {
                QCOMPARE(all.value(at("out/" + file)), "f" + content);
                continue;
            }
            QVERIFY(!QFileInfo(root + "out/" + file).isSymLink());
            QCOMPARE(readFile(root + "out/" + file), content);
        }
        // A file no entry was written to still holds what it held.
        for (const QString &item : std::as_const(setup)) {
            const QString path = QString(item).remove(u'!');
            if (item.startsWith("out/") && !item.contains("->") && !item.endsWith(u'/')
                && !written.contains(path.mid(4)))
                QCOMPARE(memory ? all.value(at(path)).mid(1) : readFile(root + path),
                         "old " + path.toUtf8());
        }
    }
}

void tst_EntryWriter::ordinaryPermissions()
{
    Fixture f(AW().add(AW::stored("a", "abc")).build());
    QVERIFY(writeFile(f.path("old.txt"), kPrecious));
    QVERIFY(QFile::setPermissions(f.path("old.txt"), QFile::ReadOwner | QFile::WriteOwner));
    const mode_t oldMask = ::umask(027);
    const bool written = f.writer->writeStoredEntry(0, 3, "sub\\new.txt")
        && f.writer->writeStoredEntry(0, 3, "old.txt") && f.writer->writeFolderEntry("dir");
    ::umask(oldMask);
    QVERIFY(written);

    const auto mode = [&](const QString &name) {
        struct stat st;
        return ::stat(QFile::encodeName(f.path(name)).constData(), &st) == 0 ? st.st_mode & 07777
                                                                             : 0u;
    };
    QCOMPARE(mode("sub\\new.txt"), 0640u);
    QCOMPARE(mode("old.txt"), 0640u);
    QCOMPARE(mode("sub"), 0750u);
    QCOMPARE(mode("dir"), 0750u);
}

void tst_EntryWriter::wholeArchive()
{
    // Written as an export writes it: every entry read from the directory, in order.
    AW aw;
    aw.add(AW::folder("docs"))
        .add(AW::stored("docs\\readme.txt", "read me"))
        .add(AW::compressed("docs\\big.txt", QByteArray(100000, 'b')))
        .add(AW::stored("maps\\level1\\a.bin", randomBytes(3000)))
        .add(AW::compressed("maps\\level1\\b.bin", randomBytes(3000)))
        .add(AW::stored("empty.dat", {}))
        .add(AW::folder("maps\\level2\\"))
        .add(AW::stored("caf\xe9\\men\xfc.txt", "menu"))
        .add(AW::raw("other", 3, "skipped"))
        .add(AW::stored("docs\\readme.txt", "read me again"));
    Fixture f(aw.build());

    QFile file(f.archive);
    QVERIFY(file.open(QIODevice::ReadOnly));
    DirectoryReader reader;
    QVERIFY(reader.read(&file));
    file.close();
    const EntryTable &table = reader.table();
    QCOMPARE(table.filledRows(), 10);
    int fileEntries = 0;
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        const EntryRecord e = table.at(row);
        switch (e.entryType) {
        case FolderEntry:
            QVERIFY(f.writer->writeFolderEntry(e.name));
            break;
        case StoredEntry:
            ++fileEntries;
            QVERIFY(f.writer->writeStoredEntry(e.offset, e.unpackedSize, e.name));
            break;
        case CompressedEntry:
            ++fileEntries;
            QVERIFY(f.writer->writeCompressedEntry(e.offset, e.packedSize, e.unpackedSize, e.name));
            break;
        }
    }
    QCOMPARE(f.reporter.messages, QStringList {});
    QVERIFY(fileEntries > 0);
    QCOMPARE(f.fs.archiveOpens, fileEntries); // opened for each file entry, never kept open
    QCOMPARE(tree(f.out),
             QStringList({ utf8("caf\xc3\xa9/"), utf8("caf\xc3\xa9/men\xc3\xbc.txt"), "docs/",
                           "docs/big.txt", "docs/readme.txt", "empty.dat", "maps/", "maps/level1/",
                           "maps/level1/a.bin", "maps/level1/b.bin", "maps/level2/" }));
    for (const AW::Entry &e : aw.entries()) {
        if (e.type == 1 || e.type == 2) {
            const QString path = f.path(name(e.name));
            if (e.name == "docs\\readme.txt")
                QCOMPARE(readFile(path), QByteArray("read me again"));
            else
                QCOMPARE(readFile(path), e.content);
        }
    }
}

QTEST_APPLESS_MAIN(tst_EntryWriter)
#include "tst_entrywriter.moc"
