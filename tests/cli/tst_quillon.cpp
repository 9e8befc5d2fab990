#include "support/ArchiveWriter.h"
#include "support/FileTree.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using W = ArchiveWriter;

struct Run
{
    int status = -1;
    QStringList out;
    QStringList err;
};

Run quillon(const QStringList &arguments, const QString &workingDir = {})
{
    QProcess process;
    process.setWorkingDirectory(workingDir);
    process.start(QStringLiteral(QUILLON_CLI), arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    const auto lines = [](const QByteArray &bytes) {
        QStringList list = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
        if (!list.isEmpty() && list.last().isEmpty())
            list.removeLast();
        return list;
    };
    run.out = lines(process.readAllStandardOutput());
    run.err = lines(process.readAllStandardError());
    return run;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

class tst_Quillon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void list_data();
    void list();
    void extract_data();
    void extract();
    void extractSeveralArchivesIntoTheCurrentFolder();
    void usage_data();
    void usage();

private:
    QString archive(const QString &name, const W &writer);
    QTemporaryDir m_dir;
};

void tst_Quillon::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral(QUILLON_CLI)).isExecutable());
}

QString tst_Quillon::archive(const QString &name, const W &writer)
{
    const QString path = m_dir.filePath(name);
    return writer.writeTo(path) ? path : QString();
}

void tst_Quillon::list_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("out");

    QTest::newRow("names in UTF-8")
        << W().add(W::folder("d")).add(W::stored("d\\caf\xe9.txt", "x")).build() << 0
        << QStringList { "2", "d", QStringLiteral("d\\caf\u00e9.txt") };
    QTest::newRow("count one more than the records")
        << W().add(W::folder("d")).setCountConvention(W::Count::RecordsPlusOne).build() << 0
        << QStringList { "2", "d" };
    QTest::newRow("unreadable") << QByteArray("xy") << 2 << QStringList {};
    QTest::newRow("count 0") << W().overrideCount(0).build() << 2 << QStringList {};
}

void tst_Quillon::list()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QFETCH(QStringList, out);

    const QString path = m_dir.filePath(QStringLiteral("list.dat"));
    QVERIFY(writeFile(path, bytes));
    const Run run = quillon({ QStringLiteral("list"), path });
    QCOMPARE(run.status, status);
    QCOMPARE(run.out, out);
    QCOMPARE(run.err.size(), status == 0 ? 0 : 1);
}

void tst_Quillon::extract_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("err");
    QTest::addColumn<QStringList>("tree");

    QTest::newRow("every kind") << W().add(W::folder("d"))
                                       .add(W::stored("d\\s.bin", "stored"))
                                       .add(W::compressed("d\\e\\c.txt", "compressed"))
                                       .add(W::raw("skip", 7))
                                       .build()
                                << 0 << QStringList { "Done extracting 4 files." }
                                << QStringList { "d/", "d/e/", "d/e/c.txt", "d/s.bin" };
    QTest::newRow("a failing entry")
        << W().add(W::stored("ok.txt", "fine"))
               .add(W::stored("bad.txt", "x").withOffset(1 << 20))
               .add(W::folder("..\\escape"))
               .setCountConvention(W::Count::RecordsPlusOne)
               .build()
        << 1
        << QStringList { "Something bad happened in UC!", "Something Bad with DIR!",
                         "Done extracting 4 files." }
        << QStringList { "ok.txt" };
    QTest::newRow("unreadable archive")
        << QByteArray(3, 'x') << 2 << QStringList {} << QStringList {};
}

void tst_Quillon::extract()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QFETCH(QStringList, err);
    QFETCH(QStringList, tree);

    const QString path = m_dir.filePath(QStringLiteral("x.dat"));
    QVERIFY(writeFile(path, bytes));
    QTemporaryDir out;
    const Run run = quillon({ QStringLiteral("extract"), QStringLiteral("-C"), out.path(), path });
    QCOMPARE(run.status, status);
    if (status == 2)
        QCOMPARE(run.err.size(), 1);
    else
        QCOMPARE(run.err, err);
    QCOMPARE(FileTree::list(out.path()), tree);
    if (tree.contains(QStringLiteral("d/e/c.txt")))
        QCOMPARE(contents(out.filePath(QStringLiteral("d/e/c.txt"))), QByteArray("compressed"));
}

void tst_Quillon::extractSeveralArchivesIntoTheCurrentFolder()
{
    const QString a = archive(QStringLiteral("one.dat"), W().add(W::stored("a.txt", "A")));
    const QString b = archive(QStringLiteral("two.dat"), W().add(W::compressed("b.txt", "B")));
    QTemporaryDir out;
    const Run run = quillon({ QStringLiteral("extract"), a, b }, out.path());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, (QStringList { "Done extracting 1 files.", "Done extracting 1 files." }));
    QCOMPARE(FileTree::list(out.path()), (QStringList { "a.txt", "b.txt" }));
    QCOMPARE(contents(out.filePath(QStringLiteral("b.txt"))), QByteArray("B"));
}

void tst_Quillon::usage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("firstOut");

    QTest::newRow("version") << QStringList { "--version" } << 0 << "Quillon 1.00";
    QTest::newRow("help") << QStringList { "--help" } << 0 << "Usage: ";
    QTest::newRow("no command") << QStringList {} << 2 << QString();
    QTest::newRow("unknown command") << QStringList { "frobnicate" } << 2 << QString();
    QTest::newRow("bad option") << QStringList { "--bogus", "list", "x.dat" } << 2 << QString();
    QTest::newRow("list without file") << QStringList { "list" } << 2 << QString();
    QTest::newRow("list missing file")
        << QStringList { "list", "/nonexistent/x.dat" } << 2 << QString();
    QTest::newRow("extract without file") << QStringList { "extract" } << 2 << QString();
    QTest::newRow("extract into a missing folder")
        << QStringList { "extract", "-C", "/nonexistent/dir", "x.dat" } << 2 << QString();
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
    } else {
        QCOMPARE(run.err.size(), 1); // one line says what is wrong
        QVERIFY(run.err.first().startsWith(QLatin1String("quillon: ")));
    }
}

QTEST_GUILESS_MAIN(tst_Quillon)
#include "tst_quillon.moc"
