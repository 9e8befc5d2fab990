#include "archive/DirectoryReader.h"
#include "compress/Windows1252.h"
#include "support/ArchiveWriter.h"

#include <QBuffer>
#include <QtEndian>
#include <QtTest>

#include <limits>

using Entry = ArchiveWriter::Entry;

Q_DECLARE_METATYPE(EntryRecord)

namespace {

constexpr qint32 kMin = std::numeric_limits<qint32>::min();
constexpr qint32 kMax = std::numeric_limits<qint32>::max();

QByteArray int32Bytes(qint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

struct Outcome
{
    bool ok = false;
    qint32 countShown = 0;
    int countCalls = 0;
    qint64 readTo = 0; // how far into the file the reader got
    DirectoryReader reader;
};

void readBytes(const QByteArray &bytes, Outcome &out)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    out.reader.setCountHandler([&out](qint32 count) {
        out.countShown = count;
        ++out.countCalls;
    });
    out.ok = out.reader.read(&buffer);
    out.readTo = buffer.pos();
}

QStringList names(const EntryTable &table)
{
    QStringList list;
    for (qint32 i = 0; i < table.filledRows(); ++i)
        list << table.name(i);
    return list;
}

} // namespace

class tst_DirectoryReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordExampleByteForByte();
    void wellFormed_data();
    void wellFormed();
    void malformed_data();
    void malformed();
    void nameBytesDecodeOnePerCharacter();
    void unreadBytesBeforeFooter();
    void failureLeavesFieldsReadSoFar();
    void largeDirectory();
};

void tst_DirectoryReader::recordExampleByteForByte()
{
    // The 30-byte record from the format description, behind a count of 1 and the footer.
    const QByteArray record = QByteArray::fromHex("06000000"
                                                  "612e747874"
                                                  "00"
                                                  "00000000"
                                                  "01000000"
                                                  "03000000"
                                                  "03000000"
                                                  "00000000");
    QCOMPARE(record.size(), 30);
    const QByteArray data = "abc";
    const QByteArray file = data + int32Bytes(1) + record + int32Bytes(4 + 30 + 4);

    Outcome out;
    readBytes(file, out);
    QVERIFY2(out.ok, qPrintable(out.reader.errorString()));
    QCOMPARE(out.reader.dirSize(), 38);
    QCOMPARE(out.reader.dirStart(), 3);
    QCOMPARE(out.reader.entryCount(), 1);
    const EntryTable &t = out.reader.table();
    QCOMPARE(t.rowCount(), 1);
    QCOMPARE(t.filledRows(), 1);
    QCOMPARE(t.at(0), (EntryRecord { 6, QStringLiteral("a.txt"), 0, 1, 3, 3, 0 }));
    QCOMPARE(t.rawName(0), QByteArray("a.txt"));
}

