#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
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

private:
    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }

    QTemporaryDir m_prefix;
};

namespace {

const QString kSource = QStringLiteral(QUILLON_SOURCE_DIR);
const int kIconSizes[] = { 16, 32, 48, 64, 128 };

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
    QStringList expected { "bin/ostrel", "bin/quillon",
                           "share/applications/org.example.Quillon.desktop",
                           "share/metainfo/org.example.Quillon.metainfo.xml",
                           "share/icons/hicolor/scalable/apps/org.example.Quillon.svg" };
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
                              << "data/org.example.Quillon.metainfo.xml" << 0;
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
    QCOMPARE(contents(file.filePath()), contents(kSource + QLatin1Char('/') + source));
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

QTEST_APPLESS_MAIN(tst_Install)
#include "tst_install.moc"
