#pragma once

#include "EntryRecord.h"

#include <QByteArray>
#include <QtGlobal>

#include <memory>
#include <vector>

// The archive's directory in memory. It keeps the directory's raw bytes and one small row per
// record and decodes a name only when it is asked for, so a million entries cost a few tens of
// megabytes and no string objects. Copies share the data; a table never changes once read.
class EntryTable
{
public:
    EntryTable() = default;

    // The directory's count field: the table has this many rows, 0 … rowCount() − 1.
    qint32 rowCount() const { return m_data ? m_data->rowCount : 0; }
    // Rows a record was read into, 0 … filledRows() − 1; the rows after them are empty.
    // The entry list shows exactly these rows and Export All visits exactly these.
    qint32 filledRows() const { return m_data ? qint32(m_data->rows.size()) : 0; }
    bool isEmpty() const { return rowCount() == 0; }

    EntryRecord at(qint32 row) const;
    QString name(qint32 row) const;
    // The name's bytes exactly as stored in the archive.
    QByteArray rawName(qint32 row) const;
    qint32 nameLen(qint32 row) const { return isFilled(row) ? m_data->rows[row].nameLen : 0; }
    qint32 entryType(qint32 row) const { return isFilled(row) ? m_data->rows[row].entryType : 0; }

private:
    friend class DirectoryReader;

    struct Row
    {
        quint32 nameStart; // into bytes
        qint32 nameLen;
        qint32 aux;
        qint32 entryType;
        qint32 unpackedSize;
        qint32 packedSize;
        qint32 offset;
    };
    struct Data
    {
        QByteArray bytes;
        std::vector<Row> rows;
        qint32 rowCount = 0;
    };

    bool isFilled(qint32 row) const { return m_data && row >= 0 && row < filledRows(); }
    qsizetype nameSize(const Row &row) const { return row.nameLen > 1 ? row.nameLen - 1 : 0; }

    std::shared_ptr<const Data> m_data;
};
