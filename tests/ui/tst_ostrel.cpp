#include "compress/Packwell.h"
#include "support/ArchiveWriter.h"
#include "support/JpegBytes.h"
#include "support/ModalAnswer.h"
#include "support/PngBytes.h"
#include "ui/EntryCommands.h"
#include "ui/common/Twips.h"
#include "ui/frmAbout.h"
#include "ui/ostrel.h"
#include "ui/preview/LinesView.h"
#include "ui/preview/dlgPreview.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <cstdio>
#include <sys/stat.h>

namespace {

// With the Edit commands, which work only on an open archive as well.
const QStringList kExportControls {
    "cmdExport",     "cmdExportAll",     "mnuFileSave",           "mnuFileSaveAll",
    "mnuFileSaveAs", "mnuEditSelectAll", "mnuEditSelectMatching", "mnuEditInvert"
};

QByteArray threeEntries()
{
    return ArchiveWriter()
        .add(ArchiveWriter::folder("maps"))
        .add(ArchiveWriter::stored("maps\\a.bin", "abc"))
        .add(ArchiveWriter::compressed("readme.txt", "hello hello hello"))
        .build();
}

// An uncompressed TGA of 3 x 2 pixels: type 2 is true colour, 3 greyscale; stored bottom up
// unless the descriptor says otherwise.
QByteArray tgaBytes(char type, char depth, bool footer, char descriptor = 0)
{
    QByteArray bytes = QByteArray(2, '\0') + type + QByteArray(9, '\0') + QByteArray("\3\0\2\0", 4)
        + depth + descriptor + QByteArray(6 * depth / 8, '\x40');
    return footer ? bytes + QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.", 18) : bytes;
}

} // namespace

class tst_ostrel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void initialState();
    void tabOrder();
    void layout_data();
    void layout();
    void menus();
    void editCommands_data();
    void editCommands();
    void preview_data();
    void preview();
    void tooltips();
    void ctrlOShowsTheFileDialog();
    void realFileDialog();
    void open_data();
    void open();
    void drop_data();
    void drop();
    void cancelKeepsTheShownArchive();
    void reopenReplacesTheList();
    void closeEmptiesTheWindow();
    void getDirStoresTheTextAsGiven();
    void mousePressRule_data();
    void mousePressRule();
    void largeArchiveIsListedAndSelectable();
    void aboutIsModal();
    void hostsPackwellHidden();

private:
    template<typename T = QWidget> T *child(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    bool exportEnabled(const QString &name) const;
    QString archive(const QString &name, const QByteArray &bytes) const;
    void openThrough(const QString &path);
    QPoint itemCentre(int row) const;

    QTemporaryDir m_dir;
    ostrel *m_window = nullptr;
    QStringList m_chooserCalls;
};

