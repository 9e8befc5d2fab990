#pragma once

#include "archive/EntryTable.h"

#include <QAbstractListModel>

// The entry list's items: one per row the directory reader filled, in row order, so list
// position i is table row i. Names are decoded only for the rows a view asks for, and only their
// first 1,024 characters (then "…"); the table keeps the whole name for the export.
class EntryListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    void setTable(const EntryTable &table);
    void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    EntryTable m_table;
    int m_rows = 0;
};
