#include "FuzzTargets.h"
#include "create/ArchiveOutput.h"
#include "create/EntryPacker.h"
#include "create/SourceTree.h"
#include "fs/FileSystem.h"
#include "support/ArchiveWriter.h"
#include "support/CommandRun.h"
#include "support/FaultyFileSystem.h"
#include "support/FileTree.h"
#include "support/Files.h"
#include "support/SampleArchive.h"
#include "ui/ostrel.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using W = ArchiveWriter;

// Writing archives: create's packing read back through the window's export and the command's
// extract, and update and delete, which keep what they do not change as it was.
class tst_Create : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void createRoundTrip_data();
    void createRoundTrip();
    void createdArchiveExportsTheSameTree();
    void edit_data();
    void edit();
    void editRoundTrip_data();
    void editRoundTrip();
    void failedWriteSticks();

private:
    QTemporaryDir m_dir;
};

void tst_Create::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral(QUILLON_CLI)).isExecutable());
}

void tst_Create::edit_data()
{
    QTest::addColumn<QByteArray>("before"); // the archive; null: none
    QTest::addColumn<QStringList>("arguments"); // "ulimit -f 1" first: files of 1 KiB at most
    QTest::addColumn<QStringList>("files"); // made in %D first (FileTree::make)
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("err");
    QTest::addColumn<QByteArray>("after"); // the archive; null: not even written again

    // Laid out as another program might: a head, gaps, data in another order than the records,
    // aux values, an odd terminator, no folder entries, the count one more than the records.
    const QByteArray text = QByteArray("text that deflates well, ").repeated(10);
    const auto foreign = [&](const QByteArray &a, const QByteArray &b) {
        W w;
        w.setLeadingBytes("HEAD").setTrailingBytes("TAIL").setDataOrder({ 2, 0, 1, 3, 4 });
        w.add(W::stored("a.txt", a).withAux(7).withGap("GAP"))
            .add(W::compressed("d\\b.txt", b).withAux(-1).withTerminator('x'))
            .add(W::stored("c.bin", "cccc").withGap("C"));
        return w.setCountConvention(W::Count::RecordsPlusOne);
    };
    const QStringList extracted { "a.txt=alpha", "d/b.txt=" + QString::fromLatin1(text),
                                  "c.bin=cccc" };
    const QStringList update { "update", "-C", "%D", "%A" };
    const QByteArray same; // null
    QTest::newRow("update: nothing differs, nothing is written")
        << foreign("alpha", text).build() << update << extracted << 0 << QStringList() << same;
    QTest::newRow("update -v: entries replaced in place as they were, new ones after them")
        << foreign("alpha", text).build() << QStringList { "update", "-v", "-C", "%D", "%A" }
        << QStringList { "a.txt=ALPHA!", "d/b.txt=B", "c.bin=cccc", "d/e.txt=e", "n/" } << 0
        << QStringList { "r a.txt", "r d/b.txt", "a d/e.txt", "a n" }
        << foreign("ALPHA!", "B").add(W::stored("d\\e.txt", "e")).add(W::folder("n")).build();
    QTest::newRow("update -0: an added file stored as create -0 stores it")
        << W().add(W::stored("a", "a")).build() << QStringList { "update", "-0", "-C", "%D", "%A" }
        << QStringList { "a=a", "n=" + QString(64, u'n') } << 0 << QStringList()
        << W().add(W::stored("a", "a")).add(W::stored("n", QByteArray(64, 'n'))).build();
    // Aligned on 16 bytes; y shares x's bytes, so x's new ones go after them.
    const auto aligned = [](const QByteArray &x, const std::vector<int> &order) {
        return W().setAlignment(16).setDataOrder(order).add(W::stored("x", x));
    };
    QTest::newRow("update: blocks stay aligned, a shared block stays shared")
        << aligned("xx", {}).add(W::stored("y", "xx").sharing(0)).add(W::stored("z", "zz")).build()
        << update << QStringList { "x=" + QString(20, u'x'), "y=xx", "z=zz" } << 0 << QStringList()
        << aligned(QByteArray(20, 'x'), { 1, 0, 2 })
               .add(W::stored("y", "xx"))
               .add(W::stored("z", "zz"))
               .build();
    QTest::newRow("update: what cannot replace an entry is said, and all is kept")
        << W().add(W::folder("f"))
               .add(W::stored("g", "g"))
               .add(W::raw("h", 7, "h"))
               .add(W::stored("l", "l"))
               .add(W::compressed("z", "z"))
               .build()
        << update << QStringList { "f=x", "g/y=y", "h=x", "l->g", "z=" } << 1
        << QStringList { "quillon: l: symbolic link, not added",
                         "quillon: f: the archive has a folder of this name, not added",
                         "quillon: g: the archive has a file of this name, not added",
                         "quillon: h: the archive's entry of this name is of type 7, not replaced",
                         "quillon: z: empty, which a compressed entry cannot hold, not replaced" }
        << same;
    // x's bytes lie in a's tail: they stay where x points, a's new ones go after them.
    QTest::newRow("update: what an entry of another type points at stays")
        << W().add(W::stored("a", "aaaa"))
               .add(W::raw("x", 3, "XXXX"))
               .add(W::stored("b", "bb"))
               .build()
        << update << QStringList { "a=AAAAAA", "b=bb" } << 0 << QStringList()
        << W().setLeadingBytes("aaaa")
               .setDataOrder({ 1, 0, 2 })
               .add(W::stored("a", "AAAAAA"))
               .add(W::raw("x", 3, "XXXX"))
               .add(W::stored("b", "bb"))
               .build();
    QTest::newRow(
        "update: a file stands for the entry extraction wrote it from, the last of a name")
        << W().add(W::stored("\\lead.txt", "L"))
               .add(W::stored("d/./x", "x"))
               .add(W::stored("a", "old"))
               .add(W::stored("a", "new"))
               .add(W::stored("c\x01", "c"))
               .build()
        << update << QStringList { "lead.txt=L", "d/x=x", "a=new", "c\x01=c", "n\x02=n" } << 1
        << QStringList { "quillon: n\\x02: name holds a control character, not added" } << same;
    QTest::newRow("update never makes an archive")
        << QByteArray() << update << QStringList { "a=a" } << 2
        << QStringList { "quillon: %A: No such file or directory" } << same;
    QTest::newRow("update: a link where the archive is stays")
        << QByteArray("old") << QStringList { "update", "-C", "%D", "%D/l" }
        << QStringList { "l->%A" } << 2
        << QStringList { "quillon: %D/l: symbolic link, not replaced" } << same;
    QTest::newRow("update: records that overlap, refused")
        << W().add(W::stored("a", "abcd")).add(W::stored("b", "cd").withOffset(2)).build() << update
        << QStringList() << 2
        << QStringList { "quillon: %A: the data of b overlaps that of a, not changed" } << same;
    QTest::newRow("delete: a record outside the data area, refused")
        << W().add(W::stored("a", "abc")).add(W::stored("b", "bc").withOffset(4)).build()
        << QStringList { "delete", "%A", "a" } << QStringList() << 2
        << QStringList { "quillon: %A: the data of b lies outside the data area, not changed" }
        << same;
    QTest::newRow("update on a full disk: the archive as it was, and nothing beside it")
        << W().add(W::stored("big", QByteArray(4096, 'b'))).add(W::stored("s", "s")).build()
        << QStringList { "ulimit -f 1", "update", "-C", "%D", "%A" } << QStringList { "s=t" } << 2
        << QStringList { "quillon: %A: File too large" } << same;

    QTest::newRow("delete -v: a folder with what it holds; a block another record uses stays")
        << W().add(W::stored("d\\x", "xx"))
               .add(W::folder("d"))
               .add(W::stored("y", "yy").withGap("G"))
               .add(W::stored("z", "xx").sharing(0))
               .build()
        << QStringList { "delete", "-v", "%A", "d" } << QStringList() << 0
        << QStringList { "d d/x", "d d" }
        << W().add(W::stored("y", "yy").withGap("G"))
               .add(W::stored("z", "xx"))
               .setDataOrder({ 1, 0 })
               .build();
    QTest::newRow("delete: a pattern that matches nothing, nothing is written")
        << everyKind() << QStringList { "delete", "%A", "d", "nothing" } << QStringList() << 1
        << QStringList { "quillon: %A: nothing: not found in archive" } << same;
    QTest::newRow("delete: not every entry")
        << everyKind() << QStringList { "delete", "%A", "*" } << QStringList() << 2
        << QStringList { "quillon: %A: that is every entry, and no reader opens an archive "
                         "without any, not changed" }
        << same;
}

