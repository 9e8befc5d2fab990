#include "FuzzTargets.h"
#include "archive/DirectoryReader.h"
#include "compress/PackwellCore.h"
#include "compress/StreamInflater.h"
#include "support/ArchiveWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <zlib.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A zlib stream that needs the preset dictionary "dictionary".
QByteArray withDictionary(const QByteArray &data)
{
    z_stream zs {};
    deflateInit(&zs, Z_DEFAULT_COMPRESSION);
    deflateSetDictionary(&zs, reinterpret_cast<const Bytef *>("dictionary"), 10);
    QByteArray out(int(deflateBound(&zs, uLong(data.size()))), Qt::Uninitialized);
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_FINISH);
    out.truncate(qsizetype(zs.total_out));
    deflateEnd(&zs);
    return out;
}

// Bytes that compress, but not to nothing, so a stream spans several input pieces.
QByteArray noise(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 7;
    for (qsizetype i = 0; i < size; ++i) {
        x = x * 1103515245 + 12345;
        bytes[i] = char((x >> 16) % 40);
    }
    return bytes;
}

} // namespace

// Replays every file of the fuzz corpora through its target, so a crash fuzzing once found
// (kept in the corpus as a regression file) fails the ordinary test suite if it comes back.
class tst_CorpusReplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replay_data();
    void replay();
    // The streaming and the one-shot inflation take and refuse the same streams.
    void inflatersAgree_data();
    void inflatersAgree();
};

void tst_CorpusReplay::replay_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    const QDir corpus(QStringLiteral(QUILLON_CORPUS_DIR));
    for (const QString &target : corpus.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir dir(corpus.filePath(target));
        for (const QString &file : dir.entryList(QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(target + QLatin1Char('/') + file))
                << target << dir.filePath(file);
    }
}

void tst_CorpusReplay::replay()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    if (target == QLatin1String("reader"))
        FuzzTargets::reader(data, size_t(bytes.size()));
    else if (target == QLatin1String("extract"))
        FuzzTargets::extract(data, size_t(bytes.size()));
    else if (target == QLatin1String("packwell"))
        FuzzTargets::packwell(data, size_t(bytes.size()));
    else if (target == QLatin1String("create"))
        FuzzTargets::create(data, size_t(bytes.size()));
    else
        QFAIL("a corpus folder without a target");
}

void tst_CorpusReplay::inflatersAgree_data()
{
    QTest::addColumn<QByteArray>("packed");
    QTest::addColumn<qint32>("origSize");

    // Every compressed entry of the corpora's archives, and the component's own inputs.
    const QDir corpus(QStringLiteral(QUILLON_CORPUS_DIR));
    for (const QString &target : corpus.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir dir(corpus.filePath(target));
        for (const QString &file : dir.entryList(QDir::Files, QDir::Name)) {
            const QByteArray bytes = readAll(dir.filePath(file));
            if (target == QLatin1String("packwell")) {
                if (bytes.size() >= 4)
                    QTest::addRow("%s/%s", qPrintable(target), qPrintable(file))
                        << bytes.mid(4) << qFromLittleEndian<qint32>(bytes.constData());
                continue;
            }
            QBuffer buffer;
            buffer.setData(bytes);
            buffer.open(QIODevice::ReadOnly);
            DirectoryReader reader;
            if (!reader.read(&buffer))
                continue;
            for (qint32 row = 0; row < reader.table().filledRows(); ++row) {
                const EntryRecord e = reader.table().at(row);
                if (e.entryType == CompressedEntry && e.offset >= 0 && e.packedSize >= 0
                    && qint64(e.offset) + e.packedSize <= bytes.size())
                    QTest::addRow("%s/%s row %d", qPrintable(target), qPrintable(file), row)
                        << bytes.mid(e.offset, e.packedSize) << e.unpackedSize;
            }
        }
    }

    const QByteArray text = noise(1 << 20);
    const QByteArray stream = ArchiveWriter::zlibCompress(text);
    const qint32 n = qint32(text.size());
    QTest::newRow("several pieces each way") << stream << n;
    QTest::newRow("size below the true one") << stream << n / 2;
    QTest::newRow("ends early") << stream.chopped(5) << n;
    QTest::newRow("bad checksum") << stream.chopped(1) + char(stream.back() ^ 1) << n;
    QTest::newRow("bytes after the end") << stream + "trailing bytes" << n;
    QTest::newRow("preset dictionary") << withDictionary("abcabc") << 6;
    QTest::newRow("not zlib") << QByteArray("not a zlib stream at all") << 100;
    QTest::newRow("no bytes") << QByteArray() << 100;
    QTest::newRow("inflates to nothing") << ArchiveWriter::zlibCompress({}) << 100;
    // Capacities: 13 for 1, 0 for -12, negative for -13, and the largest that fits 32 bits.
    const QByteArray thirteen = ArchiveWriter::zlibCompress(QByteArray(13, 'x'));
    QTest::newRow("output of exactly the capacity") << thirteen << 1;
    QTest::newRow("one byte past the capacity")
        << ArchiveWriter::zlibCompress(QByteArray(14, 'x')) << 1;
    QTest::newRow("size -1") << thirteen << -1;
    QTest::newRow("size -12: no room") << ArchiveWriter::zlibCompress("x") << -12;
    QTest::newRow("size -13: negative capacity") << thirteen << -13;
    QTest::newRow("largest capacity") << thirteen << 2126221421;
    QTest::newRow("capacity past 32 bits") << thirteen << 2126221422;
}

void tst_CorpusReplay::inflatersAgree()
{
    QFETCH(QByteArray, packed);
    QFETCH(qint32, origSize);

    QByteArray oneShot = packed;
    bool oneShotOk = false;
    try {
        PackwellCore packwell;
        oneShotOk = packwell.DecompressData(oneShot, origSize) == Z_OK;
    } catch (const PackwellError &) { }

    // Whole pieces, then one byte at a time: where zlib's calls break must not matter.
    for (const qint64 piece : { qint64(1) << 30, qint64(1) }) {
        if (piece == 1 && packed.size() > 4096)
            continue;
        QByteArray streamed;
        qint64 pos = 0;
        StreamInflater inflater;
        const auto result = inflater.inflate(
            qint32(packed.size()), origSize,
            [&](char *buffer, qint64 n) {
                n = std::min({ n, piece, qint64(packed.size() - pos) });
                memcpy(buffer, packed.constData() + pos, size_t(n));
                pos += n;
                return n;
            },
            [&](const char *data, qint64 n) {
                streamed.append(data, n);
                return true;
            });
        QCOMPARE(result == StreamInflater::Result::Ok, oneShotOk);
        if (oneShotOk)
            QCOMPARE(streamed, oneShot);
    }
}

QTEST_GUILESS_MAIN(tst_CorpusReplay)
#include "tst_corpusreplay.moc"
