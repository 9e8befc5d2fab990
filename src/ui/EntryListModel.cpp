#include "EntryListModel.h"

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
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_table.name(index.row());
    return {};
}