void tst_ostrel::init()
{
    m_window = new ostrel;
    m_chooserCalls.clear();
    m_window->Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void tst_ostrel::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

bool tst_ostrel::exportEnabled(const QString &name) const
{
    if (auto *a = m_window->findChild<QAction *>(name))
        return a->isEnabled();
    return m_window->findChild<QWidget *>(name)->isEnabled();
}

QString tst_ostrel::archive(const QString &name, const QByteArray &bytes) const
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

void tst_ostrel::openThrough(const QString &path)
{
    m_window->setFileChooser([this, path](QWidget *, const QString &title, const QString &filter) {
        m_chooserCalls << title + QLatin1Char('|') + filter;
        return path;
    });
    m_window->mnuFileOpen_Click();
}

QPoint tst_ostrel::itemCentre(int row) const
{
    auto *list = child<QListView>("lstDat");
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    return list->visualRect(index).center();
}

void tst_ostrel::initialState()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillon"));
    QVERIFY(!m_window->windowIcon().isNull());
    const auto sizes = m_window->windowIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)));
    QVERIFY(!(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(m_window->windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(m_window->centralWidget()->size(), QSize(621, 363));

    for (const QString &name : kExportControls)
        QVERIFY2(!exportEnabled(name), qPrintable(name));
    for (const char *name : { "mnuFileOpen", "mnuFileClose", "mnuFileExit", "mnuHelpAbout" })
        QVERIFY2(child<QAction>(name)->isEnabled(), name);
    QVERIFY(child<QLineEdit>("txtOpened")->text().isEmpty());
    QVERIFY(child<QLineEdit>("txtEntries")->text().isEmpty());
    QCOMPARE(child<QListView>("lstDat")->model()->rowCount(), 0);
    QVERIFY(child<QLabel>("lblExtract")->text().isEmpty());
    QVERIFY(m_window->archivePath().isEmpty());
    QVERIFY(m_window->extractDir().isEmpty());
    QCOMPARE(m_window->entryCount(), 0);

    // The boxes are display fields; the list and the buttons take the focus in tab order.
    for (const char *name : { "txtOpened", "txtEntries" }) {
        auto *box = child<QLineEdit>(name);
        QVERIFY(box->isReadOnly());
        QVERIFY(!box->isEnabled());
        QCOMPARE(box->focusPolicy(), Qt::NoFocus);
    }
    QCOMPARE(child<QLineEdit>("txtEntries")->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    QCOMPARE(child<QListView>("lstDat")->selectionMode(), QAbstractItemView::MultiSelection);
}

void tst_ostrel::tabOrder()
{
    openThrough(archive(QStringLiteral("a.dat"), threeEntries()));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    child("lstDat")->setFocus();
    QStringList order;
    for (int i = 0; i < 3; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, (QStringList { "lstDat", "cmdExport", "cmdExportAll" }));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("lstDat"));
}

void tst_ostrel::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");

    QTest::newRow("fmMain") << "fmMain" << QRect(0, 0, 9255, 5415) << QString();
    QTest::newRow("Label1") << "Label1" << QRect(120, 240, 1215, 255) << "Open Dat File :";
    QTest::newRow("txtOpened") << "txtOpened" << QRect(1320, 240, 5775, 285) << QString();
    QTest::newRow("Label2") << "Label2" << QRect(120, 720, 1575, 255) << "Dat Contents :";
    QTest::newRow("Label3") << "Label3" << QRect(7440, 720, 615, 255) << "Entries :";
    QTest::newRow("txtEntries") << "txtEntries" << QRect(8160, 720, 975, 285) << QString();
    QTest::newRow("lstDat") << "lstDat" << QRect(240, 1080, 8895, 3660) << QString();
    QTest::newRow("cmdExport") << "cmdExport" << QRect(360, 4920, 855, 375) << "Export";
    QTest::newRow("cmdExportAll") << "cmdExportAll" << QRect(1320, 4920, 855, 375) << "Export All";
    QTest::newRow("lblExtract") << "lblExtract" << QRect(2280, 4800, 6855, 495) << QString();
}

void tst_ostrel::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, text);

    QWidget *w = m_window->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->geometry(), twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    if (auto *label = qobject_cast<QLabel *>(w))
        QCOMPARE(label->text(), text);
    if (auto *button = qobject_cast<QPushButton *>(w))
        QCOMPARE(button->text(), text);
    // The layout is fixed: a larger window moves nothing.
    const QRect before = w->geometry();
    m_window->resize(m_window->size() + QSize(200, 150));
    QCOMPARE(w->geometry(), before);
}

