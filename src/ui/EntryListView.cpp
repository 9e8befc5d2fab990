#include "EntryListView.h"

#include <QMouseEvent>

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

QItemSelectionModel::SelectionFlags EntryListView::selectionCommand(const QModelIndex &index,
                                                                    const QEvent *event) const
{
    // Qt's multi-selection toggles every item a pressed mouse is dragged over; a click toggles
    // only the item it lands on.
    if (event && event->type() == QEvent::MouseMove)
        return QItemSelectionModel::NoUpdate;
    return QListView::selectionCommand(index, event);
}
