#include "compress/PackwellCore.h"
#include "compress/PackwellTestSupport.h"
#include "compress/Windows1252.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <zlib.h>

#include <cstring>
#include <functional>
#include <limits>
#include <optional>

#ifdef Q_OS_LINUX
#    include <sys/resource.h>
#endif

using Kind = PackwellError::Kind;

namespace {

constexpr qint32 kMin = std::numeric_limits<qint32>::min();
constexpr qint32 kMax = std::numeric_limits<qint32>::max();

// A core whose zlib calls write a given output and report a given code and length.
class ScriptedCore : public PackwellCore
{
public:
    using PackwellCore::PackwellCore;

    int code = Z_OK;
    QByteArray output;
    int calls = 0;

protected:
    int zlibCompress(unsigned char *dest, unsigned long *destLen, const unsigned char *,
                     unsigned long) override
    {
        return script(dest, destLen);
    }
    int zlibUncompress(unsigned char *dest, unsigned long *destLen, const unsigned char *,
                       unsigned long) override
    {
        return script(dest, destLen);
    }

private:
    int script(unsigned char *dest, unsigned long *destLen)
    {
        ++calls;
        *destLen = std::min<unsigned long>(*destLen, output.size());
        std::memcpy(dest, output.constData(), *destLen);
        return code;
    }
};

QByteArray pattern(int size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 7 + i / 13) % 251);
    return data;
}

QByteArray randomBytes(int size)
{
    QRandomGenerator generator(20240607);
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = char(generator.bounded(256));
    return data;
}

// Runs an operation that must raise a PackwellError; returns its kind.
std::optional<Kind> raisedKind(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const PackwellError &error) {
        return error.kind();
    }
    return std::nullopt;
}

// Sizes that an operation must leave alone, set without a notice spy watching.
void presetSizes(PackwellCore &core, qint32 original, qint32 compressed)
{
    core.setOriginalSize(original);
    core.setCompressedSize(compressed);
}

} // namespace

class tst_PackwellCore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workCapacity_data();
    void workCapacity();
    void errorType();
    void compressDataRoundTrip_data();
    void compressDataRoundTrip();
    void compressStringRoundTrip_data();
    void compressStringRoundTrip();
    void emptyStringVersusEmptyDataStream();
    void notInUserMode();
    void propertySets();
    void initPropertiesResetsSilently();
    void tooSmallOrigSize();
    void notZlibInput();
    void brokenChecksum();
    void emptyArray();
    void refusedOrigSize_data();
    void refusedOrigSize();
    void smallNegativeOrigSize_data();
    void smallNegativeOrigSize();
    void overflowInput();
    void outOfMemory();
    void twoBillionOrigSize();
    void zlibCodeReturnedNotRaised();
    void zeroLengthArrayResult();
    void callableThroughStdFunction();
    void invokableByName();
};

void tst_PackwellCore::workCapacity_data()
{
    QTest::addColumn<qint32>("n");
    QTest::addColumn<qint64>("capacity");

    QTest::newRow("0") << 0 << qint64(12);
    QTest::newRow("1") << 1 << qint64(13);
    QTest::newRow("50: 62.5 to even") << 50 << qint64(62);
    QTest::newRow("51") << 51 << qint64(64);
    QTest::newRow("100") << 100 << qint64(113);
    QTest::newRow("150: 163.5 to even") << 150 << qint64(164);
    QTest::newRow("250: 264.5 to even") << 250 << qint64(264);
    QTest::newRow("350: 365.5 to even") << 350 << qint64(366);
    QTest::newRow("1000") << 1000 << qint64(1022);
    QTest::newRow("12345") << 12345 << qint64(12480);
    QTest::newRow("-1") << -1 << qint64(11);
    QTest::newRow("-12: the last size of capacity 0") << -12 << qint64(0);
    QTest::newRow("-13: the first negative capacity") << -13 << qint64(-1);
    QTest::newRow("-50: -38.5 to even") << -50 << qint64(-38);
    QTest::newRow("2,126,221,421: the largest that fits") << 2126221421 << qint64(kMax);
    QTest::newRow("2,126,221,422: the first overflow") << 2126221422 << qint64(kMax) + 1;
    QTest::newRow("2^31-1") << kMax << qint64(2168958495);
    QTest::newRow("-2^31") << kMin << qint64(-2168958472);
}

