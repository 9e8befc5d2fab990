// Writes the seed corpora: make_seeds fuzz/corpus
// Seeds are small valid archives of every entry kind and both count conventions.
#include "support/ArchiveWriter.h"
#include "support/SampleArchive.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstdio>

namespace {

bool write(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds CORPUS_DIR\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    using W = ArchiveWriter;
    const QList<std::pair<QString, QByteArray>> archives {
        { "seed-sample", sampleArchive().build() },
        { "seed-sample-plus-one",
          sampleArchive().setCountConvention(W::Count::RecordsPlusOne).build() },
        { "seed-stored", W().add(W::stored("a.txt", "abc")).build() },
        { "seed-compressed", W().add(W::compressed("dir\\b.txt", QByteArray(300, 'b'))).build() },
        { "seed-folder", W().add(W::folder("sub\\deep\\leaf")).build() },
        { "seed-mixed",
          W().add(W::folder("sub"))
              .add(W::stored("sub\\x.bin", QByteArray("\x00\x01\x02", 3)))
              .add(W::compressed("sub\\y.txt", "hello"))
              .add(W::raw("odd", 3, "zz"))
              .setCountConvention(W::Count::RecordsPlusOne)
              .build() },
    };
    for (const QString &target : { QStringLiteral("reader"), QStringLiteral("extract") }) {
        root.mkpath(target);
        const QDir dir(root.filePath(target));
        for (const auto &[name, bytes] : archives)
            if (!write(dir, name, bytes))
                return 1;
    }

    // The compression target takes an OrigSize, then data.
    const auto sized = [](qint32 origSize, const QByteArray &data) -> QByteArray {
        char size[4];
        qToLittleEndian(origSize, size);
        return QByteArray(size, 4) + data;
    };
    const QByteArray text = QByteArray("hello, hello, hello\0 world\0", 27).repeated(20);
    const QList<std::pair<QString, QByteArray>> streams {
        { "seed-exact-size", sized(qint32(text.size()), W::zlibCompress(text)) },
        { "seed-too-small", sized(10, W::zlibCompress(text)) },
        { "seed-empty-stream", sized(0, W::zlibCompress({})) },
        { "seed-not-zlib", sized(100, "plain bytes, not a stream") },
        { "seed-negative-size", sized(-13, W::zlibCompress("x")) },
        { "seed-overflow-size", sized(2126221422, W::zlibCompress("x")) },
    };
    root.mkpath(QStringLiteral("packwell"));
    for (const auto &[name, bytes] : streams)
        if (!write(QDir(root.filePath(QStringLiteral("packwell"))), name, bytes))
            return 1;

    // The create target takes a tree in steps of three bytes: what (0 a folder gone into, 1 a
    // file, 2 up one folder, 3 an empty folder), which name, and the file's size and kind.
    const QList<std::pair<QString, QByteArray>> trees {
        { "seed-names",
          QByteArray::fromHex("010000 010100 010200 010300 010400 010500 010600 "
                              "010700 010800 010900 010a00 010b00") },
        { "seed-sizes",
          QByteArray::fromHex("000100 010015 01011f 010229 010310 01041a 010524 "
                              "01060e 010718 010822 01091c 010a13 020000 010300 010b3b") },
        { "seed-deep",
          QByteArray::fromHex("000000 000100 000200 000300 030400 010514 020000 "
                              "020000 010b01") },
    };
    root.mkpath(QStringLiteral("create"));
    for (const auto &[name, bytes] : trees)
        if (!write(QDir(root.filePath(QStringLiteral("create"))), name, bytes))
            return 1;
    return 0;
}