void tst_ostrel::menus()
{
    QList<QAction *> top = m_window->menuBar()->actions();
    QStringList titles;
    for (QAction *a : top)
        titles << a->text();
    QCOMPARE(titles, (QStringList { "&File", "&Edit", "&View", "&Help" }));
    QStringList added; // Edit and View, between File and Help
    for (QAction *a : top[1]->menu()->actions() + top[2]->menu()->actions())
        added << a->objectName() + u'=' + a->text() + u'=' + a->shortcut().toString();
    QCOMPARE(added,
             (QStringList { "mnuEditSelectAll=Select &All=Ctrl+A",
                            "mnuEditSelectMatching=Select &Matching...=Ctrl+F",
                            "mnuEditInvert=&Invert Selection=", "mnuViewPreview=&Preview=F3" }));
    top.remove(1, 2);

    QStringList file;
    for (QAction *a : top[0]->menu()->actions())
        file << (a->isSeparator() ? QString(QLatin1Char('-') + a->objectName())
                                  : QString(a->objectName() + QLatin1Char('=') + a->text()));
    QCOMPARE(file,
             (QStringList { "mnuFileOpen=&Open", "mnuFileClose=&Close", "-mnuFileBar1",
                            "mnuFileSave=&Export Selected", "mnuFileSaveAs=Export Selected &As...",
                            "mnuFileSaveAll=Export A&ll", "-mnuFileBar5", "mnuFileExit=E&xit" }));
    QCOMPARE(top[1]->menu()->actions().size(), 1);
    QCOMPARE(top[1]->menu()->actions()[0]->text(), QStringLiteral("&About Quillon..."));
    QCOMPARE(child<QAction>("mnuFileOpen")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    for (QAction *a : top[0]->menu()->actions())
        if (a->objectName() != QLatin1String("mnuFileOpen"))
            QVERIFY(a->shortcut().isEmpty());
}

void tst_ostrel::editCommands_data()
{
    // A pattern typed into Select Matching, or <all> or <invert>.
    QTest::addColumn<QString>("command");
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<QString>("message");

    // maps, maps\a.bin, maps\b.txt, mapsx\c.bin, readme.txt, notes\d.bin
    QTest::newRow("Select All") << "<all>" << QList<int> { 3 } << QList<int> { 0, 1, 2, 3, 4, 5 }
                                << "";
    QTest::newRow("Invert Selection")
        << "<invert>" << QList<int> { 1, 3 } << QList<int> { 0, 2, 4, 5 } << "";
    QTest::newRow("* spans folders") << "*.bin" << QList<int> {} << QList<int> { 1, 3, 5 } << "";
    QTest::newRow("? one character") << "maps\\?.*" << QList<int> {} << QList<int> { 1, 2 } << "";
    QTest::newRow("[...] a set") << "[mr]*.txt" << QList<int> {} << QList<int> { 2, 4 } << "";
    QTest::newRow("/ and \\ alike") << "maps/a.bin" << QList<int> {} << QList<int> { 1 } << "";
    QTest::newRow("a folder selects what lies below")
        << "maps" << QList<int> {} << QList<int> { 0, 1, 2 } << "";
    QTest::newRow("adds to the selection")
        << "*.txt" << QList<int> { 5 } << QList<int> { 2, 4, 5 } << "";
    QTest::newRow("nothing matches")
        << "*.png" << QList<int> { 3 } << QList<int> { 3 } << "No entry matches *.png";
    QTest::newRow("a bracket that means nothing")
        << "[z-a]*" << QList<int> { 3 } << QList<int> { 3 }
        << "Bad pattern [z-a]*: the range z-a runs backwards";
}

void tst_ostrel::editCommands()
{
    QFETCH(QString, command);
    QFETCH(QList<int>, before);
    QFETCH(QList<int>, after);
    QFETCH(QString, message);

    ArchiveWriter writer(ArchiveWriter().add(ArchiveWriter::folder("maps")));
    for (const char *name :
         { "maps\\a.bin", "maps\\b.txt", "mapsx\\c.bin", "readme.txt", "notes\\d.bin" })
        writer.add(ArchiveWriter::stored(name, "x"));
    openThrough(archive(QStringLiteral("six.dat"), writer.build()));
    QStringList messages;
    m_window->setMessageSink([&messages](const QString &text) { messages << text; });
    auto *list = child<QListView>("lstDat");
    for (int row : before)
        list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);

    ModalAnswer<QInputDialog> answer([&command](QInputDialog *prompt) {
        prompt->setTextValue(command);
        prompt->accept();
    });
    child<QAction>(command == "<all>"          ? "mnuEditSelectAll"
                       : command == "<invert>" ? "mnuEditInvert"
                                               : "mnuEditSelectMatching")
        ->trigger();
    QCOMPARE(answer.answered(), !command.startsWith(u'<'));
    QList<int> rows;
    for (const QModelIndex &i : list->selectionModel()->selectedIndexes())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    QCOMPARE(rows, after);
    QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList { message });
}

