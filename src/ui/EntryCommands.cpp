#include "EntryCommands.h"

#include "BusyPointer.h"
#include "EntryListView.h"
#include "OpenArchive.h"
#include "SelectionRanges.h"
#include "archive/NamePattern.h"
#include "ui/preview/EntryPreview.h"
#include "ui/preview/dlgPreview.h"

#include <QFile>
#include <QInputDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

EntryCommands::EntryCommands(QMainWindow &window, const OpenArchive &archive, EntryListView *list,
                             QMenu *before, MessageSink message)
    : QObject(&window)
    , m_window(window)
    , m_archive(archive)
    , m_list(list)
    , m_message(std::move(message))
    , m_previewTimeLimit(PreviewRequest::kTimeLimit)
{
    setObjectName(QStringLiteral("EntryCommands"));
    const auto menu = [&](const QString &title, const char *name) {
        auto *m = new QMenu(title, &window);
        m->setObjectName(QLatin1String(name));
        // An open menu is announced by its title, as on the menu bar.
        m->setAccessibleName(QString(title).remove(u'&'));
        window.menuBar()->insertMenu(before->menuAction(), m);
        return m;
    };
    const auto action = [this](QMenu *m, const QString &text, const char *name,
                               const QKeySequence &shortcut, void (EntryCommands::*slot)()) {
        QAction *a = m->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(shortcut);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    mnuEdit = menu(QStringLiteral("&Edit"), "mnuEdit");
    mnuEditSelectAll
        = action(mnuEdit, QStringLiteral("Select &All"), "mnuEditSelectAll",
                 QKeySequence(Qt::CTRL | Qt::Key_A), &EntryCommands::mnuEditSelectAll_Click);
    mnuEditSelectMatching
        = action(mnuEdit, QStringLiteral("Select &Matching..."), "mnuEditSelectMatching",
                 QKeySequence(Qt::CTRL | Qt::Key_F), &EntryCommands::mnuEditSelectMatching_Click);
    mnuEditInvert = action(mnuEdit, QStringLiteral("&Invert Selection"), "mnuEditInvert", {},
                           &EntryCommands::mnuEditInvert_Click);
    mnuView = menu(QStringLiteral("&View"), "mnuView");
    mnuViewPreview = action(mnuView, QStringLiteral("&Preview"), "mnuViewPreview",
                            QKeySequence(Qt::Key_F3), &EntryCommands::mnuViewPreview_Click);

    connect(list, &EntryListView::returnPressed, mnuViewPreview, &QAction::trigger);
    connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &EntryCommands::updatePreview);
    setArchiveOpen(false);
}

void EntryCommands::setArchiveOpen(bool open)
{
    m_open = open;
    for (QAction *a : { mnuEditSelectAll, mnuEditSelectMatching, mnuEditInvert })
        a->setEnabled(open);
    updatePreview();
}

void EntryCommands::updatePreview()
{
    const QModelIndex current = m_list->currentIndex();
    mnuViewPreview->setEnabled(m_open && current.isValid()
                               && isFileEntry(m_archive.entries.entryType(current.row())));
}

void EntryCommands::mnuEditSelectAll_Click()
{
    const qint32 rows = m_list->model()->rowCount();
    SelectionRanges::select(m_list->selectionModel(),
                            rows > 0 ? SelectionRanges::Runs { { 0, rows - 1 } }
                                     : SelectionRanges::Runs {});
}

void EntryCommands::mnuEditInvert_Click()
{
    QItemSelectionModel *selection = m_list->selectionModel();
    SelectionRanges::select(selection,
                            SelectionRanges::inverted(SelectionRanges::of(selection->selection()),
                                                      m_list->model()->rowCount()));
}

void EntryCommands::mnuEditSelectMatching_Click()
{
    bool ok = false;
    const QString pattern = QInputDialog::getText(
        &m_window, QStringLiteral("Select Matching"),
        QStringLiteral("Select the entries whose names match (*, ? and [...]; a folder's name "
                       "selects what lies below it):"),
        QLineEdit::Normal, QString(), &ok);
    if (ok && !pattern.isEmpty())
        selectMatching(pattern);
}

void EntryCommands::selectMatching(const QString &pattern)
{
    const NamePattern wildcard(pattern);
    if (!wildcard.isValid()) {
        m_message(QStringLiteral("Bad pattern %1: %2").arg(pattern, wildcard.errorString()));
        return;
    }
    std::vector<qint32> rows;
    {
        BusyPointer busy;
        rows = NamePattern::selectedRows(m_archive.entries, { wildcard });
    }
    if (rows.empty()) {
        m_message(QStringLiteral("No entry matches %1").arg(pattern));
        return;
    }
    QItemSelectionModel *selection = m_list->selectionModel();
    SelectionRanges::select(selection,
                            SelectionRanges::united(SelectionRanges::of(selection->selection()),
                                                    SelectionRanges::ofRows(rows)));
}

void EntryCommands::mnuViewPreview_Click()
{
    updatePreview();
    if (!mnuViewPreview->isEnabled())
        return;
    const PreviewRequest request { QFile::encodeName(m_archive.archivePath), m_archive.identity,
                                   m_archive.entries.at(m_list->currentIndex().row()),
                                   m_previewTimeLimit };
    dlgPreview viewer(request, &m_window);
    viewer.exec();
}
