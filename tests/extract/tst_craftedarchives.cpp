#include "archive/DirectoryReader.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractReporter.h"
#include "extract/Extraction.h"
#include "support/ArchiveWriter.h"
#include "support/FileTree.h"
#include "support/TestDecompressor.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <limits>

// Whole archives with fields at and around their limits, read and exported as Export All does:
// which rows are read, which messages come up, which files are left.
namespace {

using W = ArchiveWriter;
constexpr qint32 kMax = std::numeric_limits<qint32>::max();
const QString kUC = QStringLiteral("Something bad happened in UC!");
const QString kC = QStringLiteral("Something bad happened in C!");
const QString kDir = QStringLiteral("Something Bad with DIR!");

class RecordingReporter : public ExtractReporter
{
public:
    void message(const QString &text) override { messages << text; }
    QStringList messages;
};

} // namespace

class tst_CraftedArchives : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportAll_data();
    void exportAll();
};

void tst_CraftedArchives::exportAll_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<int>("rowsRead");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("files");

    const auto one = [](const W::Entry &e) { return W().add(e).build(); };
    const QByteArray five = "12345";

    QTest::newRow("stored size 0 at offset 0") << one(W::stored("e.txt", {}).withOffset(0)) << 1
                                               << QStringList {} << QStringList { "e.txt:0" };
    QTest::newRow("stored size -1") << one(W::stored("a.txt", five).withUnpackedSize(-1)) << 1
                                    << QStringList { kUC } << QStringList {};
    QTest::newRow("stored size 2^31-1") << one(W::stored("a.txt", five).withUnpackedSize(kMax)) << 1
                                        << QStringList { kUC } << QStringList {};
    QTest::newRow("stored offset -1") << one(W::stored("a.txt", five).withOffset(-1)) << 1
                                      << QStringList { kUC } << QStringList {};
    QTest::newRow("stored offset 2^31-1") << one(W::stored("a.txt", five).withOffset(kMax)) << 1
                                          << QStringList { kUC } << QStringList {};
    // The archive is 5 data bytes, a 4-byte count, a 30-byte record and a 4-byte footer: 43.
    QTest::newRow("stored up to the archive's last byte")
        << one(W::stored("a.txt", five).withUnpackedSize(43)) << 1 << QStringList {}
        << QStringList { "a.txt:43" };
    QTest::newRow("stored one byte past the archive")
        << one(W::stored("a.txt", five).withUnpackedSize(44)) << 1 << QStringList { kUC }
        << QStringList {};
    // With no data bytes the archive is 38 bytes long.
    QTest::newRow("stored at the archive's length")
        << one(W::stored("a.txt", {}).withOffset(38).withUnpackedSize(0)) << 1 << QStringList {}
        << QStringList { "a.txt:0" };
    QTest::newRow("stored at the archive's length + 1")
        << one(W::stored("a.txt", {}).withOffset(39).withUnpackedSize(0)) << 1
        << QStringList { kUC } << QStringList {};
    QTest::newRow("stored, several MiB")
        << one(W::stored("big.bin", QByteArray(3 * 1024 * 1024 + 7, '\x42'))) << 1 << QStringList {}
        << QStringList { "big.bin:3145735" };

    const W::Entry zipped = W::compressed("c.txt", QByteArray(1000, 'z'));
    QTest::newRow("compressed packedSize 0")
        << one(W::Entry(zipped).withPackedSize(0)) << 1 << QStringList { kC } << QStringList {};
    QTest::newRow("compressed packedSize -1")
        << one(W::Entry(zipped).withPackedSize(-1)) << 1 << QStringList { kC } << QStringList {};
    QTest::newRow("compressed packedSize 2^31-1")
        << one(W::Entry(zipped).withPackedSize(kMax)) << 1 << QStringList { kC } << QStringList {};
    QTest::newRow("compressed offset 2^31-1")
        << one(W::Entry(zipped).withOffset(kMax)) << 1 << QStringList { kC } << QStringList {};
    QTest::newRow("compressed unpackedSize 0")
        << one(W::Entry(zipped).withUnpackedSize(0)) << 1 << QStringList { kC } << QStringList {};
    QTest::newRow("compressed unpackedSize -1")
        << one(W::Entry(zipped).withUnpackedSize(-1)) << 1 << QStringList { kC } << QStringList {};
    QTest::newRow("compressed unpackedSize 2^31-1") << one(W::Entry(zipped).withUnpackedSize(kMax))
                                                    << 1 << QStringList { kC } << QStringList {};
    QTest::newRow("compressed unpackedSize exact")
        << one(zipped) << 1 << QStringList {} << QStringList { "c.txt:1000" };

    // A record that runs into the footer is read when the count says it must be, and left out
    // when it is the optional last one.
    // Row 0 must be read: its last two bytes are the footer's. Its type is 0, so it is passed
    // over; the optional row 1 would start inside the footer and is not read.
    QByteArray overlap(4, '\0');
    qToLittleEndian<qint32>(3, overlap.data());
    QTest::newRow("mandatory record overlapping the footer")
        << W().overrideCount(2).setTrailingBytes(overlap + "ab" + QByteArray(19, '\0')).build() << 1
        << QStringList {} << QStringList {};
    QTest::newRow("optional record overlapping the footer")
        << W().add(W::stored("a.txt", five)).add(W::folder("b").withNameLen(4)).build() << 1
        << QStringList {} << QStringList { "a.txt:5" };

    QTest::newRow("name of 0 bytes, stored")
        << one(W::stored("", five)) << 1 << QStringList { kUC } << QStringList {};
    QTest::newRow("name of 0 bytes, folder")
        << one(W::folder("")) << 1 << QStringList {} << QStringList {};
    QTest::newRow("name of 1 byte")
        << one(W::stored("a", five)) << 1 << QStringList {} << QStringList { "a:5" };
    QTest::newRow("name of 100,000 bytes, stored") << one(W::stored(QByteArray(100000, 'n'), five))
                                                   << 1 << QStringList { kUC } << QStringList {};
    QTest::newRow("name of 100,000 bytes, folder")
        << one(W::folder(QByteArray(100000, 'n'))) << 1 << QStringList { kDir } << QStringList {};
}

void tst_CraftedArchives::exportAll()
{
    QFETCH(QByteArray, archive);
    QFETCH(int, rowsRead);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, files);

    QTemporaryDir dir;
    const QString archivePath = dir.filePath(QStringLiteral("a.dat"));
    const QString out = dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    QFile file(archivePath);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.write(archive) == archive.size());
    QVERIFY(file.seek(0));

    DirectoryReader reader;
    QVERIFY2(reader.read(&file), qPrintable(reader.errorString()));
    QCOMPARE(reader.table().filledRows(), rowsRead);

    RecordingReporter reporter;
    {
        EntryWriter writer(QFile::encodeName(archivePath), QFile::encodeName(out), testDecompressor(),
                           reporter);
        Extraction(reader.table(), out, writer).extractAll();
    }
    QCOMPARE(reporter.messages, messages);
    QCOMPARE(FileTree::list(out, FileTree::MarkFolders | FileTree::WithSizes), files);
}

QTEST_GUILESS_MAIN(tst_CraftedArchives)
#include "tst_craftedarchives.moc"
