#include "ui/folders/FolderPaths.h"

#include "support/FileTree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_FolderPaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chain_data();
    void chain();
    void subFoldersSortedWithoutHiddenOrFiles();
    void canOpen();
    void createSubFolder_data();
    void createSubFolder();
};

void tst_FolderPaths::chain_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("root") << "/" << QStringList { "/" };
    QTest::newRow("two levels") << "/a/b" << QStringList { "/", "/a", "/a/b" };
    QTest::newRow("dots and trailing slash") << "/a/./b/../c/" << QStringList { "/", "/a", "/a/c" };
    QTest::newRow("doubled separators") << "//a//b" << QStringList { "/", "/a", "/a/b" };
}

void tst_FolderPaths::chain()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, expected);
    QCOMPARE(FolderPaths::chain(folder), expected);
}

void tst_FolderPaths::subFoldersSortedWithoutHiddenOrFiles()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QDir dir(tmp.path());
    for (const char *name : { "b", "a", "C", ".hidden", "a b" })
        QVERIFY(dir.mkdir(QString::fromLatin1(name)));
    QFile file(dir.filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QCOMPARE(FolderPaths::subFolders(tmp.path()), (QStringList { "a", "a b", "b", "C" }));
}

void tst_FolderPaths::canOpen()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QFile file(tmp.filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QVERIFY(FolderPaths::canOpen(tmp.path()));
    QVERIFY(!FolderPaths::canOpen(tmp.filePath("file")));
    QVERIFY(!FolderPaths::canOpen(tmp.filePath("missing")));
}

void tst_FolderPaths::createSubFolder_data()
{
    QTest::addColumn<QString>("parent"); // relative to the temporary folder
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("created"); // relative; empty when nothing may be created

    QTest::newRow("plain name") << ""
                                << "out"
                                << "out";
    QTest::newRow("nested parent") << "a"
                                   << "out"
                                   << "a/out";
    QTest::newRow("spaces kept as typed") << ""
                                          << " out "
                                          << " out ";
    QTest::newRow("backslash is a name character") << ""
                                                   << "x\\y"
                                                   << "x\\y";
    QTest::newRow("dot folder") << ""
                                << ".cache"
                                << ".cache";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("folder exists") << ""
                                   << "a"
                                   << "";
    QTest::newRow("file of that name") << ""
                                       << "file"
                                       << "";
    QTest::newRow("separator into an existing folder") << ""
                                                       << "a/inner"
                                                       << "";
    QTest::newRow("separator into a missing folder") << ""
                                                     << "new/inner"
                                                     << "";
    QTest::newRow("NUL in the name") << "" << QStringLiteral("cut") + QChar(0) + "off"
                                     << "";
    QTest::newRow("dot") << ""
                         << "."
                         << "";
    QTest::newRow("dot-dot") << ""
                             << ".."
                             << "";
    QTest::newRow("parent gone") << "gone"
                                 << "out"
                                 << "";
    QTest::newRow("name too long") << "" << QString(300, u'n') << "";
}

static QStringList tree(const QString &root)
{
    return FileTree::list(root, FileTree::Plain);
}

void tst_FolderPaths::createSubFolder()
{
    QFETCH(QString, parent);
    QFETCH(QString, name);
    QFETCH(QString, created);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QDir dir(tmp.path());
    QVERIFY(dir.mkdir("a"));
    QFile file(dir.filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QStringList before = tree(tmp.path());

    const QString folder = parent.isEmpty() ? tmp.path() : dir.filePath(parent);
    const QString result = FolderPaths::createSubFolder(folder, name);

    QStringList expected = before;
    if (created.isEmpty()) {
        QCOMPARE(result, QString());
    } else {
        QCOMPARE(result, folder + u'/' + name);
        QVERIFY(QFileInfo(result).isDir());
        expected << created;
        expected.sort();
    }
    QCOMPARE(tree(tmp.path()), expected);
}

QTEST_GUILESS_MAIN(tst_FolderPaths)
#include "tst_folderpaths.moc"