void tst_PackwellCore::workCapacity()
{
    QFETCH(qint32, n);
    QFETCH(qint64, capacity);
    QCOMPARE(PackwellCore::workCapacity(n), capacity);
}

void tst_PackwellCore::errorType()
{
    const PackwellError error(Kind::Overflow, "a detail");
    const std::runtime_error &base = error;
    QCOMPARE(error.kind(), Kind::Overflow);
    QCOMPARE(QByteArray(base.what()), QByteArray("Overflow (a detail)"));
    QCOMPARE(QByteArray(PackwellError(Kind::OutOfMemory, {}).what()), QByteArray("Out of memory"));
}

void tst_PackwellCore::compressDataRoundTrip_data()
{
    QTest::addColumn<QByteArray>("original");

    QTest::newRow("1 byte") << QByteArray(1, 'a');
    QTest::newRow("one zero byte") << QByteArray(1, '\0');
    QTest::newRow("100 bytes") << pattern(100);
    QTest::newRow("every byte value") << pattern(256 * 8);
    QTest::newRow("64 KiB random, incompressible") << randomBytes(65536);
    QTest::newRow("1 MiB of zeros") << QByteArray(1 << 20, '\0');
}

void tst_PackwellCore::compressDataRoundTrip()
{
    QFETCH(QByteArray, original);
    PackwellCore core;
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);

    QByteArray data = original;
    QCOMPARE(core.CompressData(data), Z_OK);
    QCOMPARE(data, zlibStream(original));
    QCOMPARE(core.OriginalSize(), original.size());
    QCOMPARE(core.CompressedSize(), data.size());
    QCOMPARE(notices(spy), (QStringList { "OriginalSize", "CompressedSize" }));

    spy.clear();
    const qint32 origSize = qint32(original.size());
    QCOMPARE(core.DecompressData(data, origSize), Z_OK);
    QCOMPARE(data, original);
    QCOMPARE(origSize, original.size());
    QCOMPARE(core.CompressedSize(), 0);
    QCOMPARE(core.OriginalSize(), 0);
    QCOMPARE(notices(spy), (QStringList { "CompressedSize", "OriginalSize" }));
}

void tst_PackwellCore::compressStringRoundTrip_data()
{
    QTest::addColumn<QString>("original");

    QTest::newRow("character 0 in the middle") << QString::fromUtf16(u"ab\0cd", 5);
    QTest::newRow("character 0 at the end") << QString::fromUtf16(u"abc\0", 4);
    QTest::newRow("in the middle and at the end") << QString::fromUtf16(u"\0x\0\0y\0", 6);
    QTest::newRow("only character 0") << QString(3, QChar(0));
    QTest::newRow("one character") << QStringLiteral("q");
    QTest::newRow("code page characters") << QString::fromUtf16(u"\u00e9\u20ac\u00ff\u0081\u0178");
    QTest::newRow("every byte value") << Windows1252::decode(pattern(256 * 4));
    QTest::newRow("long text") << QString(5000, QLatin1Char('z'));
}

void tst_PackwellCore::compressStringRoundTrip()
{
    QFETCH(QString, original);
    PackwellCore core;
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);

    QString text = original;
    QCOMPARE(core.CompressString(text), Z_OK);
    QCOMPARE(Windows1252::encode(text), zlibStream(Windows1252::encode(original)));
    QCOMPARE(core.OriginalSize(), original.size());
    QCOMPARE(core.CompressedSize(), text.size());
    QCOMPARE(notices(spy), (QStringList { "OriginalSize", "CompressedSize" }));

    spy.clear();
    QCOMPARE(core.DecompressString(text, qint32(original.size())), Z_OK);
    QCOMPARE(text, original);
    QCOMPARE(core.CompressedSize(), 0);
    QCOMPARE(core.OriginalSize(), 0);
    QCOMPARE(notices(spy), (QStringList { "CompressedSize", "OriginalSize" }));
}