void tst_ostrel::preview_data()
{
    QTest::addColumn<QByteArray>("bytes"); // an archive of one entry
    QTest::addColumn<bool>("replaced"); // by another file of that name after the Open
    QTest::addColumn<QString>("shows"); // the viewer's control; empty: Preview is disabled
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("content"); // the image's size, the first lines, or the cause
    QTest::addColumn<int>("lines");

    using W = ArchiveWriter;
    const QByteArray png = pngBytes(3, 2, QByteArray(2 * 10, '\0'));
    const auto one = [](const W::Entry &entry) { return W().add(entry).build(); };
    QTest::newRow("image") << one(W::stored("pics\\dot.png", png)) << false << "imgPreview"
                           << QString("PNG image, 3 x 2 pixels, %1 bytes").arg(png.size()) << "3x2"
                           << 0;
    const QByteArray utf8 = QStringLiteral("Gr\u00fc\u00dfe\r\n\tx\n").toUtf8();
    QTest::newRow("UTF-8 text") << one(W::compressed("a.txt", utf8)) << false << "lstLines"
                                << "UTF-8 text, 12 bytes" << QString("Gr\u00fc\u00dfe\n        x")
                                << 2;
    QTest::newRow("Windows-1252 text")
        << one(W::stored("menu.txt", "Caf\xe9 au lait")) << false << "lstLines"
        << "Windows-1252 text, 12 bytes" << QString("Caf\u00e9 au lait") << 1;
    QTest::newRow("binary") << one(W::stored("t.bin", QByteArray("\0=>?@ABCDEFGHIJKLMNO", 20)))
                            << false << "lstLines"
                            << "Binary data, 20 bytes"
                            << "00000000  00 3d 3e 3f 40 41 42 43  44 45 46 47 48 49 4a 4b  "
                               "|.=>?@ABCDEFGHIJK|\n00000010  4c 4d 4e 4f                "
                               "                       |LMNO|"
                            << 2;
    QTest::newRow("damaged") << one(W::raw("bad.bin", 2, "not zlib").withUnpackedSize(100)) << false
                             << "lblCause"
                             << "Compressed file, 100 bytes"
                             << "Cannot show this entry: corrupt compressed data." << 0;
    QTest::newRow("archive replaced") << one(W::stored("a.txt", "abc")) << true << "lblCause"
                                      << "Stored file, 3 bytes"
                                      << "Cannot show this entry: the archive has changed since "
                                         "it was read."
                                      << 0;
    QTest::newRow("too large: the first 16 MiB")
        << one(W::compressed("zeros.bin", QByteArray(17 << 20, '\0'))) << false << "lstLines"
        << "Binary data, 17,825,792 bytes; cannot show more than the first 16 MiB"
        << QString(
               "00000000  00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  |................|\n"
               "00fffff0  00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  |................|")
        << (1 << 20);
    QTest::newRow("text: wrapped rows found again")
        << one(W::compressed("long.txt", QByteArray(150, 'x').append('\n').repeated(100) + "end"))
        << false << "lstLines"
        << "UTF-8 text, 15,103 bytes" << QString(100, u'x') + "\nend" << 201;
    const QByteArray claim = pngBytes(60000, 60000, QByteArray(1 + 3 * 60000, '\0'));
    QTest::newRow("too large: an image of 60,000 x 60,000")
        << one(W::stored("huge.png", claim)) << false << "lblCause"
        << QString("PNG image, 60,000 x 60,000 pixels, %1 bytes").arg(claim.size())
        << "Cannot show this image: it has more than 25,000,000 pixels." << 0;
    const QByteArray deep = blackPngBytes(5000, 5000, 16);
    QTest::newRow("too large: 16-bit pixels beyond the memory bound")
        << one(W::stored("deep.png", deep)) << false << "lblCause"
        << "PNG image, 5,000 x 5,000 pixels, " + QLocale(QLocale::English).toString(deep.size())
            + " bytes"
        << "Cannot show this image: it needs more than 88 MiB of memory." << 0;
    const QByteArray shrunk = blackPngBytes(1600, 1200, 16);
    QTest::newRow("16-bit pixels within the memory bound: shrunk to fit")
        << one(W::stored("big.png", shrunk)) << false << "imgPreview"
        << "PNG image, 1,600 x 1,200 pixels, " + QLocale(QLocale::English).toString(shrunk.size())
            + " bytes"
        << "fits" << 0;
    const QByteArray scans = progressiveJpegBytes(5000, 5000, 100000);
    const QString scansSize = QLocale(QLocale::English).toString(scans.size()) + " bytes";
    QTest::newRow("too slow: 100,000 scans")
        << one(W::compressed("scans.jpg", scans)) << false << "lblCause"
        << "JPEG image, 5,000 x 5,000 pixels, " + scansSize
        << "Cannot show this image: it takes too long to decode." << 0;
    QTest::newRow("too slow: cancelled")
        << one(W::compressed("scans.jpg", scans)) << false << "cmdCancel"
        << "Compressed file, " + scansSize << "Loading..." << 0;
    QTest::newRow("TGA, true colour")
        << one(W::stored("a.bin", tgaBytes(2, 24, false))) << false << "imgPreview"
        << "TGA image, 3 x 2 pixels, 36 bytes"
        << "3x2" << 0;
    QTest::newRow("TGA, greyscale, 2.0 footer")
        << one(W::stored("grey.tga", tgaBytes(3, 8, true))) << false << "imgPreview"
        << "TGA image, 3 x 2 pixels, 50 bytes"
        << "3x2" << 0;
    // Its pixels need no conversion, so the picture shown is the bytes read, which must stay.
    QTest::newRow("TGA, 32-bit, top down")
        << one(W::stored("top.tga", tgaBytes(2, 32, false, 0x20))) << false << "imgPreview"
        << "TGA image, 3 x 2 pixels, 42 bytes"
        << "3x2" << 0;
    // A character cut by the end of the first 64 KiB checked comes out with the next ones.
    const QByteArray cut = QByteArray(63, 'a').append('\n').repeated(1023) + QByteArray(61, 'a')
        + "\xF0\x9F\x98\x80\n" + QByteArray(63, 'b').append('\n').repeated(1024) + "end";
    QTest::newRow("UTF-8 text, a character across 64 KiB")
        << one(W::stored("cut.txt", cut)) << false << "lstLines"
        << "UTF-8 text, 131,077 bytes" << QString(63, u'a') + "\nend" << 2049;
    QTest::newRow("folder: disabled") << one(W::folder("m")) << false << ""
                                      << ""
                                      << "" << 0;
}

