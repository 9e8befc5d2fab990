// Inputs for the memory and time bounds, timed as whole processes by scripts/bench:
//
//   limits_bench hostile DIR   writes 1 MiB archives whose entries claim 2 GiB sizes, offsets
//                              near the 32-bit limit, a count of two billion, lie 2,000
//                              folders deep or 80,000 folders deep, and one with a name of 8 MiB
//   limits_bench large DIR     writes a 1 GiB stored entry (large-stored.dat, its bytes alone in
//                              large-stored.bin) and a 1 GiB compressed one (large-zlib.dat, its
//                              zlib stream alone in large-zlib.z)
//   limits_bench huge DIR      writes huge-zlib.dat, a ~2 MB archive whose one compressed entry
//                              inflates to 2,126,221,421 bytes, the most a 32-bit work
//                              capacity allows
//   limits_bench patterns DIR  writes patterns-long.dat, 10,000 names of about 1 KB, each 512
//                              folders of "a" deep with no "b" and no ".x": the worst case
//                              for '*a*a*a*a*a*a*a*a*b' and '*/*/*/*/*/*.x'
//   limits_bench inflate STREAM SIZE OUT
//                              zlib's own one-shot uncompress of STREAM into OUT, the reference
//                              for exporting the compressed entry
#include "support/ArchiveWriter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>
#include <limits>
#include <zlib.h>

namespace {

constexpr qint32 kMax = std::numeric_limits<qint32>::max();
constexpr qint64 kMiB = 1 << 20;

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

// Pads an archive's data area so the whole file is exactly 1 MiB.
QByteArray oneMiB(ArchiveWriter writer)
{
    const qint64 size = writer.build().size();
    writer.setLeadingBytes(QByteArray(kMiB - size, '\x5a'));
    return writer.build();
}

int hostile(const QDir &dir)
{
    using W = ArchiveWriter;
    W sizes, offsets;
    for (int i = 0; i < 10000; ++i) {
        const QByteArray name = "claims\\" + QByteArray::number(i) + ".bin";
        // Stored and compressed entries claiming 2 GiB, inside and past the archive.
        sizes.add(i % 2 ? W::stored(name, "s").withUnpackedSize(kMax - i)
                        : W::compressed(name, "c").withUnpackedSize(2000000000 + i));
        offsets.add(i % 2 ? W::stored(name, "s").withOffset(kMax - i)
                          : W::compressed(name, "c").withOffset(kMax - 16).withPackedSize(kMax));
    }
    // 200 files 2,000 folders down, taking turns between two chains so every entry is walked
    // from the top.
    W deep;
    for (int i = 0; i < 200; ++i)
        deep.add(W::stored("c" + QByteArray::number(i % 2) + "\\" + QByteArray("d\\").repeated(1999)
                               + "f" + QByteArray::number(i) + ".txt",
                           "deep"));
    const bool ok = write(dir.filePath(QStringLiteral("hostile-sizes.dat")), oneMiB(sizes))
        && write(dir.filePath(QStringLiteral("hostile-offsets.dat")), oneMiB(offsets))
        && write(dir.filePath(QStringLiteral("hostile-count.dat")),
                 oneMiB(W().add(W::folder("a")).overrideCount(2000000000)))
        && write(dir.filePath(QStringLiteral("hostile-deep.dat")), oneMiB(deep))
        && write(dir.filePath(QStringLiteral("hostile-namelen.dat")),
                 oneMiB(W().add(W::folder("a").withNameLen(2000000000)).add(W::folder("b"))))
        // One name of 80,000 folders, which every pattern used to try folder by folder, and one
        // of 8 MiB (4,194,304 levels), which used to be made folder by folder.
        && write(dir.filePath(QStringLiteral("hostile-levels.dat")),
                 oneMiB(W().add(W::stored(QByteArray("a\\").repeated(80000) + "x.bin", "x"))))
        && write(dir.filePath(QStringLiteral("hostile-name8m.dat")),
                 W().add(W::stored(QByteArray("a\\").repeated(4 * kMiB - 1) + "x", "x")).build());
    return ok ? 0 : 1;
}

int patterns(const QDir &dir)
{
    ArchiveWriter writer;
    for (int i = 0; i < 10000; ++i)
        writer.add(ArchiveWriter::raw(QByteArray::number(i) + QByteArray("\\a").repeated(512), 1));
    return writer.writeTo(dir.filePath(QStringLiteral("patterns-long.dat"))) ? 0 : 1;
}

int large(const QDir &dir)
{
    // Random bytes for the stored entry, text-like bytes for the compressed one.
    QByteArray bytes(1024 * kMiB, Qt::Uninitialized);
    QRandomGenerator(3).fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    if (!write(dir.filePath(QStringLiteral("large-stored.bin")), bytes)
        || !ArchiveWriter()
                .add(ArchiveWriter::stored("large\\stored.bin", bytes))
                .writeTo(dir.filePath(QStringLiteral("large-stored.dat"))))
        return 1;
    static const char words[] = "the quick brown fox jumps over the lazy dog archive entry folder ";
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = words[(i * 7 + (i >> 12)) % (sizeof words - 1)];
    const QByteArray stream = ArchiveWriter::zlibCompress(bytes);
    if (!write(dir.filePath(QStringLiteral("large-zlib.z")), stream))
        return 1;
    ArchiveWriter::Entry entry = ArchiveWriter::raw("large\\inflated.txt", 2, stream);
    entry.withUnpackedSize(qint32(bytes.size()));
    return ArchiveWriter().add(entry).writeTo(dir.filePath(QStringLiteral("large-zlib.dat"))) ? 0
                                                                                              : 1;
}

int huge(const QDir &dir)
{
    // The largest size whose work capacity still fits 32 bits.
    constexpr qint32 size = 2126221421;
    z_stream zs {};
    if (deflateInit(&zs, Z_BEST_COMPRESSION) != Z_OK)
        return 1;
    const QByteArray zeros(kMiB, '\0');
    QByteArray stream;
    QByteArray out(kMiB, Qt::Uninitialized);
    for (qint64 left = size; left >= 0;) {
        const qint64 n = qMin(left, kMiB);
        zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.constData()));
        zs.avail_in = uInt(n);
        left -= n;
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        do {
            zs.next_out = reinterpret_cast<Bytef *>(out.data());
            zs.avail_out = uInt(out.size());
            deflate(&zs, flush);
            stream.append(out.constData(), out.size() - zs.avail_out);
        } while (zs.avail_out == 0);
        if (flush == Z_FINISH)
            break;
    }
    deflateEnd(&zs);
    ArchiveWriter::Entry entry = ArchiveWriter::raw("huge\\zeros.bin", 2, stream);
    entry.withUnpackedSize(size);
    return ArchiveWriter().add(entry).writeTo(dir.filePath(QStringLiteral("huge-zlib.dat"))) ? 0
                                                                                             : 1;
}

