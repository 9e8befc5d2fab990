#include "EntryListModel.h"

#include "ui/common/EntryDescription.h"

namespace {

// Laying out a name costs time in proportion to its length at every paint, and a name may be
// megabytes long; the list shows this many characters of it at most, then an ellipsis.
constexpr qsizetype kShownLength = 1024;

} // namespace

void EntryListModel::setTable(const EntryTable &table)
{
    beginResetModel();
    m_table = table;
    m_rows = table.filledRows();
    endResetModel();
}

void EntryListModel::clear()
{
    setTable(EntryTable());
}

int EntryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QVariant EntryListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        const int row = index.row();
        if (m_table.nameLength(row) <= kShownLength)
            return m_table.name(row);
        return QString(m_table.name(row, kShownLength) + QChar(0x2026));
    }
    // Hovering over an item, or a screen reader on the current one, tells what the entry is.
    if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole)
        return EntryDescription::of(m_table.at(index.row()));
    return {};
}