void tst_ostrel::preview()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, replaced);
    QFETCH(QString, shows);
    QFETCH(QString, summary);
    QFETCH(QString, content);
    QFETCH(int, lines);

    const QString path = archive(QStringLiteral("v.dat"), bytes);
    openThrough(path);
    // Written beside it first, so the new file cannot take the old one's inode.
    if (replaced)
        QCOMPARE(std::rename(qPrintable(archive(QStringLiteral("w.dat"), bytes)), qPrintable(path)),
                 0);
    auto *list = child<QListView>("lstDat");
    list->selectionModel()->setCurrentIndex(list->model()->index(0, 0),
                                            QItemSelectionModel::Select);
    QCOMPARE(child<QAction>("mnuViewPreview")->isEnabled(), !shows.isEmpty());

    // Short only where the limit is what the row is about, so a busy machine fails no other row;
    // a row that cancels answers while it is still loading.
    m_window->findChild<EntryCommands *>()->setPreviewTimeLimit(
        content.contains(QLatin1String("too long")) ? std::chrono::milliseconds(300)
                                                    : std::chrono::milliseconds(60000));
    QStringList seen;
    ModalAnswer<dlgPreview> answer([&](dlgPreview *viewer) {
        if (shows != "cmdCancel")
            QVERIFY(QTest::qWaitFor([viewer] { return !viewer->isLoading(); }));
        seen << viewer->windowTitle() << viewer->findChild<QLabel *>("lblSummary")->text();
        if (auto *loading = viewer->findChild<QLabel *>("lblLoading")) {
            seen << "cmdCancel" << loading->text() << "0";
            QTest::mouseClick(viewer->findChild<QPushButton *>("cmdCancel"), Qt::LeftButton);
            return;
        }
        if (auto *cause = viewer->findChild<QLabel *>("lblCause"))
            seen << cause->objectName() << cause->text() << "0";
        else if (auto *image = viewer->findChild<QLabel *>("imgPreview")) {
            // A picture larger than the label fills it one way.
            const QSize shown = image->pixmap().size();
            seen << image->objectName()
                 << (shown.width() == image->width() || shown.height() == image->height()
                         ? QString("fits")
                         : QString("%1x%2").arg(shown.width()).arg(shown.height()))
                 << "0";
        } else if (auto *view = viewer->findChild<LinesView *>("lstLines")) {
            const int rows = view->model()->rowCount();
            QStringList ends { view->model()->index(0, 0).data().toString() };
            if (rows > 1)
                ends << view->model()->index(rows - 1, 0).data().toString();
            seen << view->objectName() << ends.join(u'\n') << QString::number(rows);
        }
        QTest::keyClick(viewer, Qt::Key_Escape);
    });
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(answer.answered(), !shows.isEmpty());
    if (!shows.isEmpty())
        QCOMPARE(seen,
                 (QStringList { m_window->entries().name(0), summary, shows, content,
                                QString::number(lines) }));
    // The viewer leaves the selection as it was, and no decoder running.
    QCOMPARE(list->selectionModel()->selectedIndexes(),
             QModelIndexList { list->model()->index(0, 0) });
    QVERIFY(QThreadPool::globalInstance()->waitForDone(10000));
}

void tst_ostrel::tooltips()
{
    using W = ArchiveWriter;
    openThrough(archive(QStringLiteral("t.dat"),
                        W().add(W::stored("a.txt", "abc").withOffset(1234567))
                            .add(W::raw("b.txt", 2, "zz").withUnpackedSize(5000))
                            .add(W::folder("maps").withOffset(0))
                            .add(W::raw("odd", 7, "x").withOffset(9))
                            .build()));
    QAbstractItemModel *model = child<QListView>("lstDat")->model();
    QStringList tips; // from the directory alone: the first offset lies past the archive's end
    for (int row = 0; row < model->rowCount(); ++row)
        tips << model->index(row, 0).data(Qt::ToolTipRole).toString();
    QCOMPARE(tips,
             (QStringList { "Stored file, 3 bytes, at offset 1,234,567",
                            "Compressed file, 5,000 bytes, 2 packed, at offset 3",
                            "Folder, 0 bytes, at offset 0", "Type 7, 1 byte, at offset 9" }));
}