void tst_PackwellCore::emptyStringVersusEmptyDataStream()
{
    PackwellCore core;
    presetSizes(core, 5, 6);

    QString text;
    QCOMPARE(core.CompressString(text), Z_OK);
    const QByteArray emptyStream = zlibStream(QByteArray());
    QCOMPARE(Windows1252::encode(text), emptyStream);
    QCOMPARE(core.OriginalSize(), 0);
    QCOMPARE(core.CompressedSize(), emptyStream.size());

    QString back = text;
    presetSizes(core, 5, 6);
    QCOMPARE(core.DecompressString(back, 0), Z_OK);
    QVERIFY(back.isEmpty());
    QCOMPARE(core.OriginalSize(), 0);
    QCOMPARE(core.CompressedSize(), 0);

    // The same stream as a byte array inflates to no elements, which an array cannot hold.
    presetSizes(core, 5, 6);
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);
    QByteArray data = emptyStream;
    QCOMPARE(raisedKind([&] { core.DecompressData(data, 0); }), Kind::SubscriptOutOfRange);
    QCOMPARE(data, emptyStream);
    QCOMPARE(core.OriginalSize(), 5);
    QCOMPARE(core.CompressedSize(), 6);
    QVERIFY(spy.isEmpty());
}

void tst_PackwellCore::notInUserMode()
{
    const ModeHost design(false);
    PackwellCore core(design);
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);

    const QByteArray original = pattern(100);
    QByteArray data = original;
    QCOMPARE(core.CompressData(data), Z_OK);
    QCOMPARE(data, zlibStream(original));
    QCOMPARE(core.DecompressData(data, 100), Z_OK);
    QCOMPARE(data, original);

    QString text = QString::fromUtf16(u"a\0b", 3);
    QCOMPARE(core.CompressString(text), Z_OK);
    QCOMPARE(core.DecompressString(text, 3), Z_OK);
    QCOMPARE(text, QString::fromUtf16(u"a\0b", 3));

    core.setOriginalSize(10);
    core.setCompressedSize(20);
    QVERIFY(core.setProperty("OriginalSize", 30));
    QCOMPARE(core.OriginalSize(), 0);
    QCOMPARE(core.CompressedSize(), 0);
    QVERIFY(spy.isEmpty());

    // The mode is asked on every set, so a host that changes mode is followed.
    const ModeHost running(true);
    core.setHost(running);
    core.setOriginalSize(10);
    QCOMPARE(core.OriginalSize(), 10);
    QCOMPARE(notices(spy), QStringList { "OriginalSize" });
}

void tst_PackwellCore::propertySets()
{
    PackwellCore core;
    QCOMPARE(core.OriginalSize(), 0);
    QCOMPARE(core.CompressedSize(), 0);
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);

    core.setCompressedSize(7);
    core.setOriginalSize(-5);
    core.setOriginalSize(-5); // an unchanged value is still announced
    QVERIFY(core.setProperty("CompressedSize", kMax));
    QCOMPARE(core.CompressedSize(), kMax);
    QCOMPARE(core.OriginalSize(), -5);
    QCOMPARE(core.property("OriginalSize").toInt(), -5);
    QCOMPARE(notices(spy),
             (QStringList { "CompressedSize", "OriginalSize", "OriginalSize", "CompressedSize" }));
}

void tst_PackwellCore::initPropertiesResetsSilently()
{
    PackwellCore core;
    presetSizes(core, 3, 4);
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);
    core.InitProperties();
    QCOMPARE(core.OriginalSize(), 0);
    QCOMPARE(core.CompressedSize(), 0);
    QVERIFY(spy.isEmpty());
}

void tst_PackwellCore::tooSmallOrigSize()
{
    const QByteArray original = pattern(10000);
    const QByteArray stream = zlibStream(original);
    PackwellCore core;
    presetSizes(core, 5, 6);
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);

    // OrigSize 10 gives a capacity of 22: zlib fills it and reports a buffer error.
    QByteArray data = stream;
    QCOMPARE(core.DecompressData(data, 10), Z_BUF_ERROR);
    QCOMPARE(data, original.left(22));

    QString text = Windows1252::decode(stream);
    QCOMPARE(core.DecompressString(text, 10), Z_BUF_ERROR);
    QCOMPARE(text, Windows1252::decode(original.left(22)));

    QCOMPARE(core.OriginalSize(), 5);
    QCOMPARE(core.CompressedSize(), 6);
    QVERIFY(spy.isEmpty());
}

