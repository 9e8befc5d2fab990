// The window's Edit and View commands on big and hostile archives:
//
//   view_bench select FILE [RUNS]   on an archive of 1,000,000 entries (open_bench generate):
//                                   median times of a pattern matching about half the entries
//                                   (scattered, and whole folders), Invert Selection, Select
//                                   All, reading the selected rows as Export Selected does, and
//                                   repainting the list with the scattered half selected
//   view_bench preview FILE         one viewer of FILE's first entry: the time from the command
//                                   to the painted viewer, the longest the window's thread was
//                                   busy meanwhile, and the process's memory before and at its
//                                   peak
//   view_bench generate-WHAT FILE   writes an archive of one entry: image, a PNG claiming 60,000
//                                   x 60,000 pixels; scans, a JPEG of 5,000 x 5,000 pixels in
//                                   100,000 scans; deep, a PNG of 5,000 x 5,000 16-bit pixels;
//                                   lines, 16 MiB of line feeds
//
// Goals: each selection command under 0.3 s; the viewer of a 1 GiB compressed entry, of a small
// entry inflating to 2 GiB and of the image claim each under 1 s, of the scans under 2 s with
// the window answering all the while; every one within 100 MiB of the memory used before.

#include "support/ArchiveWriter.h"
#include "support/JpegBytes.h"
#include "support/PngBytes.h"
#include "ui/EntryCommands.h"
#include "ui/EntryListView.h"
#include "ui/preview/EntryPreview.h"
#include "ui/preview/dlgPreview.h"
#include "ui/ostrel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

// The thread's processor time in ms: on a busy machine, what a step costs apart from waiting.
double cpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A figure of /proc/self/status, in MiB.
double statusMiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line; !(line = status.readLine()).isEmpty();)
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

struct Opened
{
    explicit Opened(const QString &path)
    {
        window.setFileChooser([path](QWidget *, const QString &, const QString &) { return path; });
        window.Form_Load();
        window.mnuFileOpen_Click();
        QApplication::processEvents();
        list = window.findChild<EntryListView *>(QStringLiteral("lstDat"));
        commands = window.findChild<EntryCommands *>();
    }

    ostrel window;
    EntryListView *list = nullptr;
    EntryCommands *commands = nullptr;
};

int timeSelection(const QString &path, int runs)
{
    Opened opened(path);
    // Wall and processor times of each step.
    std::vector<double> scattered[2], folders[2], invert[2], all[2], rows[2], paint[2];
    qint64 selected = 0;
    const auto time = [&](std::vector<double> *ms, const std::function<void()> &step) {
        QElapsedTimer timer;
        timer.start();
        const double cpu = cpuMs();
        step();
        QApplication::processEvents(); // the list repaints what changed
        ms[0].push_back(timer.nsecsElapsed() / 1e6);
        ms[1].push_back(cpuMs() - cpu);
    };
    for (int i = 0; i < runs; ++i) {
        opened.list->clearSelection();
        // Names end in a random letter: about half the entries, nearly every other row.
        time(scattered, [&] { opened.commands->selectMatching(QStringLiteral("*[a-m].bin")); });
        selected = EntryListView::selectedCount(opened.list->selectionModel()->selection());
        // Qt looks up each painted item in every run of the selection.
        time(paint, [&] { opened.list->viewport()->repaint(); });
        time(invert, [&] { opened.commands->mnuEditInvert_Click(); });
        time(rows,
             [&] { EntryListView::selectedRows(opened.list->selectionModel()->selection()); });
        opened.list->clearSelection();
        // Folders start with a random letter: about half the entries in runs of 500.
        time(folders, [&] { opened.commands->selectMatching(QStringLiteral("data/[a-m]*")); });
        time(all, [&] { opened.commands->mnuEditSelectAll_Click(); });
    }
    std::printf("select on %d rows, medians of %d runs, wall ms (processor ms):\n",
                opened.list->model()->rowCount(), runs);
    const auto report = [](const char *what, const std::vector<double> *ms) {
        std::printf("  %-44s %7.1f (%7.1f)\n", what, median(ms[0]), median(ms[1]));
    };
    std::printf("  pattern *[a-m].bin selects %lld rows, scattered\n", selected);
    report("Select Matching, scattered half", scattered);
    report("Select Matching, whole folders (data/[a-m]*)", folders);
    report("one repaint of the list, scattered half selected", paint);
    report("Invert Selection of the scattered half", invert);
    report("selected rows for Export Selected", rows);
    report("Select All", all);
    return 0;
}

int timePreview(const QString &path)
{
    Opened opened(path);
    const double before = statusMiB("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    // What the Preview command does, without waiting for a person to close the viewer.
    dlgPreview viewer(PreviewRequest { QFile::encodeName(path), opened.window.archiveIdentity(),
                                       opened.window.entries().at(0) },
                      &opened.window);
    viewer.show();
    // A tick every 10 ms on the window's thread while it waits: the longest gap between two is
    // how long the window froze.
    double longest = 0;
    QElapsedTimer gap;
    gap.start();
    QEventLoop wait;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, gap.nsecsElapsed() / 1e6);
        gap.restart();
        if (!viewer.isLoading())
            wait.quit();
    });
    tick.start(10);
    wait.exec();
    QApplication::processEvents();
    const double ms = timer.nsecsElapsed() / 1e6;
    const auto *cause = viewer.findChild<QLabel *>(QStringLiteral("lblCause"));
    const double above = statusMiB("VmHWM:") - before;
    std::printf(
        "preview: %.1f ms, the window's longest gap between ticks %.1f ms; memory %.1f MiB before, "
        "peak %.1f MiB above it (%s); \"%s\" %s\n",
        ms, longest, before, above, above < 100 ? "within 100 MiB" : "OVER 100 MiB",
        qPrintable(viewer.findChild<QLabel *>(QStringLiteral("lblSummary"))->text()),
        cause ? qPrintable(cause->text()) : "");
    return 0;
}

// Archives of one hostile entry for the viewer, by name.
int generate(const QString &what, const QString &path)
{
    using W = ArchiveWriter;
    W::Entry entry;
    if (what == QLatin1String("image")) {
        // A few real rows under the header's claim: a reader that trusted it would ask for 13 GiB.
        entry = W::stored("huge\\claim.png",
                          pngBytes(60000, 60000, QByteArray(4 * (1 + 3 * 60000), '\0')));
    } else if (what == QLatin1String("scans")) {
        // 25,000,000 pixels in 100,000 scans: minutes of decoding in an entry of a few KB.
        entry = W::compressed("scans.jpg", progressiveJpegBytes(5000, 5000, 100000));
    } else if (what == QLatin1String("deep")) {
        // 25,000,000 pixels of 64 bits once decoded.
        entry = W::stored("deep.png", blackPngBytes(5000, 5000, 16));
    } else if (what == QLatin1String("lines")) {
        entry = W::compressed("lines.txt", QByteArray(16 << 20, '\n'));
    } else {
        return 2;
    }
    return W().add(entry).writeTo(path) ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: view_bench select|preview|generate-WHAT FILE [RUNS]\n");
        return 2;
    }
    const QString mode = args[1];
    if (mode == QLatin1String("select"))
        return timeSelection(args[2], args.size() > 3 ? args[3].toInt() : 5);
    if (mode == QLatin1String("preview"))
        return timePreview(args[2]);
    if (mode.startsWith(QLatin1String("generate-")))
        return generate(mode.mid(9), args[2]);
    return 2;
}
