// Inputs for timing `quillon create` as a whole process (scripts/bench create):
//
//   create_bench text FILE MIB      writes MIB MiB of compressible text (words drawn at random,
//                                   lines of varying length), one large file to pack
//   create_bench files DIR COUNT    writes COUNT small files of 1-4 KiB, 1,000 to a folder, for
//                                   the memory bound of a large directory
//   create_bench entries FILE COUNT writes an archive of COUNT stored entries of 1-64 bytes in
//                                   nested folders, for `quillon update` of a large directory
#include "support/ArchiveWriter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>

namespace {

constexpr qint64 kMiB = 1 << 20;

// Text that deflates to a third or so, as prose and source code do.
QByteArray words(QRandomGenerator &rng, qint64 size)
{
    static const char *const kWords[]
        = { "archive", "entry", "folder", "quill",  "data",    "name",    "record", "offset",
            "size",    "the",   "of",     "stored", "inflate", "deflate", "piece",  "window" };
    QByteArray text;
    text.reserve(size + 16);
    while (text.size() < size) {
        text += kWords[rng.bounded(int(std::size(kWords)))];
        text += rng.bounded(10) == 0 ? '\n' : ' ';
        if (rng.bounded(50) == 0)
            text += QByteArray::number(rng.generate());
    }
    text.truncate(size);
    return text;
}

int text(const QString &path, qint64 mib)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    QRandomGenerator rng(11);
    for (qint64 i = 0; i < mib; ++i)
        if (file.write(words(rng, kMiB)) != kMiB)
            return 1;
    return 0;
}

int files(const QString &path, int count)
{
    QRandomGenerator rng(13);
    QDir root(path);
    for (int i = 0; i < count; ++i) {
        const QString folder = QStringLiteral("folder%1").arg(i / 1000, 4, 10, QLatin1Char('0'));
        if (i % 1000 == 0 && !root.mkpath(folder))
            return 1;
        QFile file(root.filePath(folder + QStringLiteral("/file%1.txt").arg(i)));
        const QByteArray content = words(rng, 1024 + rng.bounded(3 * 1024));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return 1;
    }
    return 0;
}

int entries(const QString &path, int count)
{
    QRandomGenerator rng(17);
    ArchiveWriter writer;
    writer.setCountConvention(ArchiveWriter::Count::RecordsPlusOne);
    for (int i = 0; i < count; ++i) {
        const QByteArray name = QStringLiteral("data\\%1\\%2\\entry%3.bin")
                                    .arg(i / 100000)
                                    .arg(i / 1000 % 100)
                                    .arg(i)
                                    .toLatin1();
        writer.add(ArchiveWriter::stored(name, words(rng, 1 + rng.bounded(64))));
    }
    return writer.writeTo(path) ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "text" && argc == 4)
        return text(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toLongLong());
    if (mode == "files" && argc == 4)
        return files(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    if (mode == "entries" && argc == 4)
        return entries(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    std::fprintf(stderr,
                 "usage: create_bench text FILE MIB | files DIR COUNT | entries FILE COUNT\n");
    return 2;
}
