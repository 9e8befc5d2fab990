#pragma once

#include "TextRows.h"

#include <QAbstractListModel>
#include <QByteArray>

// The viewer's text and hex dump as rows of a list, each made only when a view asks for it:
// 16 MiB of bytes lay out at once, where a text editor would take seconds and hundreds of MiB.
// Text rows are its lines, wrapped at kColumns (found by TextRows); hex rows show 16 bytes each.
class PreviewLines : public QAbstractListModel
{
    Q_OBJECT

public:
    enum class Kind { Utf8, Windows1252, Hex };
    static constexpr int kColumns = TextRows::kColumns;

    // rows: those of bytes, for text.
    PreviewLines(const QByteArray &bytes, Kind kind, TextRows rows, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QString textRow(int row) const;
    QString hexRow(int row) const;

    QByteArray m_bytes;
    Kind m_kind;
    TextRows m_rows;
};
