// Export All of many small entries, measured as whole processes (pair them with a timing tool):
//
//   export_bench generate ARCHIVE TREE   writes the archive (20,000 entries of 1-16 KiB, half
//                                        zlib text, half stored random bytes, 200 x 7 nested
//                                        folders, no folder entries) and its files under TREE,
//                                        from which scripts/bench makes the equivalent zip
//   export_bench core ARCHIVE DIR        the extraction code alone, as Export All runs it
//   export_bench window ARCHIVE DIR      Export All through the real main window (offscreen)
//   export_bench plain ARCHIVE DIR       a plain extractor for reference: one open/write/close
//                                        per file, one uncompress per entry, folders made once
//   export_bench repaint [N]             the cost of one repaint of the progress label in
//                                        its real place
#include "archive/DirectoryReader.h"
#include "compress/PackwellCore.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractReporter.h"
#include "extract/Extraction.h"
#include "support/ArchiveWriter.h"
#include "ui/ostrel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QRandomGenerator>

#include <cstdio>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

class CountingReporter : public ExtractReporter
{
public:
    void message(const QString &text) override
    {
        if (!text.startsWith(QLatin1String("Done")))
            ++failures;
    }
    int failures = 0;
};

int generate(const QString &archivePath, const QString &treePath)
{
    QRandomGenerator rng(7);
    static const char *const words[] = { "archive", "entry",  "folder", "quill",  "data",   "name",
                                         "record",  "offset", "size",   "stored", "inflate" };
    ArchiveWriter writer;
    QDir tree(treePath);
    for (int i = 0; i < 20000; ++i) {
        // 200 top-level folders, each 7 levels deep; 100 files in each deepest folder.
        const int top = i % 200;
        QByteArray folder = "set" + QByteArray::number(top);
        for (int level = 1; level < 7; ++level)
            folder += "\\level" + QByteArray::number(level);
        const int size = 1024 + rng.bounded(15 * 1024 + 1);
        const bool text = i % 2 == 0;
        QByteArray content;
        content.reserve(size);
        if (text) {
            while (content.size() < size) {
                content += words[rng.bounded(int(std::size(words)))];
                content += rng.bounded(12) == 0 ? '\n' : ' ';
            }
            content.truncate(size);
        } else {
            content.resize(size);
            rng.fillRange(reinterpret_cast<quint32 *>(content.data()), size / 4);
        }
        const QByteArray name
            = folder + "\\file" + QByteArray::number(i) + (text ? ".txt" : ".bin");
        writer.add(text ? ArchiveWriter::compressed(name, content)
                        : ArchiveWriter::stored(name, content));

        const QString relative
            = QString::fromLatin1(name).replace(QLatin1Char('\\'), QLatin1Char('/'));
        tree.mkpath(QFileInfo(relative).path());
        QFile file(tree.filePath(relative));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return 1;
    }
    return writer.writeTo(archivePath) ? 0 : 1;
}

bool readTable(const QString &archivePath, DirectoryReader &reader)
{
    QFile file(archivePath);
    return file.open(QIODevice::ReadOnly) && reader.read(&file);
}

// The extraction alone; with a label, each entry's path is also set on it and repainted, as
// the window does.
int exportWithCore(const QString &archivePath, const QString &dir, QLabel *label = nullptr)
{
    DirectoryReader reader;
    if (!readTable(archivePath, reader))
        return 2;
    CountingReporter reporter;
    PackwellCore packwell;
    EntryWriter writer(
        QFile::encodeName(archivePath), QFile::encodeName(dir),
        [&packwell](QByteArray &data, const qint32 &size) {
            return packwell.DecompressData(data, size);
        },
        reporter);
    QElapsedTimer timer;
    timer.start();
    qint64 paintNs = 0;
    Extraction::Progress progress;
    if (label) {
        progress = [&](const QString &path) {
            QElapsedTimer paint;
            paint.start();
            label->setText(path);
            label->repaint();
            paintNs += paint.nsecsElapsed();
        };
    }
    Extraction(reader.table(), dir, writer, progress).extractAll();
    std::printf("extraction%s: %.1f ms", label ? " with repaints" : " alone",
                timer.nsecsElapsed() / 1e6);
    if (label)
        std::printf(", one repaint %.1f us", paintNs / 1e3 / reader.table().filledRows());
    std::printf("\n");
    return reporter.failures == 0 ? 0 : 1;
}