void tst_DirectoryReader::wellFormed_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<qint32>("count");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<qint32>>("types");
    QTest::addColumn<QList<EntryRecord>>("records"); // every field, where given

    // Every field of a record holds a value no other field of it holds, so reading one field
    // into another's place fails.
    const auto three = [] {
        return ArchiveWriter()
            .add(ArchiveWriter::folder("sub")
                     .withAux(7)
                     .withUnpackedSize(11)
                     .withPackedSize(12)
                     .withOffset(13))
            .add(ArchiveWriter::stored("sub\\a.txt", "hello").withAux(-21).withPackedSize(22))
            .add(ArchiveWriter::compressed("b.bin", QByteArray(100, 'x')).withAux(31));
    };
    const QStringList threeNames { "sub", "sub\\a.txt", "b.bin" };
    const QList<qint32> threeTypes { 1024, 1, 2 };
    const qint32 packed = qint32(ArchiveWriter::zlibCompress(QByteArray(100, 'x')).size());
    const QList<EntryRecord> threeRecords {
        { 4, QStringLiteral("sub"), 7, 1024, 11, 12, 13 },
        { 10, QStringLiteral("sub\\a.txt"), -21, 1, 5, 22, 0 },
        { 6, QStringLiteral("b.bin"), 31, 2, 100, packed, 5 },
    };
    const QList<EntryRecord> none;

    QTest::newRow("count counts records")
        << three().build() << 3 << threeNames << threeTypes << threeRecords;
    QTest::newRow("count is one more")
        << three().setCountConvention(ArchiveWriter::Count::RecordsPlusOne).build() << 4
        << threeNames << threeTypes << threeRecords;
    QTest::newRow("count 1, one record")
        << ArchiveWriter().add(ArchiveWriter::stored("x", "1")).build() << 1 << QStringList { "x" }
        << QList<qint32> { 1 } << none;
    QTest::newRow("count 1 (one more), no record") << ArchiveWriter().overrideCount(1).build() << 1
                                                   << QStringList {} << QList<qint32> {} << none;
    QTest::newRow("count 12")
        << ArchiveWriter().overrideCount(12).setTrailingBytes(QByteArray(11 * 25, '\0')).build()
        << 12 << QStringList(11, QString()) << QList<qint32>(11, 0) << none;

    QTest::newRow("nameLen 1 gives an empty name")
        << ArchiveWriter()
               .add(ArchiveWriter::stored("", "z"))
               .add(ArchiveWriter::folder("d"))
               .build()
        << 2 << QStringList { "", "d" } << QList<qint32> { 1, 1024 } << none;
    QTest::newRow("nameLen 0 reads a 25-byte record")
        << ArchiveWriter()
               .add(ArchiveWriter::folder("").withNameLen(0))
               .add(ArchiveWriter::folder("d"))
               .build()
        << 2 << QStringList { "", "d" } << QList<qint32> { 1024, 1024 } << none;
    QTest::newRow("negative nameLen reads a 25-byte record")
        << ArchiveWriter()
               .add(ArchiveWriter::folder("").withNameLen(-7))
               .add(ArchiveWriter::folder("d"))
               .build()
        << 2 << QStringList { "", "d" } << QList<qint32> { 1024, 1024 } << none;
    QTest::newRow("non-zero terminator")
        << ArchiveWriter()
               .add(ArchiveWriter::folder("d").withTerminator('\xff'))
               .add(ArchiveWriter::folder("e"))
               .build()
        << 2 << QStringList { "d", "e" } << QList<qint32> { 1024, 1024 } << none;
    QTest::newRow("unknown type kept as read")
        << ArchiveWriter()
               .add(ArchiveWriter::raw("odd", 3))
               .add(ArchiveWriter::raw("neg", -1))
               .build()
        << 2 << QStringList { "odd", "neg" } << QList<qint32> { 3, -1 } << none;
    QTest::newRow("footer equals length: directory at 0")
        << ArchiveWriter().add(ArchiveWriter::folder("only")).build() << 1 << QStringList { "only" }
        << QList<qint32> { 1024 } << none;
    // The last row of the "one more" convention is read only when a whole record lies before
    // the footer; 24 spare bytes are one short of the smallest record.
    QTest::newRow("spare bytes too short for another record")
        << three()
               .setCountConvention(ArchiveWriter::Count::RecordsPlusOne)
               .setTrailingBytes(QByteArray(24, '\0'))
               .build()
        << 4 << threeNames << threeTypes << none;
    QTest::newRow("spare bytes hold another record")
        << three()
               .setCountConvention(ArchiveWriter::Count::RecordsPlusOne)
               .setTrailingBytes(QByteArray(25, '\0'))
               .build()
        << 4 << threeNames + QStringList { "" } << threeTypes + QList<qint32> { 0 } << none;
    // A last record that would run into the footer is not read; earlier ones may.
    QTest::newRow("last record overlapping the footer is left out")
        << ArchiveWriter()
               .add(ArchiveWriter::folder("a"))
               .add(ArchiveWriter::folder("b").withNameLen(4))
               .build()
        << 2 << QStringList { "a" } << QList<qint32> { 1024 } << none;
    QTest::newRow("earlier record may overlap the footer")
        << ArchiveWriter()
               .overrideCount(2)
               .setTrailingBytes(int32Bytes(3) + "ab" + QByteArray(19, '\0'))
               .build()
        << 2 << QStringList { "ab" } << QList<qint32> { 0 } << none;
}

