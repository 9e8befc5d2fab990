#include "support/Files.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// `cmake --install` into a fresh prefix: every file lands where a desktop looks for it, and
// nothing else is installed.
class tst_Install : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void installsExactlyTheseFiles();
    void installedFile_data();
    void installedFile();
    void installedCommandRuns();
    void manualAndCompletion_data();
    void manualAndCompletion();

private:
    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }

    QTemporaryDir m_prefix;
};

namespace {

const QString kSource = QStringLiteral(QUILLON_SOURCE_DIR);
const int kIconSizes[] = { 16, 32, 48, 64, 128 };

} // namespace

void tst_Install::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    QProcess cmake;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DESTDIR")); // it would move everything below the prefix
    cmake.setProcessEnvironment(environment);
    cmake.setProcessChannelMode(QProcess::MergedChannels);
    cmake.start(QStringLiteral(QUILLON_CMAKE),
                { "--install", QUILLON_BINARY_DIR, "--config", QUILLON_CONFIG, "--prefix",
                  m_prefix.path() });
    QVERIFY(cmake.waitForFinished(120000));
    const QByteArray log = cmake.readAll();
    QVERIFY2(cmake.exitStatus() == QProcess::NormalExit && cmake.exitCode() == 0, log.constData());
}

void tst_Install::installsExactlyTheseFiles()
{
    QStringList expected { "bin/ostrel",
                           "bin/quillon",
                           "share/applications/org.example.Quillon.desktop",
                           "share/metainfo/org.example.Quillon.metainfo.xml",
                           "share/icons/hicolor/scalable/apps/org.example.Quillon.svg",
                           "share/man/man1/ostrel.1",
                           "share/man/man1/quillon.1",
                           "share/bash-completion/completions/quillon" };
    for (int size : kIconSizes)
        expected
            << QStringLiteral("share/icons/hicolor/%1x%1/apps/org.example.Quillon.png").arg(size);
    expected.sort();

    QStringList files;
    QDirIterator it(m_prefix.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(m_prefix.path()).relativeFilePath(it.next());
    files.sort();
    QCOMPARE(files, expected);
}

void tst_Install::installedFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("source"); // empty: an executable
    QTest::addColumn<int>("iconSize"); // 0: not a bitmap icon

    QTest::newRow("window") << "bin/ostrel" << QString() << 0;
    QTest::newRow("command") << "bin/quillon" << QString() << 0;
    QTest::newRow("launcher") << "share/applications/org.example.Quillon.desktop"
                              << "data/org.example.Quillon.desktop" << 0;
    QTest::newRow("metainfo") << "share/metainfo/org.example.Quillon.metainfo.xml"
                              << "data/org.example.Quillon.metainfo.xml.in" << 0;
    QTest::newRow("manual page") << "share/man/man1/quillon.1"
                                 << "data/quillon.1.in" << 0;
    QTest::newRow("bash completion") << "share/bash-completion/completions/quillon"
                                     << "data/quillon.bash" << 0;
    QTest::newRow("scalable icon") << "share/icons/hicolor/scalable/apps/org.example.Quillon.svg"
                                   << "data/icons/org.example.Quillon.svg" << 0;
    for (int size : kIconSizes)
        QTest::addRow("%dx%d icon", size, size)
            << QStringLiteral("share/icons/hicolor/%1x%1/apps/org.example.Quillon.png").arg(size)
            << QStringLiteral("data/icons/%1x%1.png").arg(size) << size;
}

void tst_Install::installedFile()
{
    QFETCH(QString, path);
    QFETCH(QString, source);
    QFETCH(int, iconSize);

    const QFileInfo file(installed(path));
    QVERIFY2(file.isFile(), qPrintable(path));
    if (source.isEmpty()) {
        QVERIFY(file.isExecutable());
        return;
    }
    QVERIFY(!file.isExecutable());
    QByteArray expected = readFile(kSource + QLatin1Char('/') + source);
    if (source.endsWith(QLatin1String(".in"))) // the build fills in project()'s version
        expected.replace("@PROJECT_VERSION@", QUILLON_VERSION);
    QCOMPARE(readFile(file.filePath()), expected);
    // Each theme folder holds the picture of its own size.
    if (iconSize > 0)
        QCOMPARE(QImage(file.filePath()).size(), QSize(iconSize, iconSize));
}

void tst_Install::installedCommandRuns()
{
    // The installed executable, away from the build tree, still finds what it links to.
    QProcess quillon;
    quillon.start(installed(QStringLiteral("bin/quillon")),
                  { QStringLiteral("list"), kSource + QStringLiteral("/examples/sample.dat") });
    QVERIFY(quillon.waitForFinished(60000));
    QCOMPARE(quillon.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quillon.exitCode(), 0);
    QVERIFY(quillon.readAllStandardOutput().startsWith("readme.txt\n"));
}

void tst_Install::manualAndCompletion_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("script"); // %1: the installed file
    QTest::addColumn<QString>("expected"); // every word of it in the output

    const QString complete = QStringLiteral(
        "source %1; COMP_WORDS=(%2); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _quillon; "
        "echo \"${COMPREPLY[*]}\"");
    QTest::newRow("man page renders, every option named")
        << "groff"
        << "groff -man -Tutf8 -ww %1 2>&1 >/dev/null | sed 's/^/WARNING: /'; groff -man -Tascii "
           "%1 | col -b"
        << "--long --null --files-from --no-wildcards --directory --keep-old-files --to-stdout "
           "--verbose --help --version list extract test create --jobs " QUILLON_VERSION;
    QTest::newRow("completion: commands")
        << "bash" << complete.arg(QStringLiteral("%1"), QStringLiteral("quillon ''"))
        << "list extract test create --help --version";
    QTest::newRow("completion: extract's options")
        << "bash" << complete.arg(QStringLiteral("%1"), QStringLiteral("quillon extract -"))
        << "-C --directory -k --keep-old-files -O --to-stdout -v --verbose";
    QTest::newRow("completion: create's options")
        << "bash" << complete.arg(QStringLiteral("%1"), QStringLiteral("quillon create -"))
        << "-C --directory -0 -6 -9 -j --jobs -v --verbose";
    QTest::newRow("completion: archives") << "bash"
                                          << QStringLiteral("cd %2 && ").arg(kSource)
            + complete.arg(QStringLiteral("%1"), QStringLiteral("quillon list examples/"))
                                          << "examples/sample.dat";
}

void tst_Install::manualAndCompletion()
{
    QFETCH(QString, program);
    QFETCH(QString, script);
    QFETCH(QString, expected);

    const QString path
        = installed(program == QLatin1String("groff")
                        ? QStringLiteral("share/man/man1/quillon.1")
                        : QStringLiteral("share/bash-completion/completions/quillon"));
    if (QStandardPaths::findExecutable(program).isEmpty())
        QSKIP(qPrintable(program + QStringLiteral(" is not installed")));
    QProcess shell;
    shell.start(QStringLiteral("bash"), { QStringLiteral("-c"), script.arg(path) });
    QVERIFY(shell.waitForFinished(60000));
    const QString output = QString::fromUtf8(shell.readAllStandardOutput());
    QVERIFY2(!output.contains(QLatin1String("WARNING: ")), qPrintable(output));
    const QStringList words = output.split(QRegularExpression(QStringLiteral("[\\s,()]+")));
    for (const QString &word : expected.split(u' '))
        QVERIFY2(words.contains(word), qPrintable(word + QStringLiteral(" missing in: ") + output));
}

QTEST_APPLESS_MAIN(tst_Install)
#include "tst_install.moc"
