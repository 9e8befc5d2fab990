#include "support/ArchiveWriter.h"
#include "support/CommandRun.h"
#include "support/FileTree.h"
#include "support/Files.h"
#include "support/SampleArchive.h"

#include <QProcess>

#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

using W = ArchiveWriter;

// One compressed entry of 1 GiB of zeros, deflated piece by piece: writing it takes long
// enough to watch it, or to stop it halfway. Made once.
QByteArray zeros()
{
    static const QByteArray archive = [] {
        constexpr qint64 kSize = qint64(1) << 30;
        QByteArray stream(1 << 20, Qt::Uninitialized);
        const QByteArray zeros(1 << 20, '\0');
        z_stream z {};
        deflateInit(&z, Z_BEST_SPEED);
        for (qint64 left = kSize; left >= 0; left -= zeros.size()) {
            z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.constData()));
            z.avail_in = left > 0 ? uInt(zeros.size()) : 0;
            z.next_out = reinterpret_cast<Bytef *>(stream.data() + z.total_out);
            z.avail_out = uInt(stream.size() - qsizetype(z.total_out));
            deflate(&z, left > 0 ? Z_NO_FLUSH : Z_FINISH);
        }
        stream.truncate(qsizetype(z.total_out));
        deflateEnd(&z);
        return W().add(W::raw("zeros.bin", 2, stream).withUnpackedSize(qint32(kSize))).build();
    }();
    return archive;
}

} // namespace

class tst_Quillon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void command_data();
    void command();
    void extractIntoTheCurrentFolder();
    void pathsKeepTheirBytes();
    void shell_data();
    void shell();
    void stoppedExtraction_data();
    void stoppedExtraction();
    void unwritableOutput_data();
    void unwritableOutput();
    void usage_data();
    void usage();

private:
    QTemporaryDir m_dir;
};

void tst_Quillon::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral(QUILLON_CLI)).isExecutable());
    // Opening a FIFO for reading waits for a writer: an archive never is one.
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath(QStringLiteral("fifo.dat"))), 0644), 0);
}

