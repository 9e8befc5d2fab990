#include "fs/NewArchiveFile.h"
#include "support/FaultyFileSystem.h"
#include "support/FileTree.h"
#include "support/Files.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class tst_NewArchiveFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replace_data();
    void replace();
};

void tst_NewArchiveFile::replace_data()
{
    QTest::addColumn<QStringList>("before"); // in the folder (FileTree::make); a.dat is written
    QTest::addColumn<int>("mode"); // of a.dat before, when it is there
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("why"); // open()'s refusal, or the failure of create() or commit()
    QTest::addColumn<QStringList>("steps"); // FaultyFileSystem::steps
    QTest::addColumn<QByteArray>("after"); // a.dat afterwards; nothing else is left
    QTest::addColumn<int>("afterMode");

    const QStringList none;
    const QStringList old { "a.dat=old" };
    QTest::newRow("a new archive: flushed, linked to its name, the folder flushed")
        << none << 0 << none << QString() << QStringList { "sync", "link", "sync" }
        << QByteArray("new") << 0644;
    QTest::newRow("over an archive: its mode and group kept, renamed over it from a hidden name")
        << old << 0640 << none << QString() << QStringList { "sync", "link", "rename", "sync" }
        << QByteArray("new") << 0640;
    QTest::newRow("a group that cannot be kept keeps only what everyone had")
        << old << 0664 << QStringList { "owner" } << QString()
        << QStringList { "sync", "link", "rename", "sync" } << QByteArray("new") << 0644;
    QTest::newRow("no unnamed files there: a hidden temporary file renamed")
        << old << 0600 << QStringList { "unnamed" } << QString()
        << QStringList { "sync", "rename", "sync" } << QByteArray("new") << 0600;
    QTest::newRow("a failed flush leaves the old archive")
        << old << 0644 << QStringList { "sync" } << "Input/output error" << QStringList { "sync" }
        << QByteArray("old") << 0644;
    QTest::newRow("a failed rename leaves the old archive and no hidden name")
        << old << 0644 << QStringList { "rename" } << "Invalid cross-device link"
        << QStringList { "sync", "link", "rename" } << QByteArray("old") << 0644;
    QTest::newRow("a failed rename of a temporary file leaves no temporary file")
        << old << 0644 << QStringList { "unnamed", "rename" } << "Invalid cross-device link"
        << QStringList { "sync", "rename" } << QByteArray("old") << 0644;
    QTest::newRow("never committed: the temporary file is removed")
        << none << 0 << QStringList { "unnamed", "no commit" } << QString() << none << QByteArray()
        << 0;
    QTest::newRow("a name taken meanwhile is left alone")
        << none << 0 << QStringList { "taken" } << "File exists" << QStringList { "sync", "link" }
        << QByteArray("theirs") << 0644;
    QTest::newRow("a read-only archive is refused")
        << old << 0444 << none << "the file is read-only" << none << QByteArray("old") << 0444;
    QTest::newRow("a folder is refused")
        << QStringList { "a.dat/" } << 0 << none << "Is a directory" << none << QByteArray() << 0;
    QTest::newRow("a link is refused")
        << QStringList { "a.dat->old.dat", "old.dat=old" } << 0 << none
        << "symbolic link, not replaced" << none << QByteArray("old") << 0644;
    QTest::newRow("a FIFO is refused")
        << QStringList { "a.dat|" } << 0 << none << "not a regular file, not replaced" << none
        << QByteArray() << 0;
}

void tst_NewArchiveFile::replace()
{
    QFETCH(QStringList, before);
    QFETCH(int, mode);
    QFETCH(QStringList, faults);
    QFETCH(QString, why);
    QFETCH(QStringList, steps);
    QFETCH(QByteArray, after);
    QFETCH(int, afterMode);

    QTemporaryDir dir;
    QVERIFY(FileTree::make(dir.path(), before));
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("a.dat")));
    // Its group is not the one the new file is made with, so keeping it is a step of its own.
    QVERIFY(!mode || (::chmod(path, mode_t(mode)) == 0 && ::chown(path, 0, 1) == 0));
    const QStringList left = FileTree::list(dir.path());
    FaultyFileSystem fs;
    fs.failUnnamedFile = faults.contains(QStringLiteral("unnamed"));
    fs.failSync = faults.contains(QStringLiteral("sync"));
    fs.failRename = faults.contains(QStringLiteral("rename"));
    fs.failSetOwner = faults.contains(QStringLiteral("owner"));
    ::umask(022);
    QString failure;
    {
        NewArchiveFile file(fs, nullptr);
        failure = file.open(path);
        if (failure.isEmpty() && !file.create())
            failure = qt_error_string(errno);
        if (failure.isEmpty()) {
            QVERIFY(fs.writeFully(file.handle(), "new", 3));
            QVERIFY(faults.contains(QStringLiteral("unnamed"))
                    || FileTree::list(dir.path()) == left);
            if (faults.contains(QStringLiteral("taken")))
                QVERIFY(writeFile(QString::fromUtf8(path), "theirs"));
            if (!faults.contains(QStringLiteral("no commit")) && !file.commit())
                failure = qt_error_string(errno);
        }
    }
    QCOMPARE(failure, why);
    QCOMPARE(QString::fromLatin1(fs.steps.join(' ')), steps.join(u' '));
    QStringList expected = left;
    if (!after.isEmpty() && !expected.contains(QStringLiteral("a.dat")))
        expected.append(QStringLiteral("a.dat"));
    expected.sort();
    QCOMPARE(FileTree::list(dir.path()), expected);
    struct stat st = {};
    if (::lstat(path, &st) == 0 && S_ISREG(st.st_mode)) {
        QCOMPARE(readFile(QString::fromUtf8(path)), after);
        QCOMPARE(int(st.st_mode & 07777), afterMode);
        if (mode)
            QCOMPARE(st.st_gid, gid_t(faults.contains(QStringLiteral("owner")) ? 0 : 1));
    }
}

QTEST_GUILESS_MAIN(tst_NewArchiveFile)
#include "tst_newarchivefile.moc"
