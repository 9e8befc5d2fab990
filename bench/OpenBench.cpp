// Opening a very large archive: the directory reader alone, and a full Open into the main window
// until the list holds every row and has painted.
//
//   open_bench generate FILE [ENTRIES]   writes an archive (default 1,000,000 entries)
//   open_bench generate-long FILE [MIB]  writes an archive whose second entry has a name of
//                                        MIB MiB (default 16) among short ones
//   open_bench reader FILE [RUNS]        median time of the directory reader
//   open_bench window FILE [RUNS]        median time of a full Open (one window per run), and
//                                        of one repaint of the whole list afterwards
//
// Run "window" with one run under /usr/bin/time -v for the peak memory of an Open. Goals: the
// 1,000,000 entries open in under 0.25 s; the 16 MiB name opens in under 1 s and the list
// paints in under 50 ms.

#include "archive/DirectoryReader.h"
#include "support/ArchiveWriter.h"
#include "ui/ostrel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int generate(const QString &path, int entries)
{
    QRandomGenerator rng(1);
    const auto word = [&rng](int length) {
        QByteArray w;
        for (int i = 0; i < length; ++i)
            w.append(char('a' + rng.bounded(26)));
        return w;
    };
    ArchiveWriter writer;
    QByteArray folder = "data\\" + word(6);
    for (int i = 0; i < entries; ++i) {
        if (i % 500 == 0) // a new nested folder now and then
            folder = "data\\" + word(4) + "\\" + word(5);
        // Names of 20 to 40 characters, folders included.
        QByteArray name = folder + "\\" + word(40);
        name.truncate(20 + rng.bounded(21) - 4);
        writer.add(ArchiveWriter::raw(name + ".bin", 1, {}));
    }
    if (!writer.writeTo(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("wrote %d entries to %s\n", entries, qPrintable(path));
    return 0;
}

int generateLong(const QString &path, int mib)
{
    ArchiveWriter writer;
    writer.add(ArchiveWriter::stored("before.txt", "b"));
    QByteArray name(qsizetype(mib) << 20, 'n');
    for (qsizetype i = 80; i < name.size(); i += 80)
        name[i] = '\\'; // folder levels every 80 characters
    writer.add(ArchiveWriter::stored(name + ".txt", "long"));
    writer.add(ArchiveWriter::stored("after.txt", "a"));
    if (!writer.writeTo(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("wrote a %d MiB name to %s\n", mib, qPrintable(path));
    return 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int timeReader(const QString &path, int runs)
{
    std::vector<double> ms;
    qint32 rows = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        QFile file(path);
        DirectoryReader reader;
        if (!file.open(QIODevice::ReadOnly) || !reader.read(&file))
            return 1;
        rows = reader.table().filledRows();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("reader: %d rows, median %.1f ms over %d runs\n", rows, median(ms), runs);
    return 0;
}

int timeWindow(const QString &path, int runs)
{
    std::vector<double> ms, paintMs;
    int rows = 0;
    for (int i = 0; i < runs; ++i) {
        ostrel window;
        window.setFileChooser(
            [&path](QWidget *, const QString &, const QString &) { return path; });
        window.Form_Load();
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        window.mnuFileOpen_Click();
        QApplication::processEvents(); // lay out and paint the list
        ms.push_back(timer.nsecsElapsed() / 1e6);
        auto *list = window.findChild<QAbstractItemView *>(QStringLiteral("lstDat"));
        rows = list->model()->rowCount();
        // What every scroll or mouse move over the list costs at least.
        timer.restart();
        list->viewport()->repaint();
        paintMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("window: %d rows listed, median %.1f ms over %d runs; list repaint median %.2f "
                "ms\n",
                rows, median(ms), runs, median(paintMs));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: open_bench generate|generate-long|reader|window FILE [N]\n");
        return 2;
    }
    const QString mode = args[1];
    const QString path = args[2];
    const int n = args.size() > 3 ? args[3].toInt() : 0;
    if (mode == QLatin1String("generate"))
        return generate(path, n > 0 ? n : 1000000);
    if (mode == QLatin1String("generate-long"))
        return generateLong(path, n > 0 ? n : 16);
    if (mode == QLatin1String("reader"))
        return timeReader(path, n > 0 ? n : 7);
    if (mode == QLatin1String("window"))
        return timeWindow(path, n > 0 ? n : 5);
    return 2;
}
