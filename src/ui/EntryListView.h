#pragma once

#include <QListView>

#include <vector>

// The entry list: simple multi-selection (each click toggles one item, and moving the mouse with
// the button held toggles nothing more), uniform rows so a
// million entries lay out at once. It reports every mouse press after its own handling, so the
// press has already toggled the item and made it current when the window narrows the selection,
// and Return or Enter on the current item.
class EntryListView : public QListView
{
    Q_OBJECT

public:
    explicit EntryListView(QWidget *parent = nullptr);

    // The selected rows of a list in ascending order, read from the selection's ranges so a
    // selection of a million rows costs one step per range, not one call per item.
    static std::vector<qint32> selectedRows(const QItemSelection &selection);
    // How many rows a selection holds, counting rows its ranges share once.
    static qint64 selectedCount(const QItemSelection &selection);

Q_SIGNALS:
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void returnPressed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
};