void tst_Quillon::command_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QStringList>("err");
    QTest::addColumn<QStringList>("tree"); // of the output folder afterwards
    QTest::addColumn<QStringList>("before"); // made in the output folder first (FileTree::make)

    const QByteArray all = everyKind();
    const QStringList none;
    const QByteArray names = "d\nd/s.bin\nd/e/c.txt\nskip\n";

    QTest::newRow("list") << all << QStringList { "list", "%A" } << 0 << names << none << none
                          << none;
    QTest::newRow("list, names in UTF-8 with controls escaped")
        << W().add(W::stored("caf\xe9\n\t\r\x01\x7f\x81.txt", "x")).build()
        << QStringList { "list", "%A" } << 0
        << QByteArray("caf\xc3\xa9\\n\\t\\r\\x01\\x7f\\x81.txt\n") << none << none << none;
    QTest::newRow("list -0") << all << QStringList { "list", "-0", "%A" } << 0
                             << QByteArray("d\0d/s.bin\0d/e/c.txt\0skip\0", 25) << none << none
                             << none;
    QTest::newRow("list --long") << all << QStringList { "list", "--long", "%A" } << 0
                                 << QByteArray(
                                        "type        size      packed      offset  name\n"
                                        "dir            0           -           0  d\n"
                                        "file           6           -           0  d/s.bin\n"
                                        "zlib          10          18           6  d/e/c.txt\n"
                                        "7              0           -          24  skip\n"
                                        "4 entries, 16 bytes\n")
                                 << none << none << none;
    QTest::newRow("list -l adds up the size column, every row")
        << W().add(W::stored("a", "abc")).add(W::raw("b", 7, "xy").withUnpackedSize(-5)).build()
        << QStringList { "list", "-l", "%A" } << 0
        << QByteArray("type        size      packed      offset  name\n"
                      "file           3           -           0  a\n"
                      "7             -5           -           3  b\n"
                      "2 entries, -2 bytes\n")
        << none << none << none;
    QTest::newRow("list -l, a count of one more than the records is no news")
        << W().add(W::folder("d")).setCountConvention(W::Count::RecordsPlusOne).build()
        << QStringList { "list", "-l", "%A" } << 0
        << QByteArray("type        size      packed      offset  name\n"
                      "dir            0           -           0  d\n"
                      "1 entry, 0 bytes\n")
        << none << none << none;
    QTest::newRow("list -l, a directory holding more than it counts, said beside the listing")
        << W().add(W::stored("a", "x")).add(W::stored("b", "y")).overrideCount(1).build()
        << QStringList { "list", "-l", "%A" } << 0
        << QByteArray("type        size      packed      offset  name\n"
                      "file           1           -           0  a\n"
                      "1 entry, 1 byte\n")
        << QStringList { "quillon: %A: the directory counts 1 entry but holds more: 26 bytes "
                         "after its last record not read" }
        << none << none;
    QTest::newRow("list, patterns: a folder, wildcards, '\\' for '/', one unmatched")
        << all << QStringList { "list", "%A", "d\\e", "*.bin", "s?ip", "nothing" } << 1
        << QByteArray("d/s.bin\nd/e/c.txt\nskip\n")
        << QStringList { "quillon: %A: nothing: not found in archive" } << none << none;
    QTest::newRow("list -T, exact names and --no-wildcards")
        << W().add(W::stored("br[a].txt", "x")).add(W::stored("bra.txt", "x")).build()
        << QStringList { "list", "--no-wildcards", "-T", "%D/names", "%A", "b*" } << 1
        << QByteArray("br[a].txt\n")
        << QStringList { "quillon: %A: b*: not found in archive",
                         "quillon: %A: nothing: not found in archive" }
        << QStringList { "names" } << QStringList { "names=br[a].txt\n\nnothing" };
    QTest::newRow("list -T, a name holding a NUL is one name, never an entry's")
        << W().add(W::stored("a", "x")).build() << QStringList { "list", "-T", "%D/names", "%A" }
        << 1 << QByteArray() << QStringList { "quillon: %A: a\\x00b: not found in archive" }
        << QStringList { "names" } << QStringList { "names=a" + QString(QChar(0)) + "b" };
    W many; // matched on several threads: each finds its share, in order
    for (int i = 0; i < 120000; ++i)
        many.add(W::stored("f" + QByteArray::number(i), {}));
    QTest::newRow("list, patterns over 120,000 entries")
        << many.add(W::stored("last.txt", "x")).build()
        << QStringList { "list", "%A", "f11999?", "*.txt", "nothing", "f0" } << 1
        << QByteArray("f0\nf119990\nf119991\nf119992\nf119993\nf119994\nf119995\nf119996\nf119997\n"
                      "f119998\nf119999\nlast.txt\n")
        << QStringList { "quillon: %A: nothing: not found in archive" } << none << none;
    QTest::newRow("list, a pattern over a name thousands of folders deep")
        << W().add(W::stored("textures\\a\\b.png", "x"))
               .add(W::stored("textures\\q\\w.png\\" + QByteArray("d\\").repeated(4000) + "x", "x"))
               .build()
        << QStringList { "list", "%A", "textures/*/*.png" } << 0
        << "textures/a/b.png\ntextures/q/w.png/" + QByteArray("d/").repeated(4000) + "x\n"
        << none << none << none;
    QTest::newRow("list, a bracket holding one separator holds both")
        << W().add(W::stored("d\\x", "x"))
               .add(W::stored("d/x", "x"))
               .add(W::stored("dax", "x"))
               .build()
        << QStringList { "list", "%A", "d[!A-z]x" } << 1 << QByteArray()
        << QStringList { "quillon: %A: d[!A-z]x: not found in archive" } << none << none;
    QTest::newRow("list, unreadable") << QByteArray("xy") << QStringList { "list", "%A" } << 2
                                      << QByteArray() << QStringList { "*" } << none << none;

    const QStringList allFiles { "d/", "d/e/", "d/e/c.txt", "d/s.bin" };
    QTest::newRow("extract, silent") << all << QStringList { "extract", "-C", "%D", "%A", "d" } << 0
                                     << QByteArray() << none << allFiles << none;
    QTest::newRow("extract --verbose, a pattern")
        << all << QStringList { "extract", "--directory=%D", "--verbose", "%A", "*.txt" } << 0
        << QByteArray() << QStringList { "x d/e/c.txt" }
        << QStringList { "d/", "d/e/", "d/e/c.txt" } << none;
    QTest::newRow("extract, failing entries")
        << W().add(W::stored("ok.txt", "fine"))
               .add(W::stored("bad.txt", "x").withOffset(1 << 20))
               .add(W::folder("..\\escape"))
               .add(W::raw("seven", 7))
               .add(W::stored("neg.bin", "x").withUnpackedSize(-1))
               .add(W::compressed("short.txt", "twelve bytes").withUnpackedSize(500))
               .add(W::stored("\\\\lead.txt", "L"))
               .build()
        << QStringList { "extract", "-v", "-C", "%D", "%A" } << 1 << QByteArray()
        << QStringList { "x ok.txt",
                         "quillon: %A: bad.txt: data past the end of the archive",
                         "quillon: %A: ../escape: name leads outside the destination",
                         "quillon: %A: seven: entry type 7 is not one this program can write",
                         "quillon: %A: neg.bin: negative size in the directory",
                         "quillon: %A: short.txt: inflates to 12 bytes, the directory says 500",
                         "quillon: removing leading '/' from entry names",
                         "x lead.txt",
                         "quillon: %A: 5 of 7 entries failed" }
        << QStringList { "lead.txt", "ok.txt", "short.txt" } << none;
    QTest::newRow("extract, what stands in the way")
        << W().add(W::stored("l\\x.txt", "x"))
               .add(W::compressed("f\\y.txt", "y"))
               .add(W::stored("d", "z"))
               .build()
        << QStringList { "extract", "-C", "%D", "%A" } << 1 << QByteArray()
        << QStringList { "quillon: %A: l/x.txt: a symbolic link is in the way",
                         "quillon: %A: f/y.txt: a file is in the way",
                         "quillon: %A: d: a folder is in the way",
                         "quillon: %A: 3 of 3 entries failed" }
        << QStringList { "d/", "f", "l" } << QStringList { "l->/tmp", "f=file", "d/" };
    QTest::newRow("extract -k -v keeps what is there, and names only what it wrote")
        << all << QStringList { "extract", "-k", "-v", "-C", "%D", "%A", "d" } << 0 << QByteArray()
        << QStringList { "x d" } << allFiles
        << QStringList { "d/s.bin=old", "d/e/c.txt->../s.bin" };
    QTest::newRow("extract --keep-old-files, a folder in the way")
        << all << QStringList { "extract", "--keep-old-files", "-C", "%D", "%A", "d" } << 1
        << QByteArray()
        << QStringList { "quillon: %A: d/s.bin: a folder is in the way",
                         "quillon: %A: 1 of 3 entries failed" }
        << QStringList { "d/", "d/e/", "d/e/c.txt", "d/s.bin/" } << QStringList { "d/s.bin/" };
    // Read through the descriptor opened first: replacing the link it was named by is harmless.
    QTest::newRow("extract, an entry replaces the link the archive was named by")
        << W().add(W::stored("x.dat", "replaced")).add(W::stored("later.txt", "later")).build()
        << QStringList { "extract", "-C", "%D", "%D/x.dat" } << 0 << QByteArray() << none
        << QStringList { "later.txt", "x.dat" } << QStringList { "x.dat->%A" };
    // Past a file-size limit the entry fails with EFBIG and the others are still written.
    QTest::newRow("extract under a file-size limit")
        << W().add(W::stored("big.bin", QByteArray(4096, 'b')))
               .add(W::stored("ok.txt", "ok"))
               .build()
        << QStringList { "ulimit -f 1", "extract", "-C", "%D", "%A" } << 1 << QByteArray()
        << QStringList { "quillon: %A: big.bin: File too large",
                         "quillon: %A: 1 of 2 entries failed" }
        << QStringList { "ok.txt" } << none;
    QTest::newRow("extract -O") << all << QStringList { "extract", "-O", "-C", "%D", "%A", "d" }
                                << 0 << QByteArray("storedcompressed") << none << none << none;
    QTest::newRow("extract --to-stdout -v, bad entries")
        << W().add(W::stored("past.bin", "x").withOffset(1 << 20))
               .add(W::compressed("bad.txt", "text").withData("not zlib"))
               .add(W::compressed("ok.txt", "text"))
               .build()
        << QStringList { "extract", "--to-stdout", "-v", "%A" } << 1 << QByteArray("text")
        << QStringList { "quillon: %A: past.bin: data past the end of the archive",
                         "quillon: %A: bad.txt: corrupt compressed data", "x ok.txt",
                         "quillon: %A: 2 of 3 entries failed" }
        << none << none;
    QTest::newRow("test -v, a type it cannot write")
        << all << QStringList { "test", "-v", "%A" } << 1
        << QByteArray("ok d\nok d/s.bin\nok d/e/c.txt\n")
        << QStringList { "quillon: %A: skip: entry type 7 is not one this program can write",
                         "quillon: %A: 1 of 4 entries failed" }
        << none << none;
    QTest::newRow("test, bad entries")
        << W().add(W::compressed("big.txt", QByteArray(100, 't')).withUnpackedSize(1))
               .add(W::compressed("empty.txt", {}))
               .add(W::stored("ok.txt", "x"))
               .add(W::compressed("short.txt", "x").withUnpackedSize(2))
               .build()
        << QStringList { "test", "%A", "*.txt", "nothing" } << 1 << QByteArray()
        << QStringList { "quillon: %A: big.txt: inflates to more than its stated size",
                         "quillon: %A: empty.txt: inflates to no data",
                         "quillon: %A: short.txt: inflates to 1 byte, the directory says 2",
                         "quillon: %A: nothing: not found in archive",
                         "quillon: %A: 3 of 4 entries failed" }
        << none << none;

    // create: bytes is the archive written, byte for byte ("old": the one there is kept).
    const QByteArray text(100, 't');
    const QString t = QString::fromLatin1(text);
    QTest::newRow("create -v: names sorted bytewise, folders first, stored unless deflating helps")
        << W().add(W::stored("a b.bin", "ab"))
               .add(W::compressed("b.txt", text))
               .add(W::folder("d"))
               .add(W::stored("d-x", ""))
               .add(W::folder("d\\e"))
               .add(W::stored("d\\\xe9.txt", "\xc3\xa9"))
               .setCountConvention(W::Count::RecordsPlusOne)
               .build()
        << QStringList { "create", "-v", "-C", "%D", "%A" } << 0 << QByteArray()
        << QStringList { "a a b.bin", "a b.txt", "a d", "a d-x", "a d/e", "a d/\u00e9.txt" }
        << QStringList { "a b.bin", "b.txt", "d-x", "d/", "d/e/", "d/\u00e9.txt" }
        << QStringList { "b.txt=" + t, "a b.bin=ab", "d-x=", "d/e/", "d/\u00e9.txt=\u00e9" };
    const QByteArray picked = W().add(W::folder("d"))
                                  .add(W::folder("d\\e"))
                                  .add(W::stored("d\\e\\f.txt", text))
                                  .add(W::stored("h.txt", "h"))
                                  .setCountConvention(W::Count::RecordsPlusOne)
                                  .build();
    QTest::newRow("create -0: PATHs with their folders, each once")
        << picked
        << QStringList { "create", "-0", "-C", "%D", "%A", "h.txt", "d/e/f.txt", "./d//e/" } << 0
        << QByteArray() << none << QStringList { "d/", "d/e/", "d/e/f.txt", "d/g.txt", "h.txt" }
        << QStringList { "d/e/f.txt=" + t, "d/g.txt=g", "h.txt=h" };
    QTest::newRow("create -T: PATHs NUL-ended with --null, where -0 stores")
        << picked << QStringList { "create", "-0", "--null", "-T", "%D/names", "-C", "%D", "%A" }
        << 0 << QByteArray() << none << QStringList { "d/", "d/e/", "d/e/f.txt", "h.txt", "names" }
        << QStringList { "d/e/f.txt=" + t, "h.txt=h",
                         QString::fromLatin1("names=h.txt\0\0d/e\0", 17) };
    QTest::newRow("create: what is never added, this program's temporary files without a word")
        << W().add(W::stored("ok.txt", "ok")).setCountConvention(W::Count::RecordsPlusOne).build()
        << QStringList { "create", "-C", "%D", "%A", ".", "../x", "/etc", "big" } << 1
        << QByteArray()
        << QStringList { "quillon: a\\b: name holds a \"\\\", which would split it, not added",
                         "quillon: c\\x01: name holds a control character, not added",
                         "quillon: l: symbolic link, not added",
                         "quillon: p: FIFO, not added",
                         "quillon: \u0101: name holds a character outside Windows-1252, not added",
                         "quillon: ../x: \"..\" leads outside the folder, not added",
                         "quillon: /etc: absolute path, not added",
                         "quillon: big: file of 2 GiB or more, not added" }
        << QStringList { ".quillon-0123456789", "a\\b", "big", "c\x01", "l", "ok.txt", "p", "\u0101" }
        << QStringList { "ok.txt=ok",
                         "l->ok.txt",
                         "p|",
                         "a\\b=x",
                         "c\x01=x",
                         "\u0101=x",
                         "big#2147483648",
                         ".quillon-0123456789=x" };
    QTest::newRow("create: a PATH that is not there writes nothing")
        << QByteArray("old") << QStringList { "create", "-C", "%D", "%A", "ok.txt", "tyop" } << 2
        << QByteArray() << QStringList { "quillon: tyop: No such file or directory" }
        << QStringList { "ok.txt" } << QStringList { "ok.txt=ok" };
    QTest::newRow("create: every file left out writes nothing")
        << QByteArray("old") << QStringList { "create", "-C", "/proc/sys/kernel", "%A", "ostype" }
        << 2 << QByteArray()
        << QStringList { "quillon: ostype: changed size while being read, not added",
                         "quillon: %A: no file or folder to add, not written" }
        << none << none;
    QTest::newRow("create --exclude: by stored name, a folder with all below it")
        << W().add(W::folder("d"))
               .add(W::stored("d\\b.bin", "b"))
               .add(W::stored("keep", "k"))
               .setCountConvention(W::Count::RecordsPlusOne)
               .build()
        << QStringList { "create", "-C", "%D", "--exclude", "d/*.txt", "--exclude", "skip", "%A" }
        << 0 << QByteArray() << none
        << QStringList { "d/", "d/a.txt", "d/b.bin", "keep", "skip/", "skip/x" }
        << QStringList { "d/a.txt=a", "d/b.bin=b", "skip/x=x", "keep=k" };
    QTest::newRow("create -: the archive on standard output, no file named '-'")
        << QByteArray("old") << QStringList { "create", "-C", "%D", "-" } << 0
        << W().add(W::stored("b.txt", "B")).setCountConvention(W::Count::RecordsPlusOne).build()
        << none << QStringList { "b.txt" } << QStringList { "b.txt=B" };
    QTest::newRow("create: a link where the archive goes stays")
        << QByteArray("old") << QStringList { "create", "-C", "%D", "%D/l" } << 2 << QByteArray()
        << QStringList { "quillon: %D/l: symbolic link, not replaced" } << QStringList { "l" }
        << QStringList { "l->x.dat" };
    QTest::newRow("create: past 2 GiB nothing is written")
        << QByteArray("old") << QStringList { "create", "-C", "%D", "%A" } << 2 << QByteArray()
        << QStringList { "quillon: %A: the archive would pass 2 GiB, the most it can hold" }
        << QStringList { "big" } << QStringList { "big#2147483620" };
}

