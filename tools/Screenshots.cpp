// Renders the program's windows to PNG files for the README:
//   screenshots OUTDIR SAMPLE.dat
// Run through scripts/screenshots, which sets up the display.
#include "ui/AppLook.h"
#include "ui/ostrel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    AppLook::apply();
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    const QDir out(args[1]);
    const QString sample = args[2];

    ostrel window;
    window.setFileChooser(
        [&sample](QWidget *, const QString &, const QString &) { return sample; });
    window.Form_Load();
    window.mnuFileOpen_Click();
    // Show a selection, as a user about to export would have.
    auto *list = window.findChild<QAbstractItemView *>(QStringLiteral("lstDat"));
    for (int row : { 2, 6 })
        list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);
    QApplication::processEvents();
    return window.grab().save(out.filePath(QStringLiteral("main-window.png"))) ? 0 : 1;
}
