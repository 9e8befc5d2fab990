// Renders the program's windows to PNG files for the README:
//   screenshots OUTDIR SAMPLE.dat
// Run through scripts/screenshots, which builds it and sets up the display.
#include "ui/AppLook.h"
#include "ui/preview/EntryPreview.h"
#include "ui/folders/dlgDir.h"
#include "ui/preview/dlgPreview.h"
#include "ui/frmAbout.h"
#include "ui/ostrel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTemporaryDir>

namespace {

bool save(QWidget &window, const QDir &out, const char *name)
{
    window.show();
    QApplication::processEvents();
    return window.grab().save(out.filePath(QLatin1String(name)));
}

// The window with one of its menus open: the menu is a window of its own, painted in.
bool saveWithMenu(QMainWindow &window, const QDir &out, const char *menuName, const char *name)
{
    auto *menu = window.findChild<QMenu *>(QLatin1String(menuName));
    window.menuBar()->setActiveAction(menu->menuAction());
    QApplication::processEvents();
    QPixmap shot = window.grab();
    QPainter(&shot).drawPixmap(window.mapFromGlobal(menu->pos()), menu->grab());
    menu->close();
    return shot.save(out.filePath(QLatin1String(name)));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    AppLook::apply();
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    const QDir out(QFileInfo(args[1]).absoluteFilePath());
    const QString sample = QFileInfo(args[2]).absoluteFilePath();

    ostrel window;
    window.setFileChooser(
        [&sample](QWidget *, const QString &, const QString &) { return sample; });
    window.Form_Load();
    window.mnuFileOpen_Click();
    // Show a selection, as a user about to export would have.
    auto *list = window.findChild<QAbstractItemView *>(QStringLiteral("lstDat"));
    for (int row : { 2, 6 })
        list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);
    bool ok = save(window, out, "main-window.png");
    ok = saveWithMenu(window, out, "mnuEdit", "edit-menu.png") && ok;

    // The viewer on the sample's picture.
    const qint32 picture = window.entries().filledRows() - 1;
    list->selectionModel()->setCurrentIndex(list->model()->index(picture, 0),
                                            QItemSelectionModel::NoUpdate);
    dlgPreview viewer(EntryPreview::load({ QFile::encodeName(sample), window.archiveIdentity(),
                                           window.entries().at(picture) }),
                      &window);
    ok = save(viewer, out, "preview.png") && ok;

    // The folder chooser opens at the current folder: give it a small, stable one.
    QTemporaryDir home;
    for (const char *folder : { "exports", "exports/maps", "exports/sounds", "exports/text" })
        QDir(home.path()).mkpath(QLatin1String(folder));
    QDir::setCurrent(home.filePath(QStringLiteral("exports")));
    dlgDir chooser(&window, [](const QString &) {});
    ok = save(chooser, out, "folder-chooser.png") && ok;

    frmAbout about(&window);
    ok = save(about, out, "about.png") && ok;
    return ok ? 0 : 1;
}
