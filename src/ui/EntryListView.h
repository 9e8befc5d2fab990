#pragma once

#include <QListView>

// The entry list: simple multi-selection (each click toggles one item, and moving the mouse with
// the button held toggles nothing more), uniform rows so a
// million entries lay out at once. It reports every mouse press after its own handling, so the
// press has already toggled the item and made it current when the window narrows the selection.
class EntryListView : public QListView
{
    Q_OBJECT

public:
    explicit EntryListView(QWidget *parent = nullptr);

Q_SIGNALS:
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
};
