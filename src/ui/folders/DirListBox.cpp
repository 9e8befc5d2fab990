#include "DirListBox.h"

#include "FolderPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>

namespace {
constexpr int PathRole = Qt::UserRole;
// Pixels per level: enough to see the chain, little enough for deep folders.
constexpr int kIndentation = 8;
} // namespace

DirListBox::DirListBox(QWidget *parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    // The tree only draws the chain; opening goes through double-click and Enter alone.
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIndentation(kIndentation);
    // The one column is as wide as its widest item (at least the list), so the list scrolls
    // sideways instead of cutting deep names short.
    header()->setStretchLastSection(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    if (!setPath(QDir::currentPath()))
        setPath(QDir::rootPath());
}

bool DirListBox::setPath(const QString &folder)
{
    const QString path = FolderPaths::clean(folder);
    if (!FolderPaths::canOpen(path))
        return false;

    clear();
    const QIcon opened = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    QTreeWidgetItem *parentItem = nullptr;
    for (const QString &link : FolderPaths::chain(path)) {
        auto *item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(this);
        item->setText(0, link == u"/" ? link : QFileInfo(link).fileName());
        item->setIcon(0, opened);
        item->setData(0, PathRole, link);
        item->setExpanded(true);
        parentItem = item;
    }
    for (const QString &name : FolderPaths::subFolders(path)) {
        auto *item = new QTreeWidgetItem(parentItem);
        item->setText(0, name);
        item->setIcon(0, closed);
        item->setData(0, PathRole, FolderPaths::child(path, name));
    }
    fitColumn();
    setCurrentItem(parentItem);
    // Once more when the scroll range knows the new items, if it does not yet.
    m_showOpenFolder = true;
    scrollTo(indexFromItem(parentItem)); // scrollToItem() would bypass scrollTo() below

    const bool changed = path != m_path;
    m_path = path;
    if (changed)
        Q_EMIT pathChanged(m_path);
    return true;
}

void DirListBox::fitColumn()
{
    header()->resizeSection(0, qMax(sizeHintForColumn(0), viewport()->width()));
}

void DirListBox::resizeEvent(QResizeEvent *event)
{
    QTreeWidget::resizeEvent(event);
    fitColumn();
}

void DirListBox::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    // Qt scrolls a column wider than the list back to its left edge; deep in a chain that hides
    // the item. Keep the item's level in view instead, with the level above it at the left.
    QScrollBar *sideways = horizontalScrollBar();
    const int before = sideways->value();
    QTreeWidget::scrollTo(index, hint);
    sideways->setValue(before);
    const int left = visualRect(index).left() - indentation();
    if (left < 0 || left > viewport()->width() / 2)
        sideways->setValue(before + left);
}

void DirListBox::updateGeometries()
{
    QTreeWidget::updateGeometries();
    // The first showing: the scroll range now knows the items.
    if (m_showOpenFolder && currentItem() && horizontalScrollBar()->maximum() > 0) {
        m_showOpenFolder = false;
        scrollTo(currentIndex());
    }
}

void DirListBox::drawBranches(QPainter *, const QRect &, const QModelIndex &) const
{
    // No arrows and no lines: the chain never folds, so they would promise what it cannot do.
}

void DirListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Handled here so Enter never falls through to the dialog's buttons.
        if (QTreeWidgetItem *item = currentItem())
            openItem(item);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void DirListBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        if (QTreeWidgetItem *item = itemAt(event->position().toPoint())) {
            openItem(item);
            event->accept();
            return;
        }
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}

void DirListBox::openItem(QTreeWidgetItem *item)
{
    // A folder removed since it was listed cannot be opened; the list stays as it is.
    setPath(item->data(0, PathRole).toString());
}