void tst_Quillon::command()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QStringList, err);
    QFETCH(QStringList, tree);
    QFETCH(QStringList, before);

    // create makes the archive: bytes is what it must write, over an old one.
    const bool create = arguments.first() == QLatin1String("create");
    const QString path = m_dir.filePath(QStringLiteral("x.dat"));
    QVERIFY(writeFile(path, create ? QByteArray("old") : bytes));
    QTemporaryDir dir;
    QVERIFY(FileTree::make(dir.path(), filled(before, path, dir.path())));
    QProcess process;
    process.setWorkingDirectory(dir.path());
    if (arguments.first() == QLatin1String("ulimit -f 1")) {
        arguments.removeFirst();
        process.setChildProcessModifier([] {
            const struct rlimit limit = { 1024, 1024 };
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    process.start(QStringLiteral(QUILLON_CLI), filled(arguments, path, dir.path()));
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    QCOMPARE(process.readAllStandardOutput(), out);
    QStringList errLines = QString::fromUtf8(process.readAllStandardError()).split(u'\n');
    errLines.removeLast();
    if (err == QStringList { "*" }) // one line, whatever it says
        QCOMPARE(errLines.size(), 1);
    else
        QCOMPARE(errLines, filled(err, path, dir.path()));
    QCOMPARE(FileTree::list(dir.path()), tree);
    for (const QString &item : std::as_const(before)) // -k, or a failed entry, keeps them
        if (item.contains(u'=') && !item.contains(QLatin1String("->")))
            QCOMPARE(readFile(dir.filePath(item.section(u'=', 0, 0))),
                     item.section(u'=', 1).toUtf8());
    if (create)
        QCOMPARE(readFile(path), bytes);
    if (tree.contains(QStringLiteral("d/e/c.txt")) && before.isEmpty())
        QCOMPARE(readFile(dir.filePath(QStringLiteral("d/e/c.txt"))), QByteArray("compressed"));
}

void tst_Quillon::extractIntoTheCurrentFolder()
{
    const QString a = m_dir.filePath(QStringLiteral("one.dat"));
    QVERIFY(W().add(W::compressed("b.txt", "B")).writeTo(a));
    QTemporaryDir out;
    const Run run = quillon({ QStringLiteral("extract"), a }, out.path());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QStringList());
    QCOMPARE(FileTree::list(out.path()), QStringList { "b.txt" });
    QCOMPARE(readFile(out.filePath(QStringLiteral("b.txt"))), QByteArray("B"));
}

void tst_Quillon::pathsKeepTheirBytes()
{
    // "d\xff" and what a lossy decoding makes of it, "d" U+FFFD, are two folders.
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    QCOMPARE(::mkdir(QByteArray(root + "/d\xff").constData(), 0777), 0);
    QCOMPARE(::mkdir(QByteArray(root + "/d\xef\xbf\xbd").constData(), 0777), 0);
    const QByteArray bytes = W().add(W::stored("b.txt", "B")).build();
    const int fd = ::open(QByteArray(root + "/a\xfe.dat").constData(), O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size());
    ::close(fd);

    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(
        QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"),
          QStringLiteral("\"$0\" extract -C \"$(printf 'd\\377')\" "
                         "\"$(printf 'a\\376.dat')\" && exec \"$0\" list a\"$(printf '\\376')\""),
          QStringLiteral(QUILLON_CLI) });
    QVERIFY(process.waitForFinished(60000));
    // and a message shows them escaped
    QCOMPARE(process.readAllStandardError(), "quillon: a\\xfe: No such file or directory\n");
    QCOMPARE(process.exitCode(), 2);
    struct stat st;
    QCOMPARE(::stat(QByteArray(root + "/d\xff/b.txt").constData(), &st), 0);
    QVERIFY(::stat(QByteArray(root + "/d\xef\xbf\xbd/b.txt").constData(), &st) != 0);
    // Names Qt cannot spell are removed here.
    ::unlink(QByteArray(root + "/d\xff/b.txt").constData());
    ::rmdir(QByteArray(root + "/d\xff").constData());
    ::unlink(QByteArray(root + "/a\xfe.dat").constData());
}