void tst_PackwellCore::notZlibInput()
{
    const QByteArray garbage = "this is not a zlib stream";
    PackwellCore core;
    presetSizes(core, 5, 6);
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);

    // zlib writes nothing: the string is cut to nothing, the array cannot be.
    QString text = Windows1252::decode(garbage);
    QCOMPARE(core.DecompressString(text, 100), Z_DATA_ERROR);
    QVERIFY(text.isEmpty());

    QByteArray data = garbage;
    QCOMPARE(raisedKind([&] { core.DecompressData(data, 100); }), Kind::SubscriptOutOfRange);
    QCOMPARE(data, garbage);

    QCOMPARE(core.OriginalSize(), 5);
    QCOMPARE(core.CompressedSize(), 6);
    QVERIFY(spy.isEmpty());
}

void tst_PackwellCore::brokenChecksum()
{
    // A stream whose trailing checksum is wrong inflates completely before zlib reports the data
    // error, so the array holds everything that was inflated.
    const QByteArray original = pattern(1000);
    QByteArray data = zlibStream(original);
    data[data.size() - 1] = char(data.back() ^ 0x5A);
    PackwellCore core;
    presetSizes(core, 5, 6);

    QCOMPARE(core.DecompressData(data, 1000), Z_DATA_ERROR);
    QCOMPARE(data, original);
    QCOMPARE(core.OriginalSize(), 5);
    QCOMPARE(core.CompressedSize(), 6);
}

void tst_PackwellCore::emptyArray()
{
    PackwellCore core;
    presetSizes(core, 5, 6);
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);

    QByteArray data;
    QCOMPARE(raisedKind([&] { core.CompressData(data); }), Kind::SubscriptOutOfRange);
    QVERIFY(data.isEmpty());
    QCOMPARE(core.OriginalSize(), 0); // already set when the error is raised
    QCOMPARE(core.CompressedSize(), 6);
    QCOMPARE(notices(spy), QStringList { "OriginalSize" });

    presetSizes(core, 5, 6);
    spy.clear();
    QCOMPARE(raisedKind([&] { core.DecompressData(data, 100); }), Kind::SubscriptOutOfRange);
    QVERIFY(data.isEmpty());
    QCOMPARE(core.OriginalSize(), 5);
    QCOMPARE(core.CompressedSize(), 6);
    QVERIFY(spy.isEmpty());
}

void tst_PackwellCore::smallNegativeOrigSize_data()
{
    QTest::addColumn<qint32>("origSize");
    QTest::addColumn<QByteArray>("original");

    // Sizes from -12 to -1 still give a capacity of 0 to 11 bytes.
    QTest::newRow("-1, 100 bytes") << -1 << pattern(100);
    QTest::newRow("-12, 100 bytes") << -12 << pattern(100);
    QTest::newRow("-12, empty data") << -12 << QByteArray();
}

void tst_PackwellCore::smallNegativeOrigSize()
{
    QFETCH(qint32, origSize);
    QFETCH(QByteArray, original);
    const QByteArray stream = zlibStream(original);

    // What zlib itself makes of a buffer of that capacity.
    const auto capacity = uLongf(PackwellCore::workCapacity(origSize));
    QByteArray expected(qsizetype(std::max<uLongf>(capacity, 1)), '\0');
    uLongf expectedLen = capacity;
    const int expectedCode
        = uncompress(reinterpret_cast<Bytef *>(expected.data()), &expectedLen,
                     reinterpret_cast<const Bytef *>(stream.constData()), uLong(stream.size()));
    expected.resize(qsizetype(expectedLen));

    PackwellCore core;
    QString text = Windows1252::decode(stream);
    QCOMPARE(core.DecompressString(text, origSize), expectedCode);
    QCOMPARE(text, Windows1252::decode(expected));

    QByteArray data = stream;
    if (expected.isEmpty()) {
        QCOMPARE(raisedKind([&] { core.DecompressData(data, origSize); }),
                 Kind::SubscriptOutOfRange);
        QCOMPARE(data, stream);
    } else {
        QCOMPARE(core.DecompressData(data, origSize), expectedCode);
        QCOMPARE(data, expected);
    }
}

