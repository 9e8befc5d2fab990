#include "SelectionRanges.h"

#include <QItemSelectionModel>

#include <algorithm>

namespace {

// Sorted runs with overlapping and adjacent ones joined.
SelectionRanges::Runs folded(SelectionRanges::Runs runs)
{
    std::sort(runs.begin(), runs.end());
    SelectionRanges::Runs joined;
    for (const auto &[first, last] : runs) {
        if (!joined.empty() && qint64(first) <= qint64(joined.back().second) + 1)
            joined.back().second = std::max(joined.back().second, last);
        else
            joined.emplace_back(first, last);
    }
    return joined;
}

} // namespace

SelectionRanges::Runs SelectionRanges::of(const QItemSelection &selection)
{
    Runs runs;
    runs.reserve(size_t(selection.size()));
    for (const QItemSelectionRange &range : selection)
        if (range.isValid())
            runs.emplace_back(range.top(), range.bottom());
    return folded(std::move(runs));
}

SelectionRanges::Runs SelectionRanges::ofRows(const std::vector<qint32> &rows)
{
    Runs runs;
    for (qint32 row : rows) {
        if (!runs.empty() && runs.back().second + 1 == row)
            runs.back().second = row;
        else
            runs.emplace_back(row, row);
    }
    return runs;
}

SelectionRanges::Runs SelectionRanges::united(const Runs &a, const Runs &b)
{
    Runs both = a;
    both.insert(both.end(), b.begin(), b.end());
    return folded(std::move(both));
}

SelectionRanges::Runs SelectionRanges::inverted(const Runs &runs, qint32 rowCount)
{
    Runs gaps;
    qint32 next = 0;
    for (const auto &[first, last] : runs) {
        if (next >= rowCount)
            break;
        if (first > next)
            gaps.emplace_back(next, std::min(first - 1, rowCount - 1));
        next = std::max(next, last + 1);
    }
    if (next < rowCount)
        gaps.emplace_back(next, rowCount - 1);
    return gaps;
}

void SelectionRanges::select(QItemSelectionModel *model, const Runs &runs)
{
    const QAbstractItemModel *items = model->model();
    QItemSelection selection;
    selection.reserve(qsizetype(runs.size()));
    // A run of one row takes one tracked index, not two: half a scattered selection is such runs.
    for (const auto &[first, last] : runs)
        selection.append(first == last
                             ? QItemSelectionRange(items->index(first, 0))
                             : QItemSelectionRange(items->index(first, 0), items->index(last, 0)));
    model->clearSelection();
    model->select(selection, QItemSelectionModel::Select);
}