void tst_Quillon::shell_data()
{
    QTest::addColumn<QByteArray>("bytes"); // of x.dat in the working folder
    QTest::addColumn<QString>("script"); // for bash; $Q is quillon, $C its completion
    QTest::addColumn<QByteArray>("out");

    const QByteArray odd = W().add(W::stored("br[a].txt", "1"))
                               .add(W::stored("d\\t\tab\x01", "2"))
                               .add(W::compressed("d\\*?", "3"))
                               .build();
    const QByteArray big = W().add(W::stored("big", QByteArray(1 << 20, 'x'))).build();
    QTest::newRow("list -0 names round-trip through -T")
        << odd << "\"$Q\" list -0 x.dat | \"$Q\" extract --null -T - -v x.dat 2>&1; echo $?"
        << QByteArray("x br[a].txt\nx d/t\\tab\\x01\nx d/*?\n0\n");
    QTest::newRow("a closed pipe ends it as it ends cat")
        << big << "\"$Q\" extract -O x.dat 2>err | head -c 1; echo \" ${PIPESTATUS[0]}\"; cat err"
        << QByteArray("x 141\n");
    QTest::newRow("an ARCHIVE of -: from a pipe, and from a file redirected")
        << odd
        << "mkdir out; cat x.dat | \"$Q\" extract -v -C out - 2>&1; \"$Q\" list - <x.dat; echo $?"
        << QByteArray("x br[a].txt\nx d/t\\tab\\x01\nx d/*?\nbr[a].txt\nd/t\\tab\\x01\nd/*?\n0\n");
    const QString complete
        = QStringLiteral(". \"$C\"; quillon() { \"$Q\" \"$@\"; }; c() { "
                         "COMP_WORDS=(quillon \"$@\"); COMP_CWORD=$#; _quillon "
                         "quillon; printf '%s\\n' \"${COMPREPLY[@]}\" | sort; }; ");
    QTest::newRow("completion of entry names, folder by folder, each folder once")
        << W().add(W::folder("d"))
               .add(W::stored("br[a].txt", "1"))
               .add(W::stored("d\\t\tab\x01", "2"))
               .add(W::compressed("d\\*?", "3"))
               .build()
        << complete + "c extract -C out x.dat ''; c extract x.dat d/"
        << QByteArray("br\\[a\\].txt\nd/\n$'d/t\\tab\\001'\nd/\\*\\?\n");
    QTest::newRow("completion after create's archive: files and folders, not its entries")
        << odd << "mkdir data; : >notes.txt; " + complete + "c create -j 2 x.dat ''"
        << QByteArray("data\nnotes.txt\nx.dat\n");
    QTest::newRow("progress on a terminal, cleared at the end")
        << big
        << "script -qec '\"$Q\" test x.dat' /dev/null >tty; tr '\\r' '\\n' <tty | sed -n 2p; "
           "tail -c 1 tty | tr '\\r' R"
        << QByteArray("0 of 1 entry, 0 bytes of 1.0 MiB  big\nR");
    QTest::newRow("create's progress on a terminal, cleared at the end")
        << big
        << "head -c 1048576 /dev/zero >big; script -qec '\"$Q\" create y.dat big' /dev/null >tty; "
           "tr '\\r' '\\n' <tty | sed -n 2p; tail -c 1 tty | tr '\\r' R"
        << QByteArray("0 of 1 entry, 0 bytes of 1.0 MiB  big\nR");
    QTest::newRow("create - to a terminal writes nothing")
        << big << "script -qec '\"$Q\" create -' /dev/null | tr -d '\\r'; echo ${PIPESTATUS[0]}"
        << QByteArray("quillon: standard output: a terminal, no archive written to it\n2\n");
    // Stopped after a second, well inside the entry: the bytes moved while it inflated.
    QTest::newRow("progress on a terminal inside an entry inflating in pieces")
        << zeros()
        << "script -qec 'timeout -s INT 1 \"$Q\" extract x.dat' /dev/null | tr '\\r' '\\n' | "
           "grep -cE '^0 of 1 entry, [1-9][0-9.]* [KM]iB of 1.0 GiB  zeros.bin' | sed "
           "'s/^[1-9].*/moved/'"
        << QByteArray("moved\n");
}

