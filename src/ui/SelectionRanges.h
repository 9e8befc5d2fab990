#pragma once

#include <QItemSelection>

#include <utility>
#include <vector>

class QItemSelectionModel;

// A list's selection as runs of rows: [first, last] pairs, ascending and disjoint. Everything
// here costs one step per run, never one per row, so selecting a million rows stays cheap.
class SelectionRanges
{
public:
    using Runs = std::vector<std::pair<qint32, qint32>>;

    // The runs a selection covers, whatever order and overlap its ranges come in.
    static Runs of(const QItemSelection &selection);
    // Ascending rows as runs of consecutive rows.
    static Runs ofRows(const std::vector<qint32> &rows);
    static Runs united(const Runs &a, const Runs &b);
    // The rows 0 … rowCount − 1 that runs leave out.
    static Runs inverted(const Runs &runs, qint32 rowCount);

    // Makes runs the selection. Qt compares an old selection with a new one range by range
    // against each other, so the old one is cleared first: then no comparison is needed.
    static void select(QItemSelectionModel *model, const Runs &runs);
};
