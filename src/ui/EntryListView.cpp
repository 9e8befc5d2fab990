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
