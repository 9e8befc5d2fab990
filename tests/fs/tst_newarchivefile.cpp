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
    // a.dat before (group 1, mode as given; 0: none), and after; nothing else is ever left.
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("why"); // open()'s refusal, or what create() or commit() failed of
    QTest::addColumn<QString>("steps"); // FaultyFileSystem::steps
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("afterMode");

    const QStringList none;
    QTest::newRow("a new archive: flushed, linked to its name, the folder flushed")
        << 0 << none << QString() << "sync link sync" << QByteArray("new") << 0644;
    QTest::newRow("over an archive: its mode and group kept, renamed over it from a hidden name")
        << 0640 << none << QString() << "sync link rename sync" << QByteArray("new") << 0640;
    QTest::newRow("a group that cannot be kept keeps only what everyone had")
        << 0664 << QStringList { "owner" } << QString() << "sync link rename sync"
        << QByteArray("new") << 0644;
    QTest::newRow("no unnamed files there: a hidden temporary file renamed")
        << 0600 << QStringList { "unnamed" } << QString() << "sync rename sync" << QByteArray("new")
        << 0600;
    QTest::newRow("a failed flush leaves the old archive")
        << 0644 << QStringList { "sync" } << "Input/output error"
        << "sync" << QByteArray("old") << 0644;
    QTest::newRow("a failed rename leaves the old archive and no hidden name")
        << 0644 << QStringList { "rename" } << "Invalid cross-device link"
        << "sync link rename" << QByteArray("old") << 0644;
    QTest::newRow("never committed: the temporary file is removed")
        << 0 << QStringList { "unnamed", "no commit" } << QString() << QString() << QByteArray()
        << 0;
    QTest::newRow("a name taken meanwhile is left alone")
        << 0 << QStringList { "taken" } << "File exists"
        << "sync link" << QByteArray("theirs") << 0644;
    QTest::newRow("a read-only archive is refused")
        << 0444 << none << "the file is read-only" << QString() << QByteArray("old") << 0444;
}

void tst_NewArchiveFile::replace()
{
    QFETCH(int, mode);
    QFETCH(QStringList, faults);
    QFETCH(QString, why);
    QFETCH(QString, steps);
    QFETCH(QByteArray, after);
    QFETCH(int, afterMode);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.dat"));
    const QByteArray name = QFile::encodeName(path);
    // Its group is not the one a new file is made with, so keeping it is a step of its own.
    QVERIFY(!mode
            || (writeFile(path, "old") && ::chmod(name, mode_t(mode)) == 0
                && ::chown(name, 0, 1) == 0));
    FaultyFileSystem fs;
    fs.failUnnamedFile = faults.contains(QStringLiteral("unnamed"));
    fs.failSync = faults.contains(QStringLiteral("sync"));
    fs.failRename = faults.contains(QStringLiteral("rename"));
    fs.failSetOwner = faults.contains(QStringLiteral("owner"));
    ::umask(022);
    QString failure;
    {
        NewArchiveFile file(fs, nullptr);
        failure = file.open(name);
        if (failure.isEmpty() && !file.create())
            failure = qt_error_string(errno);
        if (failure.isEmpty()) {
            QVERIFY(fs.writeFully(file.handle(), "new", 3));
            // Unnamed, the file being written is nowhere to be seen.
            QCOMPARE(FileTree::list(dir.path()).size(), (mode ? 1 : 0) + int(fs.failUnnamedFile));
            if (faults.contains(QStringLiteral("taken")))
                QVERIFY(writeFile(path, "theirs"));
            if (!faults.contains(QStringLiteral("no commit")) && !file.commit())
                failure = qt_error_string(errno);
        }
    }
    QCOMPARE(failure, why);
    QCOMPARE(QString::fromLatin1(fs.steps.join(' ')), steps);
    QCOMPARE(FileTree::list(dir.path()), after.isEmpty() ? QStringList() : QStringList { "a.dat" });
    QCOMPARE(readFile(path), after);
    struct stat st = {};
    QVERIFY(after.isEmpty() || ::stat(name, &st) == 0);
    QCOMPARE(int(st.st_mode & 07777), afterMode);
    if (mode)
        QCOMPARE(st.st_gid, gid_t(faults.contains(QStringLiteral("owner")) ? 0 : 1));
}

QTEST_GUILESS_MAIN(tst_NewArchiveFile)
#include "tst_newarchivefile.moc"
