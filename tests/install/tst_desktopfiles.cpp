#include "support/Files.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

const QString kSource = QStringLiteral(QUILLON_SOURCE_DIR);
const QString kDesktopFile = kSource + QStringLiteral("/data/org.example.Quillon.desktop");
// Made by the build, with project()'s version filled in.
const QString kMetainfoFile
    = QStringLiteral(QUILLON_BINARY_DIR "/data/org.example.Quillon.metainfo.xml");

QByteArray contents(const QString &relative)
{
    return readFile(kSource + QLatin1Char('/') + relative);
}

// The keys of the [Desktop Entry] group.
QHash<QString, QString> desktopEntry()
{
    QHash<QString, QString> keys;
    bool inEntry = false;
    for (const QByteArray &raw : readFile(kDesktopFile).split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.contains(QLatin1Char('=')) && !line.startsWith(QLatin1Char('#')))
            keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    return keys;
}

// The text of every element of the metainfo file with the given name, in document order, or
// the given attribute of each ("launchable@type").
QStringList metainfo(const QString &element)
{
    const QString name = element.section(QLatin1Char('@'), 0, 0);
    const QString attribute = element.section(QLatin1Char('@'), 1);
    QStringList found;
    QXmlStreamReader xml(readFile(kMetainfoFile));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != name)
            continue;
        found << (attribute.isEmpty() ? xml.readElementText()
                                      : xml.attributes().value(attribute).toString());
    }
    return xml.hasError() ? QStringList { xml.errorString() } : found;
}

} // namespace

class tst_DesktopFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void validatorsAccept_data();
    void validatorsAccept();
    void launcher_data();
    void launcher();
    void metainfoMatchesTheProgram();
};

void tst_DesktopFiles::validatorsAccept_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");

    QTest::newRow("desktop entry") << "desktop-file-validate" << QStringList() << kDesktopFile;
    QTest::newRow("AppStream metainfo")
        << "appstreamcli" << QStringList { "validate", "--pedantic", "--no-net" } << kMetainfoFile;
}

void tst_DesktopFiles::validatorsAccept()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);

    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        QSKIP(qPrintable(tool + QStringLiteral(" is not installed (scripts/test installs it)")));
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments << file);
    QVERIFY2(process.waitForFinished(120000), qPrintable(tool + QStringLiteral(" hangs")));
    const QByteArray output = process.readAll();
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             output.constData());
}

void tst_DesktopFiles::launcher_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("values"); // all of these, of the key's ';'-separated values

    QTest::newRow("name") << "Name"
                          << "Quillon";
    // The window looks at no argument, so the launcher passes no file (%f, %U...).
    QTest::newRow("command") << "Exec"
                             << "ostrel";
    QTest::newRow("icon") << "Icon"
                          << "org.example.Quillon";
    QTest::newRow("type") << "Type"
                          << "Application";
    QTest::newRow("no terminal") << "Terminal"
                                 << "false";
    QTest::newRow("categories") << "Categories"
                                << "Utility;Archiving";
}

void tst_DesktopFiles::launcher()
{
    QFETCH(QString, key);
    QFETCH(QString, values);
    const auto entry = desktopEntry();
    QVERIFY2(entry.contains(key), qPrintable(key + QStringLiteral(" is missing")));
    const QStringList actual = entry.value(key).split(u';', Qt::SkipEmptyParts);
    for (const QString &value : values.split(u';'))
        QVERIFY2(actual.contains(value), qPrintable(key + QLatin1Char('=') + entry.value(key)));
}

void tst_DesktopFiles::metainfoMatchesTheProgram()
{
    QCOMPARE(metainfo(QStringLiteral("id")), QStringList { "org.example.Quillon" });
    // Software centres find the launcher, and through it the icon, by this id.
    QCOMPARE(metainfo(QStringLiteral("launchable")),
             QStringList { kDesktopFile.section(QLatin1Char('/'), -1) });
    QCOMPARE(metainfo(QStringLiteral("binary")), (QStringList { "ostrel", "quillon" }));
    QCOMPARE(metainfo(QStringLiteral("project_license")), QStringList { "MIT" });
    // One version everywhere: project()'s, which the package's changelog gives too.
    QCOMPARE(metainfo(QStringLiteral("release@version")), QStringList { QUILLON_VERSION });
    QVERIFY(
        contents(QStringLiteral("debian/changelog")).startsWith("quillon (" QUILLON_VERSION ")"));
    QVERIFY(contents(QStringLiteral("LICENSE")).startsWith("MIT License"));

    // The screenshot is the README's, so it has to exist and be shown there.
    const QStringList images = metainfo(QStringLiteral("image"));
    QCOMPARE(images.size(), 1);
    const QString screenshot = QStringLiteral("docs/main-window.png");
    QVERIFY2(images.first().startsWith(QLatin1String("https://"))
                 && images.first().endsWith(QLatin1Char('/') + screenshot),
             qPrintable(images.first()));
    QVERIFY(QFile::exists(kSource + QLatin1Char('/') + screenshot));
    QVERIFY(QString::fromUtf8(contents(QStringLiteral("README.md")))
                .contains(QLatin1Char('(') + screenshot + QLatin1Char(')')));
}

QTEST_APPLESS_MAIN(tst_DesktopFiles)
#include "tst_desktopfiles.moc"