int exportThroughWindow(const QString &archivePath, const QString &dir)
{
    ostrel w;
    int failures = 0;
    w.setFileChooser([&](QWidget *, const QString &, const QString &) { return archivePath; });
    w.setDirChooser([&](ostrel &window) { window.getDir(dir); });
    w.setMessageSink([&](const QString &text) {
        if (!text.startsWith(QLatin1String("Done")))
            ++failures;
    });
    w.Form_Load();
    QApplication::processEvents();
    w.mnuFileOpen_Click();
    QElapsedTimer timer;
    timer.start();
    w.mnuFileSaveAll_Click();
    std::printf("Export All in the window: %.1f ms\n", timer.nsecsElapsed() / 1e6);
    return failures == 0 ? 0 : 1;
}

// What a straightforward extractor does, without any of the program's safety checks.
int exportPlainly(const QString &archivePath, const QString &dir)
{
    DirectoryReader reader;
    if (!readTable(archivePath, reader))
        return 2;
    const EntryTable &table = reader.table();
    std::set<QByteArray> made;
    QByteArray buffer, packed;
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        const EntryRecord e = table.at(row);
        QByteArray path = (dir + QLatin1Char('/')
                           + QString(e.name).replace(QLatin1Char('\\'), QLatin1Char('/')))
                              .toUtf8();
        for (qsizetype slash = path.indexOf('/', dir.size() + 1); slash > 0;
             slash = path.indexOf('/', slash + 1)) {
            const QByteArray folder = path.left(slash);
            if (made.insert(folder).second)
                ::mkdir(folder.constData(), 0777);
        }
        const int in = ::open(archivePath.toUtf8().constData(), O_RDONLY);
        if (e.entryType == 1) {
            buffer.resize(e.unpackedSize);
            if (::pread(in, buffer.data(), size_t(e.unpackedSize), e.offset) != e.unpackedSize)
                return 1;
        } else {
            packed.resize(e.packedSize);
            if (::pread(in, packed.data(), size_t(e.packedSize), e.offset) != e.packedSize)
                return 1;
            buffer.resize(e.unpackedSize);
            uLongf outLen = uLongf(e.unpackedSize);
            if (uncompress(reinterpret_cast<Bytef *>(buffer.data()), &outLen,
                           reinterpret_cast<const Bytef *>(packed.constData()),
                           uLong(packed.size()))
                != Z_OK)
                return 1;
        }
        ::close(in);
        const int out = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (out < 0 || ::write(out, buffer.constData(), size_t(buffer.size())) != buffer.size())
            return 1;
        ::close(out);
    }
    return 0;
}

int timeRepaints(int count)
{
    ostrel w;
    w.Form_Load();
    QApplication::processEvents();
    auto *label = w.findChild<QLabel *>(QStringLiteral("lblExtract"));
    label->show();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        label->setText(
            QStringLiteral("/tmp/out/set%1/level1/level2/level3/level4/level5/level6/file%2.bin")
                .arg(i % 200)
                .arg(i));
        label->repaint();
    }
    std::printf("one repaint of lblExtract: %.1f us (%d repaints)\n",
                timer.nsecsElapsed() / 1e3 / count, count);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("repaint"))
        return timeRepaints(args.size() > 2 ? args[2].toInt() : 20000);
    if (args.size() != 4) {
        std::fprintf(stderr,
                     "usage: export_bench generate|core|window|plain ARCHIVE DIR | repaint [N]\n");
        return 2;
    }
    const QString archivePath = QFileInfo(args[2]).absoluteFilePath();
    const QString dir = QFileInfo(args[3]).absoluteFilePath();
    if (mode == QLatin1String("generate"))
        return generate(archivePath, dir);
    if (mode == QLatin1String("core"))
        return exportWithCore(archivePath, dir);
    if (mode == QLatin1String("window"))
        return exportThroughWindow(archivePath, dir);
    if (mode == QLatin1String("core-repaint")) {
        ostrel w;
        w.Form_Load();
        QApplication::processEvents();
        auto *label = w.findChild<QLabel *>(QStringLiteral("lblExtract"));
        label->show();
        return exportWithCore(archivePath, dir, label);
    }
    if (mode == QLatin1String("plain"))
        return exportPlainly(archivePath, dir);
    return 2;
}