int inflate(const QString &streamPath, qint64 size, const QString &outPath)
{
    QFile in(streamPath);
    if (!in.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray stream = in.readAll();
    QByteArray out(size, Qt::Uninitialized);
    uLongf outLen = uLongf(size);
    if (uncompress(reinterpret_cast<Bytef *>(out.data()), &outLen,
                   reinterpret_cast<const Bytef *>(stream.constData()), uLong(stream.size()))
        != Z_OK)
        return 1;
    out.truncate(qsizetype(outLen));
    return write(outPath, out) ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("hostile") && argc == 3)
        return hostile(QDir(QString::fromLocal8Bit(argv[2])));
    if (mode == QLatin1String("large") && argc == 3)
        return large(QDir(QString::fromLocal8Bit(argv[2])));
    if (mode == QLatin1String("patterns") && argc == 3)
        return patterns(QDir(QString::fromLocal8Bit(argv[2])));
    if (mode == QLatin1String("huge") && argc == 3)
        return huge(QDir(QString::fromLocal8Bit(argv[2])));
    if (mode == QLatin1String("inflate") && argc == 5)
        return inflate(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toLongLong(),
                       QString::fromLocal8Bit(argv[4]));
    std::fprintf(
        stderr,
        "usage: limits_bench hostile DIR | patterns DIR | large DIR | huge DIR | inflate STREAM "
        "SIZE OUT\n");
    return 2;
}