void tst_ostrel::ctrlOShowsTheFileDialog()
{
    m_window->setFileChooser([this](QWidget *, const QString &title, const QString &filter) {
        m_chooserCalls << title + QLatin1Char('|') + filter;
        return QString();
    });
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QTest::keyClick(m_window, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(m_chooserCalls, QStringList { "File Open|DAT file (*.dat)" });
}

void tst_ostrel::realFileDialog()
{
    QString title;
    QStringList filters;
    ModalAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        dialog->reject();
    });
    m_window->mnuFileOpen_Click();
    QVERIFY(answer.answered());
    QCOMPARE(title, QStringLiteral("File Open"));
    QCOMPARE(filters, QStringList { "DAT file (*.dat)" });
    // Cancel changed nothing.
    QVERIFY(m_window->archivePath().isEmpty());
    QVERIFY(!child<QAction>("mnuFileSave")->isEnabled());
}

void tst_ostrel::open_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("file"); // "missing", "fifo", or the bytes written
    QTest::addColumn<QString>("count"); // empty: the window is back to "no archive"
    QTest::addColumn<QStringList>("names"); // whole, as the table keeps them

    QTest::newRow("three entries") << threeEntries() << QString() << "3"
                                   << QStringList { "maps", "maps\\a.bin", "readme.txt" };
    QTest::newRow("count one more than the records")
        << ArchiveWriter()
               .add(ArchiveWriter::folder("x"))
               .setCountConvention(ArchiveWriter::Count::RecordsPlusOne)
               .build()
        << QString() << "2" << QStringList { "x" };
    QTest::newRow("latin names") << ArchiveWriter().add(ArchiveWriter::folder("caf\xe9")).build()
                                 << QString() << "1" << QStringList { QStringLiteral("caf\u00e9") };
    QTest::newRow("names of 1,024 characters and longer")
        << ArchiveWriter()
               .add(ArchiveWriter::folder(QByteArray(1024, 'a')))
               .add(ArchiveWriter::folder(QByteArray(3000, 'b')))
               .build()
        << QString() << "2" << QStringList { QString(1024, 'a'), QString(3000, 'b') };
    QTest::newRow("missing file") << QByteArray() << "missing" << QString() << QStringList {};
    // Opening a FIFO would wait for a writer for good: only a regular file is an archive.
    QTest::newRow("FIFO") << QByteArray() << "fifo" << QString() << QStringList {};
    QTest::newRow("too short") << QByteArray("ab") << QString() << QString() << QStringList {};
    QTest::newRow("count 0") << ArchiveWriter().overrideCount(0).build() << QString() << QString()
                             << QStringList {};
    QTest::newRow("truncated record")
        << ArchiveWriter().overrideCount(3).setTrailingBytes(QByteArray(30, '\0')).build()
        << QString() << QString() << QStringList {};
}

void tst_ostrel::open()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, file);
    QFETCH(QString, count);
    QFETCH(QStringList, names);

    QString path = m_dir.filePath(QStringLiteral("nowhere.dat"));
    if (file == QLatin1String("fifo")) {
        path = m_dir.filePath(QStringLiteral("fifo.dat"));
        QFile::remove(path);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    } else if (file.isEmpty()) {
        path = archive(QStringLiteral("a.dat"), bytes);
    }
    openThrough(path);
    QCOMPARE(m_chooserCalls, QStringList { "File Open|DAT file (*.dat)" });
    QCOMPARE(m_window->archivePath(), path);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(child("lstDat")->isVisible());

    const bool ok = !count.isEmpty();
    QCOMPARE(child<QLineEdit>("txtEntries")->text(), count);
    QCOMPARE(child<QLineEdit>("txtOpened")->text(), ok ? path : QString());
    for (const QString &name : kExportControls)
        QCOMPARE(exportEnabled(name), ok);
    QAbstractItemModel *model = child<QListView>("lstDat")->model();
    QStringList shown, kept;
    for (int i = 0; i < model->rowCount(); ++i) {
        shown << model->index(i, 0).data().toString();
        kept << m_window->entries().name(i);
    }
    QCOMPARE(kept, names);
    // The list shows at most 1,024 characters of a name.
    for (QString &name : names) {
        if (name.size() > 1024)
            name = name.left(1024) + QChar(0x2026);
    }
    QCOMPARE(shown, names);
    QCOMPARE(m_window->entries().filledRows(), names.size());
}

void tst_ostrel::drop_data()
{
    QTest::addColumn<QStringList>("urls"); // file names are made under the temporary folder
    QTest::addColumn<QString>("dropOn"); // the control under the cursor
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("count"); // after the drop; empty: "no archive"

    QTest::newRow("one archive on the list") << QStringList { "a.dat" } << "lstDat" << true << "3";
    QTest::newRow("on the disabled path box")
        << QStringList { "a.dat" } << "txtOpened" << true << "3";
    QTest::newRow("upper-case suffix") << QStringList { "A.DAT" } << "lstDat" << true << "3";
    QTest::newRow("unreadable archive, silent failure")
        << QStringList { "short.dat" } << "lstDat" << true << "";
    QTest::newRow("two archives") << QStringList { "a.dat", "A.DAT" } << "lstDat" << false << "";
    QTest::newRow("a folder named .dat") << QStringList { "dir.dat" } << "lstDat" << false << "";
    QTest::newRow("not a .dat file") << QStringList { "a.txt" } << "lstDat" << false << "";
    QTest::newRow("remote URL") << QStringList { "https://example.org/a.dat" } << "lstDat" << false
                                << "";
    QTest::newRow("no URL") << QStringList {} << "lstDat" << false << "";
}