void tst_Quillon::shell()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, script);
    QFETCH(QByteArray, out);

    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("x.dat")), bytes));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("Q"), QStringLiteral(QUILLON_CLI));
    environment.insert(QStringLiteral("C"), QStringLiteral(QUILLON_COMPLETION));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral("bash"), { QStringLiteral("-c"), script });
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.readAllStandardOutput(), out);
}

void tst_Quillon::stoppedExtraction_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("loop"); // in a shell's loop, both stopped as Ctrl+C stops them
    // extract, or create or update an archive (with an entry to replace) from 1 GiB of zeros
    QTest::addColumn<QString>("command");
    QTest::newRow("SIGTERM, new file") << int(SIGTERM) << false << false << "extract";
    QTest::newRow("SIGINT, replacing a file") << int(SIGINT) << true << false << "extract";
    QTest::newRow("SIGHUP, new file") << int(SIGHUP) << false << false << "extract";
    QTest::newRow("SIGQUIT, new file") << int(SIGQUIT) << false << false << "extract";
    QTest::newRow("SIGINT, the loop ends too") << int(SIGINT) << false << true << "extract";
    QTest::newRow("SIGINT, create over an archive") << int(SIGINT) << true << false << "create";
    QTest::newRow("SIGTERM, update of an archive") << int(SIGTERM) << true << false << "update";
    QTest::newRow("SIGKILL, create: the archive had no name yet")
        << int(SIGKILL) << true << false << "create";
}