void tst_Create::edit()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, files);
    QFETCH(int, status);
    QFETCH(QStringList, err);
    QFETCH(QByteArray, after);

    QTemporaryDir dir, tree;
    const QString path = dir.filePath(QStringLiteral("x.dat"));
    QVERIFY(before.isNull() || writeFile(path, before));
    QVERIFY(FileTree::make(tree.path(), filled(files, path, tree.path())));
    struct stat old = {};
    ::stat(QFile::encodeName(path).constData(), &old);
    const bool limited = arguments.first() == QLatin1String("ulimit -f 1");
    const Run run = quillon(filled(arguments.mid(limited ? 1 : 0), path, tree.path()), {}, limited);
    QCOMPARE(run.status, status);
    QCOMPARE(run.err, filled(err, path, tree.path()));
    // Nothing is left beside the archive, and an archive not written is the very same file.
    QCOMPARE(FileTree::list(dir.path()), before.isNull() ? QStringList() : QStringList { "x.dat" });
    QCOMPARE(readFile(path), after.isNull() ? before : after);
    struct stat now = {};
    ::stat(QFile::encodeName(path).constData(), &now);
    if (after.isNull())
        QVERIFY(now.st_ino == old.st_ino && now.st_mtim.tv_nsec == old.st_mtim.tv_nsec);
}