void tst_ostrel::drop()
{
    QFETCH(QStringList, urls);
    QFETCH(QString, dropOn);
    QFETCH(bool, accepted);
    QFETCH(QString, count);

    for (const char *name : { "a.dat", "A.DAT", "a.txt" })
        archive(QLatin1String(name), threeEntries());
    archive(QStringLiteral("short.dat"), "ab");
    QDir(m_dir.path()).mkdir(QStringLiteral("dir.dat"));
    QList<QUrl> list;
    for (const QString &url : urls)
        list << (url.contains(u':') ? QUrl(url) : QUrl::fromLocalFile(m_dir.filePath(url)));
    QMimeData data;
    if (list.isEmpty())
        data.setText(QStringLiteral("a.dat"));
    else
        data.setUrls(list);

    // Through the window system's window, so the drop reaches the control under the cursor.
    QWidget *target = child(dropOn.toLatin1().constData());
    const QPointF at = target->mapTo(m_window, target->rect().center());
    QWindow *window = m_window->windowHandle();
    const auto actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at.toPoint(), actions, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(window, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    if (accepted)
        QCOMPARE(enter.dropAction(), Qt::CopyAction); // never a move
    QDropEvent drop(at, actions, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(window, &drop);
    QCoreApplication::processEvents();

    QCOMPARE(child<QLineEdit>("txtEntries")->text(), count);
    QCOMPARE(m_window->archivePath(), accepted ? m_dir.filePath(urls.first()) : QString());
    for (const QString &name : kExportControls)
        QCOMPARE(exportEnabled(name), !count.isEmpty());
}

void tst_ostrel::cancelKeepsTheShownArchive()
{
    openThrough(archive(QStringLiteral("a.dat"), threeEntries()));
    openThrough(QString());
    QCOMPARE(child<QLineEdit>("txtEntries")->text(), QStringLiteral("3"));
    QCOMPARE(child<QListView>("lstDat")->model()->rowCount(), 3);
    for (const QString &name : kExportControls)
        QVERIFY(exportEnabled(name));
}

void tst_ostrel::reopenReplacesTheList()
{
    openThrough(archive(QStringLiteral("a.dat"), threeEntries()));
    child<QListView>("lstDat")->selectAll();
    openThrough(archive(QStringLiteral("b.dat"),
                        ArchiveWriter().add(ArchiveWriter::folder("other")).build()));
    auto *list = child<QListView>("lstDat");
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("other"));
    QCOMPARE(m_window->entries().name(0), QStringLiteral("other"));
    QVERIFY(list->selectionModel()->selectedIndexes().isEmpty());
}

void tst_ostrel::closeEmptiesTheWindow()
{
    m_window->mnuFileClose_Click(); // nothing open: nothing changes
    QVERIFY(child<QLineEdit>("txtOpened")->text().isEmpty());

    const QString path = archive(QStringLiteral("a.dat"), threeEntries());
    openThrough(path);
    m_window->mnuFileClose_Click();
    for (const QString &name : kExportControls)
        QVERIFY(!exportEnabled(name));
    QVERIFY(child<QLineEdit>("txtOpened")->text().isEmpty());
    QVERIFY(child<QLineEdit>("txtEntries")->text().isEmpty());
    QCOMPARE(child<QListView>("lstDat")->model()->rowCount(), 0);
    // The last archive's state stays until the next Open.
    QCOMPARE(m_window->archivePath(), path);
    QCOMPARE(m_window->entryCount(), 3);
    QCOMPARE(m_window->entries().filledRows(), 3);
}

void tst_ostrel::getDirStoresTheTextAsGiven()
{
    for (const QString &dir : { QStringLiteral("/tmp/out/"), QStringLiteral(" x "), QString() }) {
        m_window->getDir(dir);
        QCOMPARE(m_window->extractDir(), dir);
    }
}

void tst_ostrel::mousePressRule_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("releasedOn"); // the mouse moves there with the button held
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QList<int>>(
        "selected"); // after items 1 and 3 were selected, then item 4 pressed

    QTest::newRow("plain left press")
        << Qt::LeftButton << 4 << Qt::KeyboardModifiers() << QList<int> { 4 };
    QTest::newRow("Ctrl adds") << Qt::LeftButton << 4 << Qt::KeyboardModifiers(Qt::ControlModifier)
                               << QList<int> { 1, 3, 4 };
    QTest::newRow("Ctrl+Shift narrows")
        << Qt::LeftButton << 4 << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier)
        << QList<int> { 4 };
    QTest::newRow("Ctrl+Alt narrows")
        << Qt::LeftButton << 4 << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::AltModifier)
        << QList<int> { 4 };
    QTest::newRow("Shift narrows")
        << Qt::LeftButton << 4 << Qt::KeyboardModifiers(Qt::ShiftModifier) << QList<int> { 4 };
    // The right button does not toggle, but the rule still keeps only the current item.
    QTest::newRow("right press") << Qt::RightButton << 4 << Qt::KeyboardModifiers()
                                 << QList<int> {};
    QTest::newRow("Ctrl right press")
        << Qt::RightButton << 4 << Qt::KeyboardModifiers(Qt::ControlModifier)
        << QList<int> { 1, 3 };
    QTest::newRow("middle press") << Qt::MiddleButton << 4 << Qt::KeyboardModifiers()
                                  << QList<int> {};
    // Moving over other items with the button held toggles none of them.
    QTest::newRow("plain press dragged down")
        << Qt::LeftButton << 5 << Qt::KeyboardModifiers() << QList<int> { 4 };
    QTest::newRow("Ctrl press dragged up over others")
        << Qt::LeftButton << 0 << Qt::KeyboardModifiers(Qt::ControlModifier)
        << QList<int> { 1, 3, 4 };
}

