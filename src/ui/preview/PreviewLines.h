#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QSize>

#include <vector>

// The viewer's text and hex dump as rows of a list, each made only when a view asks for it:
// 16 MiB of bytes lay out at once, where a text editor would take seconds and hundreds of MiB.
// Text rows are its lines, wrapped at kColumns; hex rows show 16 bytes each.
class PreviewLines : public QAbstractListModel
{
    Q_OBJECT

public:
    enum class Kind { Utf8, Windows1252, Hex };
    static constexpr int kColumns = 100;

    PreviewLines(const QByteArray &bytes, Kind kind, QObject *parent = nullptr);

    // Every row's size: one size for all lets the view lay out a million rows at once.
    void setRowSize(const QSize &size) { m_rowSize = size; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QString textRow(int row) const;
    QString hexRow(int row) const;

    QByteArray m_bytes;
    Kind m_kind;
    std::vector<qint32> m_starts; // where each text row starts in m_bytes
    QSize m_rowSize;
};