void tst_Create::editRoundTrip_data()
{
    QTest::addColumn<quint32>("seed"); // of the archive (FuzzTargets::foreignArchive)
    for (quint32 seed = 1; seed <= 8; ++seed)
        QTest::newRow(qPrintable(QStringLiteral("archive %1").arg(seed))) << seed;
}

// Extracting and updating changes nothing; after files changed, one added and an entry deleted,
// extracting gives back exactly the files, and every other record is as it was.
void tst_Create::editRoundTrip()
{
    QFETCH(quint32, seed);
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("x.dat"));
    const QString out = dir.filePath(QStringLiteral("out")),
                  back = dir.filePath(QStringLiteral("back"));
    const QByteArray before = FuzzTargets::foreignArchive(seed).build();
    QVERIFY(writeFile(archive, before) && QDir().mkpath(out) && QDir().mkpath(back));
    QCOMPARE(quillon({ "extract", "-C", out, archive }).status, 0);
    struct stat old = {}, now = {};
    ::stat(QFile::encodeName(archive).constData(), &old);
    QCOMPARE(quillon({ "update", "-C", out, archive }).status, 0);
    ::stat(QFile::encodeName(archive).constData(), &now);
    QVERIFY(now.st_ino == old.st_ino && now.st_mtim.tv_nsec == old.st_mtim.tv_nsec);
    QCOMPARE(readFile(archive), before);

    QRandomGenerator rng(seed);
    QMap<QString, QByteArray> files;
    for (const QString &path : FileTree::list(out, FileTree::Plain))
        if (QFileInfo(out + u'/' + path).isFile())
            files.insert(path, readFile(out + u'/' + path));
    QSet<QByteArray> touched;
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (rng.bounded(3) == 0) {
            it.value() = QByteArray::number(rng.generate()).repeated(1 + rng.bounded(300));
            QVERIFY(writeFile(out + u'/' + it.key(), it.value()));
            touched.insert(it.key().toLatin1().replace('/', '\\'));
        }
    }
    QVERIFY(QDir(out).mkpath(QStringLiteral("new")));
    QVERIFY(writeFile(out + QStringLiteral("/new/added.txt"), "added"));
    files.insert(QStringLiteral("new/added.txt"), "added");
    QCOMPARE(quillon({ "update", "-C", out, archive }).status, 0);
    const QString gone = files.firstKey();
    if (files.size() > 2) {
        QCOMPARE(quillon({ "delete", "--no-wildcards", archive, gone }).status, 0);
        touched.insert(gone.toLatin1().replace('/', '\\'));
        files.remove(gone);
    }

    QCOMPARE(quillon({ "extract", "-C", back, archive }).status, 0);
    QMap<QString, QByteArray> extracted = FileTree::contents(back);
    extracted.removeIf([](const auto &item) { return item.key().endsWith(u'/'); });
    QCOMPARE(extracted, files);
    QCOMPARE(FuzzTargets::keptAsItWas(before, readFile(archive), touched), QString());
}