void tst_PackwellCore::refusedOrigSize_data()
{
    QTest::addColumn<qint32>("origSize");
    QTest::addColumn<Kind>("arrayKind");
    QTest::addColumn<Kind>("stringKind");

    QTest::newRow("-13: capacity -1") << -13 << Kind::SubscriptOutOfRange << Kind::InvalidArgument;
    QTest::newRow("-100") << -100 << Kind::SubscriptOutOfRange << Kind::InvalidArgument;
    QTest::newRow("-2^31") << kMin << Kind::SubscriptOutOfRange << Kind::InvalidArgument;
    QTest::newRow("2,126,221,422: capacity 2^31") << 2126221422 << Kind::Overflow << Kind::Overflow;
    QTest::newRow("2^31-1") << kMax << Kind::Overflow << Kind::Overflow;
}

void tst_PackwellCore::refusedOrigSize()
{
    QFETCH(qint32, origSize);
    QFETCH(Kind, arrayKind);
    QFETCH(Kind, stringKind);
    const QByteArray stream = zlibStream(pattern(100));
    PackwellCore core;
    presetSizes(core, 5, 6);
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);

    QByteArray data = stream;
    QCOMPARE(raisedKind([&] { core.DecompressData(data, origSize); }), arrayKind);
    QCOMPARE(data, stream);

    QString text = Windows1252::decode(stream);
    QCOMPARE(raisedKind([&] { core.DecompressString(text, origSize); }), stringKind);
    QCOMPARE(text, Windows1252::decode(stream));

    // The capacity is refused before an empty array is.
    QByteArray empty;
    QCOMPARE(raisedKind([&] { core.DecompressData(empty, origSize); }), arrayKind);

    QCOMPARE(core.OriginalSize(), 5);
    QCOMPARE(core.CompressedSize(), 6);
    QVERIFY(spy.isEmpty());
}

void tst_PackwellCore::overflowInput()
{
    // The one large allocation of the default run: 2,126,221,422 bytes that are never written,
    // so the system only reserves them.
    QByteArray data;
    try {
        data = QByteArray(2126221422, Qt::Uninitialized);
    } catch (const std::bad_alloc &) {
        QSKIP("The system does not reserve 2 GB for an unwritten array");
    }
    PackwellCore core;
    presetSizes(core, 5, 6);
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);

    QCOMPARE(raisedKind([&] { core.CompressData(data); }), Kind::Overflow);
    QCOMPARE(data.size(), 2126221422);
    QCOMPARE(core.OriginalSize(), 2126221422); // already set when the error is raised
    QCOMPARE(core.CompressedSize(), 6);
    QCOMPARE(notices(spy), QStringList { "OriginalSize" });
}

void tst_PackwellCore::outOfMemory()
{
#ifdef Q_OS_LINUX
    // Cap the address space a little above what the test uses, so that a work buffer of two
    // billion bytes cannot be had.
    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_AS, &saved), 0);
    QFile status(QStringLiteral("/proc/self/status"));
    QVERIFY(status.open(QIODevice::ReadOnly));
    rlim_t used = 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:"))
            used = rlim_t(line.mid(7).trimmed().split(' ').at(0).toULongLong()) * 1024;
    }
    QVERIFY(used > 0);
    rlimit capped = saved;
    capped.rlim_cur = std::min<rlim_t>(saved.rlim_cur, used + (512u << 20));

    const QByteArray stream = zlibStream(pattern(100));
    PackwellCore core;
    presetSizes(core, 5, 6);
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);
    QByteArray data = stream;
    QString text = Windows1252::decode(stream);

    QCOMPARE(setrlimit(RLIMIT_AS, &capped), 0);
    const auto arrayKind = raisedKind([&] { core.DecompressData(data, 2000000000); });
    const auto stringKind = raisedKind([&] { core.DecompressString(text, 2000000000); });
    QCOMPARE(setrlimit(RLIMIT_AS, &saved), 0);

    QCOMPARE(arrayKind, Kind::OutOfMemory);
    QCOMPARE(stringKind, Kind::OutOfMemory);
    QCOMPARE(data, stream);
    QCOMPARE(text, Windows1252::decode(stream));
    QCOMPARE(core.OriginalSize(), 5);
    QCOMPARE(core.CompressedSize(), 6);
    QVERIFY(spy.isEmpty());
#else
    QSKIP("Needs an address-space limit");
#endif
}