void tst_Quillon::stoppedExtraction()
{
    QFETCH(int, signal);
    QFETCH(bool, existing);
    QFETCH(bool, loop);
    QFETCH(QString, command);
    const bool create = command != QLatin1String("extract");

    constexpr qint64 kSize = qint64(1) << 30;
    const QString path = m_dir.filePath(QStringLiteral("zeros.dat"));
    QVERIFY(QFileInfo::exists(path) || writeFile(path, zeros()));

    QTemporaryDir dir;
    const QByteArray old = command == QLatin1String("update")
        ? W().add(W::compressed("zeros.bin", "old")).build()
        : QByteArray("old");
    if (existing)
        QVERIFY(writeFile(dir.filePath(QStringLiteral("zeros.bin")), old));
    const QStringList before = FileTree::list(dir.path());
    const QString in = m_dir.filePath(QStringLiteral("in"));
    QVERIFY(!create || FileTree::make(in, { QStringLiteral("zeros.bin#%1").arg(kSize) }));
    QProcess process;
    // A process group of its own, as a terminal's job has; no core file for SIGQUIT.
    process.setChildProcessModifier([] {
        const rlimit none {};
        ::setrlimit(RLIMIT_CORE, &none);
        ::setpgid(0, 0);
    });
    const QStringList arguments { command, "-C", create ? in : dir.path(),
                                  create ? dir.filePath(QStringLiteral("zeros.bin")) : path };
    if (loop)
        process.start(
            "bash",
            QStringList { "-c", "for i in 1 2; do \"$0\" \"$@\"; done; echo went on", QUILLON_CLI }
                + arguments);
    else
        process.start(QUILLON_CLI, arguments);
    QVERIFY(process.waitForStarted());
    // Stopped once the file being written shows up: create's, which has no name, among the
    // process's open files.
    const auto writing = [&] {
        if (!create)
            return FileTree::list(dir.path()) != before;
        const QByteArray inside = QFile::encodeName(dir.path()) + '/';
        char target[4096];
        for (int fd = 0; fd < 64; ++fd) {
            const QByteArray link = "/proc/" + QByteArray::number(process.processId()) + "/fd/"
                + QByteArray::number(fd);
            const ssize_t n = ::readlink(link.constData(), target, sizeof target);
            // The archive an update reads is not the one it writes.
            if (n > 0 && QByteArray(target, n).startsWith(inside)
                && QByteArray(target, n) != inside + "zeros.bin")
                return true;
        }
        return false;
    };
    for (int i = 0; i < 10000 && !writing(); ++i)
        QThread::usleep(500);
    QVERIFY(writing());
    QCOMPARE(::kill(-pid_t(process.processId()), signal), 0);
    QVERIFY(process.waitForFinished(60000));
    // Ended by the signal itself, so that a shell around it stops as well.
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QCOMPARE(process.exitCode(), signal);
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    QCOMPARE(FileTree::list(dir.path()), before);
    if (existing)
        QCOMPARE(readFile(dir.filePath(QStringLiteral("zeros.bin"))), old);
}

