// Opening a very large archive: the directory reader alone, and a full Open into the main window
// until the list holds every row and has painted.
//
//   open_bench generate FILE [ENTRIES]   writes an archive (default 1,000,000 entries)
//   open_bench reader FILE [RUNS]        median time of the directory reader
//   open_bench window FILE [RUNS]        median time of a full Open (one window per run)
//
// Run "window" with one run under /usr/bin/time -v for the peak memory of an Open.

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
    std::vector<double> ms;
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
        rows = window.findChild<QAbstractItemView *>(QStringLiteral("lstDat"))->model()->rowCount();
    }
    std::printf("window: %d rows listed, median %.1f ms over %d runs\n", rows, median(ms), runs);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: open_bench generate|reader|window FILE [N]\n");
        return 2;
    }
    const QString mode = args[1];
    const QString path = args[2];
    const int n = args.size() > 3 ? args[3].toInt() : 0;
    if (mode == QLatin1String("generate"))
        return generate(path, n > 0 ? n : 1000000);
    if (mode == QLatin1String("reader"))
        return timeReader(path, n > 0 ? n : 7);
    if (mode == QLatin1String("window"))
        return timeWindow(path, n > 0 ? n : 5);
    return 2;
}