void tst_ostrel::mousePressRule()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, releasedOn);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QList<int>, selected);

    ArchiveWriter writer;
    for (int i = 0; i < 6; ++i)
        writer.add(ArchiveWriter::folder("item" + QByteArray::number(i)));
    openThrough(archive(QStringLiteral("six.dat"), writer.build()));
    auto *list = child<QListView>("lstDat");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, itemCentre(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, itemCentre(3));

    QTest::mousePress(list->viewport(), button, modifiers, itemCentre(4));
    for (int row = 4; row != releasedOn;) {
        row += releasedOn > row ? 1 : -1;
        QTest::mouseMove(list->viewport(), itemCentre(row));
    }
    QTest::mouseRelease(list->viewport(), button, modifiers, itemCentre(releasedOn));
    QList<int> rows;
    for (const QModelIndex &i : list->selectionModel()->selectedIndexes())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    QCOMPARE(rows, selected);
}

void tst_ostrel::largeArchiveIsListedAndSelectable()
{
    ArchiveWriter writer;
    for (int i = 0; i < 100000; ++i)
        writer.add(ArchiveWriter::stored("folder\\file" + QByteArray::number(i) + ".txt", {}));
    openThrough(archive(QStringLiteral("big.dat"), writer.build()));
    auto *list = child<QListView>("lstDat");
    QCOMPARE(list->model()->rowCount(), 100000);
    QCOMPARE(child<QLineEdit>("txtEntries")->text(), QStringLiteral("100000"));

    // Beyond a 16-bit index: plain press, Ctrl press, then a narrowing press.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, itemCentre(99999));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, itemCentre(40000));
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), 2);
    QVERIFY(list->selectionModel()->isSelected(list->model()->index(99999, 0)));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, itemCentre(70000));
    const QModelIndexList now = list->selectionModel()->selectedIndexes();
    QCOMPARE(now.size(), 1);
    QCOMPARE(now[0].row(), 70000);
    QCOMPARE(now[0].data().toString(), QStringLiteral("folder\\file70000.txt"));
}

void tst_ostrel::aboutIsModal()
{
    bool blocked = false;
    ModalAnswer<frmAbout> answer([&](frmAbout *about) {
        QCOMPARE(about->windowIcon().cacheKey(), m_window->windowIcon().cacheKey());
        blocked = !m_window->isEnabled() || QApplication::activeModalWidget() == about;
        about->accept();
    });
    m_window->mnuHelpAbout_Click();
    QVERIFY(answer.answered());
    QVERIFY(blocked);
    QVERIFY(!m_window->findChild<frmAbout *>()); // unloaded when closed
}

void tst_ostrel::hostsPackwellHidden()
{
    auto *packwell = m_window->findChild<Packwell *>(QStringLiteral("Packwell1"));
    QVERIFY(packwell);
    QVERIFY(!packwell->isVisible());
    QVERIFY(packwell->host().userMode());
    // In user mode the sizes follow the operations.
    QByteArray data(100, 'q');
    QCOMPARE(packwell->CompressData(data), 0);
    QCOMPARE(packwell->OriginalSize(), 100);
}

QTEST_MAIN(tst_ostrel)
#include "tst_ostrel.moc"