void tst_DirectoryReader::wellFormed()
{
    QFETCH(QByteArray, file);
    QFETCH(qint32, count);
    QFETCH(QStringList, names);
    QFETCH(QList<qint32>, types);
    QFETCH(QList<EntryRecord>, records);

    Outcome out;
    readBytes(file, out);
    QVERIFY2(out.ok, qPrintable(out.reader.errorString()));
    QCOMPARE(out.countCalls, 1);
    QCOMPARE(out.countShown, count);
    const EntryTable &t = out.reader.table();
    QCOMPARE(t.rowCount(), count);
    QCOMPARE(::names(t), names);
    for (qint32 i = 0; i < t.filledRows(); ++i)
        QCOMPARE(t.entryType(i), types.at(i));
    for (qint32 i = 0; i < records.size(); ++i)
        QCOMPARE(t.at(i), records.at(i));
    // Rows no record filled are empty.
    for (qint32 i = t.filledRows(); i < t.rowCount(); ++i)
        QCOMPARE(t.at(i), EntryRecord {});
}

void tst_DirectoryReader::malformed_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("countCalls"); // whether the count was shown before the failure

    const QByteArray one = ArchiveWriter().add(ArchiveWriter::folder("a")).build();

    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("1 byte") << QByteArray(1, '\x01') << 0;
    QTest::newRow("3 bytes") << QByteArray(3, '\x04') << 0;
    QTest::newRow("footer larger than the file")
        << ArchiveWriter().add(ArchiveWriter::folder("a")).overrideFooter(one.size() + 1).build()
        << 0;
    QTest::newRow("footer 0") << ArchiveWriter().overrideFooter(0).build() << 0;
    QTest::newRow("footer 3") << ArchiveWriter().overrideFooter(3).build() << 0;
    QTest::newRow("negative footer") << ArchiveWriter().overrideFooter(-4).build() << 0;
    QTest::newRow("footer -2^31 overflows") << ArchiveWriter().overrideFooter(kMin).build() << 0;
    QTest::newRow("footer 2^31-1") << ArchiveWriter().overrideFooter(kMax).build() << 0;
    QTest::newRow("count 0") << ArchiveWriter().overrideCount(0).build() << 1;
    QTest::newRow("count -3") << ArchiveWriter().overrideCount(-3).build() << 1;
    QTest::newRow("count -2^31") << ArchiveWriter().overrideCount(kMin).build() << 1;
    QTest::newRow("count 2^31-1")
        << ArchiveWriter().add(ArchiveWriter::folder("a")).overrideCount(kMax).build() << 1;
    QTest::newRow("count two billion") << ArchiveWriter().overrideCount(2000000000).build() << 1;
    QTest::newRow("count one record too many")
        << ArchiveWriter().add(ArchiveWriter::folder("a")).overrideCount(3).build() << 1;
    QTest::newRow("nameLen 2,000,000,000")
        << ArchiveWriter()
               .add(ArchiveWriter::folder("a").withNameLen(2000000000))
               .add(ArchiveWriter::folder("b"))
               .build()
        << 1;
    QTest::newRow("nameLen 2^31-1") << ArchiveWriter()
                                           .add(ArchiveWriter::folder("a").withNameLen(kMax))
                                           .add(ArchiveWriter::folder("b"))
                                           .build()
                                    << 1;
    QTest::newRow("nameLen -2^31 overflows nameLen - 1")
        << ArchiveWriter()
               .add(ArchiveWriter::folder("a").withNameLen(kMin))
               .add(ArchiveWriter::folder("b"))
               .build()
        << 1;
    QTest::newRow("nameLen -2^31 in the last record")
        << ArchiveWriter().add(ArchiveWriter::folder("a").withNameLen(kMin)).build() << 1;
    QTest::newRow("record cut off in its fields") << ArchiveWriter()
                                                         .overrideCount(2)
                                                         .setTrailingBytes(int32Bytes(2) + "ab")
                                                         .overrideFooter(4 + 4 + 2 + 4)
                                                         .build()
                                                  << 1;
    QTest::newRow("record cut off in its name")
        << ArchiveWriter().overrideCount(2).setTrailingBytes(int32Bytes(50) + "abc").build() << 1;
}

