#include "EntryListView.h"

#include <QItemSelection>
#include <QMouseEvent>

#include <algorithm>

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

namespace {

// The selection's row ranges in ascending order with overlaps folded away.
std::vector<std::pair<qint64, qint64>> disjointRanges(const QItemSelection &selection)
{
    std::vector<std::pair<qint64, qint64>> ranges;
    ranges.reserve(size_t(selection.size()));
    for (const QItemSelectionRange &range : selection)
        if (range.isValid())
            ranges.emplace_back(range.top(), range.bottom());
    std::sort(ranges.begin(), ranges.end());

    std::vector<std::pair<qint64, qint64>> disjoint;
    for (const auto &[top, bottom] : ranges) {
        if (!disjoint.empty() && top <= disjoint.back().second + 1)
            disjoint.back().second = std::max(disjoint.back().second, bottom);
        else
            disjoint.emplace_back(top, bottom);
    }
    return disjoint;
}

} // namespace

std::vector<qint32> EntryListView::selectedRows(const QItemSelection &selection)
{
    std::vector<qint32> rows;
    for (const auto &[top, bottom] : disjointRanges(selection))
        for (qint64 row = top; row <= bottom; ++row)
            rows.push_back(qint32(row));
    return rows;
}

qint64 EntryListView::selectedCount(const QItemSelection &selection)
{
    qint64 count = 0;
    for (const auto &[top, bottom] : disjointRanges(selection))
        count += bottom - top + 1;
    return count;
}