void tst_PackwellCore::twoBillionOrigSize()
{
    // A second large buffer (2,020,000,012 bytes, reserved rather than written), so it is left
    // out of the default run.
    if (qEnvironmentVariableIsEmpty("QUILLON_LARGE_TESTS"))
        QSKIP("Set QUILLON_LARGE_TESTS=1 to run");
    const QByteArray original = pattern(100);
    QByteArray data = zlibStream(original);
    PackwellCore core;
    QCOMPARE(core.DecompressData(data, 2000000000), Z_OK);
    QCOMPARE(data, original);
}

void tst_PackwellCore::zlibCodeReturnedNotRaised()
{
    ScriptedCore core;
    core.code = Z_MEM_ERROR;
    core.output = "12345";
    presetSizes(core, 5, 6);
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);

    // CompressData keeps CompressedSize unless zlib succeeds ...
    QByteArray data = pattern(40);
    QCOMPARE(core.CompressData(data), Z_MEM_ERROR);
    QCOMPARE(data, QByteArray("12345"));
    QCOMPARE(core.OriginalSize(), 40);
    QCOMPARE(core.CompressedSize(), 6);
    QCOMPARE(notices(spy), QStringList { "OriginalSize" });

    // ... while CompressString stores zlib's output length whatever the code.
    spy.clear();
    QString text = QStringLiteral("abcdefgh");
    QCOMPARE(core.CompressString(text), Z_MEM_ERROR);
    QCOMPARE(text, QStringLiteral("12345"));
    QCOMPARE(core.OriginalSize(), 8);
    QCOMPARE(core.CompressedSize(), 5);
    QCOMPARE(notices(spy), (QStringList { "OriginalSize", "CompressedSize" }));

    // The decompressing operations keep both sizes on a non-zero code.
    spy.clear();
    QCOMPARE(core.DecompressData(data, 100), Z_MEM_ERROR);
    QCOMPARE(core.DecompressString(text, 100), Z_MEM_ERROR);
    QCOMPARE(data, QByteArray("12345"));
    QCOMPARE(text, QStringLiteral("12345"));
    QVERIFY(spy.isEmpty());
}

void tst_PackwellCore::zeroLengthArrayResult()
{
    ScriptedCore core;
    core.code = Z_OK;
    presetSizes(core, 5, 6);
    QSignalSpy spy(&core, &PackwellCore::propertyChanged);

    QByteArray data = "abc";
    QCOMPARE(raisedKind([&] { core.CompressData(data); }), Kind::SubscriptOutOfRange);
    QCOMPARE(core.calls, 1); // the zlib call has run
    QCOMPARE(data, QByteArray("abc"));
    QCOMPARE(core.OriginalSize(), 3);
    QCOMPARE(core.CompressedSize(), 6);
    QCOMPARE(notices(spy), QStringList { "OriginalSize" });

    // A string may become empty.
    QString text = QStringLiteral("abc");
    QCOMPARE(core.CompressString(text), Z_OK);
    QVERIFY(text.isEmpty());
    QCOMPARE(core.CompressedSize(), 0);
}

void tst_PackwellCore::callableThroughStdFunction()
{
    // The way the compressed-entry writer reaches the component.
    PackwellCore core;
    const std::function<qint32(QByteArray &, const qint32 &)> decompress
        = std::bind_front(&PackwellCore::DecompressData, &core);
    const QByteArray original = pattern(500);
    QByteArray data = zlibStream(original);
    const qint32 unpackedSize = 500;
    QCOMPARE(decompress(data, unpackedSize), Z_OK);
    QCOMPARE(data, original);
}

void tst_PackwellCore::invokableByName()
{
    PackwellCore core;
    const QByteArray original = pattern(300);
    QByteArray data = original;
    qint32 code = -1;
    QVERIFY(QMetaObject::invokeMethod(&core, "CompressData", Q_RETURN_ARG(qint32, code),
                                      Q_ARG(QByteArray &, data)));
    QCOMPARE(code, Z_OK);
    QCOMPARE(data, zlibStream(original));
    QCOMPARE(core.property("CompressedSize").toInt(), data.size());

    QVERIFY(QMetaObject::invokeMethod(&core, "DecompressData", Q_RETURN_ARG(qint32, code),
                                      Q_ARG(QByteArray &, data), Q_ARG(qint32, 300)));
    QCOMPARE(code, Z_OK);
    QCOMPARE(data, original);
}

QTEST_GUILESS_MAIN(tst_PackwellCore)
#include "tst_packwellcore.moc"