void tst_Create::createRoundTrip_data()
{
    QTest::addColumn<quint32>("seed"); // of the tree's description (FuzzTargets::makeTree)
    QTest::addColumn<bool>("inside"); // the archive inside the tree, over an older one
    QTest::newRow("tree 1") << 1u << false;
    QTest::newRow("tree 2") << 2u << false;
    QTest::newRow("tree 3, the archive inside it") << 3u << true;
}

void tst_Create::createRoundTrip()
{
    QFETCH(quint32, seed);
    QFETCH(bool, inside);
    QByteArray steps(160, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(steps.data()), steps.size() / 4);
    QTemporaryDir in, out;
    FuzzTargets::makeTree(in.path(), reinterpret_cast<const std::uint8_t *>(steps.constData()),
                          size_t(steps.size()));
    const QString archive = (inside ? in.path() : m_dir.path()) + QStringLiteral("/tree.dat");
    QVERIFY(writeFile(archive, "old"));
    QByteArray first;
    for (const char *jobs : { "1", "2", "8" }) { // the same bytes on any number of threads
        const Run run = quillon({ "create", "-j", jobs, "-C", in.path(), archive });
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QStringList());
        QVERIFY(first.isEmpty() || readFile(archive) == first);
        first = readFile(archive);
    }
    QCOMPARE(quillon({ "extract", "-C", out.path(), archive }).status, 0);
    QMap<QString, QByteArray> tree = FileTree::contents(in.path());
    tree.remove(QStringLiteral("tree.dat"));
    QCOMPARE(FileTree::contents(out.path()), tree);
}

void tst_Create::createdArchiveExportsTheSameTree()
{
    QTemporaryDir in;
    QVERIFY(FileTree::make(in.path(),
                           { "maps/a.bin=\x01\x02", "readme.txt=" + QString(5000, u'r'), "empty/",
                             "notes/caf\u00e9 \u20ac.txt=see", "zero.txt=" }));
    const QString path = m_dir.filePath(QStringLiteral("created.dat"));
    QTemporaryDir out;
    QFile archive(path);
    QVERIFY(archive.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const auto refused = [](const QByteArray &, const QString &why) { QFAIL(qPrintable(why)); };
    SourceTree source(FileSystem::standard(), refused);
    QCOMPARE(source.openRoot(QFile::encodeName(in.path())), 0);
    source.add({});
    QVERIFY(EntryPacker(archive.handle(), 6, 2, FileSystem::standard(), refused).pack(source));
    archive.close();

    ostrel window;
    QString shown;
    window.setFileChooser([path](QWidget *, const QString &, const QString &) { return path; });
    window.setDirChooser([&out](ostrel &w) { w.getDir(out.path()); });
    window.setMessageSink([&shown](const QString &text) { shown = text; });
    window.mnuFileOpen_Click();
    window.mnuFileSaveAll_Click();
    // Seven records; the count field says one more.
    QCOMPARE(shown, QStringLiteral("Done extracting 8 files."));
    QCOMPARE(FileTree::contents(out.path()), FileTree::contents(in.path()));
}

// A disk full for a moment: the bytes that did not go out are missing for good, so nothing
// written after them may pass for success, nor a kernel copy's 0 hide the failure.
void tst_Create::failedWriteSticks()
{
    QFile file(m_dir.filePath(QStringLiteral("sticks.dat")));
    QVERIFY(file.open(QIODevice::ReadWrite | QIODevice::Truncate));
    FaultyFileSystem fs;
    ArchiveOutput out(fs, file.handle());
    fs.failWriteAfter = 0;
    QVERIFY(out.write(QByteArray(100, 'a')));
    QVERIFY(!out.flush());
    fs.failWriteAfter = -1;
    QCOMPARE(out.copyFrom(file.handle(), 0, 1), 0);
    QVERIFY(!out.write(QByteArray(2 << 20, 'b')));
    QVERIFY(!out.flush());
    QCOMPARE(errno, ENOSPC);
}

QTEST_MAIN(tst_Create)
#include "tst_create.moc"