void tst_Quillon::unwritableOutput_data()
{
    QTest::addColumn<QStringList>("arguments"); // "%F": a folder of 64 KiB, not standard output
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err"); // a regular expression for standard error
    const QString full = QStringLiteral("No space left on device\n$");
    QTest::newRow("list") << QStringList { "list" } << 2 << full;
    QTest::newRow("list -l") << QStringList { "list", "-l" } << 2 << full;
    QTest::newRow("extract -O") << QStringList { "extract", "-O" } << 2 << full;
    QTest::newRow("test -v") << QStringList { "test", "-v" } << 2 << full;
    // One line for the entry that found no space, not one for each after it.
    QTest::newRow("extract, a full disk stops it")
        << QStringList { "extract", "-C", "%F" } << 1
        << "^quillon: \\S+: f\\d+: No space left on device\n"
           "quillon: \\S+: \\d+ of 20 entries not written: no space left\n$";
}

void tst_Quillon::unwritableOutput()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, err);
    const QString path = m_dir.filePath(QStringLiteral("full.dat"));
    QProcess process;
    const QString folder = m_dir.filePath(QStringLiteral("full"));
    if (arguments.contains(QStringLiteral("%F"))) {
        // A small file system of its own, mounted where only this command sees it.
        QVERIFY(QDir().mkpath(folder));
        if (QProcess::execute("unshare", { "-rm", "mount", "-t", "tmpfs", "none", folder }) != 0)
            QSKIP("no mount namespace to make a full disk in");
        W files;
        for (int i = 0; i < 20; ++i)
            files.add(W::stored("f" + QByteArray::number(i), QByteArray(8192, 'f')));
        QVERIFY(writeFile(path, files.build()));
        arguments.replaceInStrings(QStringLiteral("%F"), folder);
        process.start("unshare",
                      QStringList { "-rm", "sh", "-c",
                                    "mount -t tmpfs -o size=64k none \"$1\" && shift "
                                    "&& exec \"$@\"",
                                    "sh", folder, QUILLON_CLI }
                              + arguments
                          << path);
    } else {
        if (!QFileInfo::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full");
        QVERIFY(writeFile(path, everyKind()));
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(QStringLiteral(QUILLON_CLI), arguments << path);
    }
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), status);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(QRegularExpression(err).match(errors).hasMatch(), qPrintable(errors));
}