void tst_DirectoryReader::malformed()
{
    QFETCH(QByteArray, file);
    QFETCH(int, countCalls);

    Outcome out;
    readBytes(file, out);
    QVERIFY(!out.ok);
    QVERIFY(!out.reader.errorString().isEmpty());
    QCOMPARE(out.countCalls, countCalls);
    QCOMPARE(out.reader.table().rowCount(), 0);
}

void tst_DirectoryReader::nameBytesDecodeOnePerCharacter()
{
    QByteArray raw("a\0b", 3);
    for (int b = 0x80; b <= 0xff; ++b)
        raw.append(char(b));
    Outcome out;
    readBytes(ArchiveWriter().add(ArchiveWriter::stored(raw, "x")).build(), out);
    QVERIFY(out.ok);
    const QString name = out.reader.table().name(0);
    QCOMPARE(name.size(), raw.size());
    QCOMPARE(name.at(1), QChar(0));
    QCOMPARE(name.at(3), QChar(0x20AC)); // 0x80, the euro sign
    QCOMPARE(name.at(3 + 0x01), QChar(0x0081)); // undefined in the code page
    QCOMPARE(name.at(3 + 0x0D), QChar(0x008D));
    QCOMPARE(name.at(3 + 0x0F), QChar(0x008F));
    QCOMPARE(name.at(3 + 0x10), QChar(0x0090));
    QCOMPARE(name.at(3 + 0x1D), QChar(0x009D));
    QCOMPARE(name.at(3 + 0x1F), QChar(0x0178)); // 0x9F
    QCOMPARE(name.at(3 + 0x69), QChar(0x00E9)); // 0xE9
    QCOMPARE(name.back(), QChar(0x00FF));
    QCOMPARE(Windows1252::encode(name), raw);
    QCOMPARE(out.reader.table().rawName(0), raw);
}

void tst_DirectoryReader::unreadBytesBeforeFooter()
{
    Outcome out;
    readBytes(ArchiveWriter()
                  .add(ArchiveWriter::folder("a"))
                  .setCountConvention(ArchiveWriter::Count::RecordsPlusOne)
                  .setTrailingBytes(QByteArray(7, '\xAA'))
                  .build(),
              out);
    QVERIFY(out.ok);
    QCOMPARE(names(out.reader.table()), QStringList { "a" });
}

void tst_DirectoryReader::failureLeavesFieldsReadSoFar()
{
    // A count below 1 fails before the rest of the directory is read.
    const QByteArray file = ArchiveWriter()
                                .overrideCount(-3)
                                .setLeadingBytes("xyz")
                                .setTrailingBytes(QByteArray(1 << 20, '\0'))
                                .build();
    Outcome out;
    readBytes(file, out);
    QVERIFY(!out.ok);
    QCOMPARE(out.readTo, 3 + 4);
    QCOMPARE(out.reader.dirSize(), 8 + (1 << 20));
    QCOMPARE(out.reader.dirStart(), 3);
    QCOMPARE(out.reader.entryCount(), -3);
}

void tst_DirectoryReader::largeDirectory()
{
    ArchiveWriter writer;
    for (int i = 0; i < 40000; ++i)
        writer.add(ArchiveWriter::folder(QByteArray("dir\\") + QByteArray::number(i)));
    Outcome out;
    readBytes(writer.build(), out);
    QVERIFY(out.ok);
    QCOMPARE(out.reader.table().filledRows(), 40000);
    QCOMPARE(out.reader.table().name(39999), QStringLiteral("dir\\39999"));
    QCOMPARE(out.reader.table().entryType(32768), 1024);
}

QTEST_APPLESS_MAIN(tst_DirectoryReader)
#include "tst_directoryreader.moc"
