#include "EntryListView.h"

#include "SelectionRanges.h"

#include <QAccessible>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

// More ranges than a screen can show apart.
constexpr qsizetype kRangesToTrack = 100;

} // namespace

EntryListView::EntryListView(QWidget *parent) : QListView(parent)
{
    setSelectionMode(QAbstractItemView::MultiSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void EntryListView::mousePressEvent(QMouseEvent *event)
{
    const Qt::MouseButton button = event->button();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    QListView::mousePressEvent(event);
    Q_EMIT mousePressed(button, modifiers);
}

void EntryListView::keyPressEvent(QKeyEvent *event)
{
    // Return and Enter act on the current item; the view's own handling would only pass them on.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && !(event->modifiers() & ~Qt::KeypadModifier)) {
        Q_EMIT returnPressed();
        return;
    }
    QListView::keyPressEvent(event);
}

QItemSelectionModel::SelectionFlags EntryListView::selectionCommand(const QModelIndex &index,
                                                                    const QEvent *event) const
{
    // Qt's multi-selection toggles every item a pressed mouse is dragged over; a click toggles
    // only the item it lands on.
    if (event && event->type() == QEvent::MouseMove)
        return QItemSelectionModel::NoUpdate;
    return QListView::selectionCommand(index, event);
}

void EntryListView::selectionChanged(const QItemSelection &selected,
                                     const QItemSelection &deselected)
{
    // Qt works out the region to repaint, and tells a screen reader the first item, one range
    // at a time: for a selection of many ranges, repaint what shows and say that it changed.
    if (selected.size() + deselected.size() <= kRangesToTrack) {
        QListView::selectionChanged(selected, deselected);
        return;
    }
    viewport()->update();
    QAccessibleEvent event(this, QAccessible::SelectionWithin);
    QAccessible::updateAccessibility(&event);
}

std::vector<qint32> EntryListView::selectedRows(const QItemSelection &selection)
{
    std::vector<qint32> rows;
    for (const auto &[top, bottom] : SelectionRanges::of(selection))
        for (qint64 row = top; row <= bottom; ++row)
            rows.push_back(qint32(row));
    return rows;
}

qint64 EntryListView::selectedCount(const QItemSelection &selection)
{
    qint64 count = 0;
    for (const auto &[top, bottom] : SelectionRanges::of(selection))
        count += bottom - top + 1;
    return count;
}