void tst_Quillon::usage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("firstOut"); // or, for a failure, stderr's lines joined by "|"

    QTest::newRow("version") << QStringList { "--version" } << 0 << "Quillon " QUILLON_VERSION;
    QTest::newRow("help") << QStringList { "--help" } << 0 << "Usage: quillon list    ";
    QTest::newRow("help command") << QStringList { "help" } << 0 << "Usage: quillon list    ";
    QTest::newRow("extract --help: its help alone")
        << QStringList { "extract", "--help" } << 0 << "Usage: quillon extract [-C DIR]";
    QTest::newRow("help create: its help alone")
        << QStringList { "help", "create" } << 0 << "Usage: quillon create [-C DIR]";
    QTest::newRow("help of no command") << QStringList { "help", "frobnicate" } << 2 << QString();
    QTest::newRow("-10 is no level")
        << QStringList { "create", "-10", "/nonexistent/x.dat" } << 2
        << "quillon: unknown option '-10' (a level is one digit, -0 to -9)|Try 'quillon --help'.";
    QTest::newRow("create --null without -T, which once stored")
        << QStringList { "create", "--null", "/nonexistent/x.dat" } << 2 << QString();
    QTest::newRow("-T - and the archive - both standard input")
        << QStringList { "list", "-T", "-", "-" } << 2 << QString();
    QTest::newRow("-T, a name longer than an archive holds")
        << QStringList { "list", "-T", "/dev/zero", "x.dat" } << 2
        << "quillon: /dev/zero: a name longer than 32,767 characters, more than an archive can "
           "hold";
    QTest::newRow("-v is --verbose, not --version") << QStringList { "-v" } << 2 << QString();
    QTest::newRow("--help-all") << QStringList { "--help-all" } << 2 << QString();
    QTest::newRow("an option of another command")
        << QStringList { "list", "-C", "/tmp", "x.dat" } << 2 << QString();
    QTest::newRow("-l with -0") << QStringList { "list", "-l0", "x.dat" } << 2 << QString();
    QTest::newRow("no command") << QStringList {} << 2 << QString();
    QTest::newRow("unknown command") << QStringList { "frobnicate" } << 2 << QString();
    QTest::newRow("bad option") << QStringList { "--bogus", "list", "x.dat" } << 2
                                << "quillon: unknown option '--bogus'|Try 'quillon --help'.";
    QTest::newRow("list without file") << QStringList { "list" } << 2 << QString();
    QTest::newRow("a bracket that means nothing, before the folder and archive are opened")
        << QStringList { "extract", "-C", "/nonexistent/dir", "/nonexistent/x.dat",
                         "[[:bo\x1bgus:]]" }
        << 2
        << "quillon: [[:bo\\x1bgus:]]: bad pattern: there is no character class [:bo\\x1bgus:]";
    QTest::newRow("list missing file")
        << QStringList { "list", "/nonexistent/x.dat" } << 2 << QString();
    QTest::newRow("extract without file") << QStringList { "extract" } << 2 << QString();
    QTest::newRow("list a FIFO") << QStringList { "list",
                                                  m_dir.filePath(QStringLiteral("fifo.dat")) }
                                 << 2 << QString();
    QTest::newRow("extract a FIFO")
        << QStringList { "extract", m_dir.filePath(QStringLiteral("fifo.dat")) } << 2 << QString();
    QTest::newRow("extract into a missing folder")
        << QStringList { "extract", "-C", "/nonexistent/dir", "x.dat" } << 2 << QString();
    QTest::newRow("extract into a file")
        << QStringList { "extract", "-C", QUILLON_CLI, "x.dat" } << 2
        << QStringLiteral("quillon: " QUILLON_CLI ": not a folder");
    QTest::newRow("create without archive") << QStringList { "create" } << 2 << QString();
    QTest::newRow("delete without a pattern")
        << QStringList { "delete", "x.dat" } << 2
        << "quillon: delete takes a PATTERN of the entries to remove|Try 'quillon --help'.";
    QTest::newRow("create -j 0") << QStringList { "create", "-j", "0", "x.dat" } << 2 << QString();
    QTest::newRow("a level for list") << QStringList { "list", "-6", "x.dat" } << 2 << QString();
    QTest::newRow("create from a missing folder")
        << QStringList { "create", "-C", "/nonexistent/dir", "/tmp/x.dat" } << 2 << QString();
    QTest::newRow("create in a missing folder")
        << QStringList { "create", "/nonexistent/x.dat" } << 2 << QString();
}

void tst_Quillon::usage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, firstOut);

    const Run run = quillon(arguments);
    QCOMPARE(run.status, status);
    if (status == 0) {
        QVERIFY2(!run.out.isEmpty() && run.out.first().startsWith(firstOut),
                 qPrintable(run.out.join(u'|')));
        // Nothing of the build machine shows.
        QVERIFY(!run.out.join(u'\n').contains(QStringLiteral(QUILLON_CLI)));
        // A command's help has its usage line alone; the whole help names each option once.
        const QStringList usages = run.out.filter(QRegularExpression("^(Usage:|      ) quillon"));
        QVERIFY(firstOut.contains(QLatin1String("    ")) ? usages.size() > 1 : usages.size() <= 1);
        QStringList options = run.out.filter(QRegularExpression("^  -"));
        for (QString &option : options)
            option = option.section(u' ', 2, 2).remove(u',');
        QCOMPARE(QSet<QString>(options.begin(), options.end()).size(), options.size());
    } else {
        // One line says what is wrong; a usage error says where to read how it goes.
        QVERIFY(run.err.size() == 1
                || (run.err.size() == 2 && run.err.last() == "Try 'quillon --help'."));
        QVERIFY(run.err.join(u'|').startsWith(firstOut.isEmpty() ? "quillon: " : firstOut));
    }
}

QTEST_GUILESS_MAIN(tst_Quillon)
#include "tst_quillon.moc"
