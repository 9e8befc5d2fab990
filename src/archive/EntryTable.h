#pragma once

#include "EntryRecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <memory>
#include <vector>

// The archive's directory in memory. It keeps the directory's raw bytes and, per record, only
// where the record starts; fields and names are decoded from the raw bytes when asked for, so
// a million entries cost the directory's own size plus 4 bytes each, and no string objects.
// Copies share the data; a table never changes once read.
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
    // Directory bytes after the last record read, before the footer: none when the count is
    // the number of records or one more, the two conventions archives follow; more records
    // than it counts, or anything else, otherwise.
    qint64 unreadBytes() const;

    EntryRecord at(qint32 row) const;
    QString name(qint32 row) const;
    // The first maxLength characters of the name (all of it when shorter), for showing a name
    // without decoding megabytes of it.
    QString name(qint32 row, qsizetype maxLength) const;
    // The name's length in characters (one per byte).
    qsizetype nameLength(qint32 row) const;
    // The name's bytes exactly as stored in the archive.
    QByteArray rawName(qint32 row) const;
    // The same bytes without a copy, valid as long as the table.
    QByteArrayView rawNameView(qint32 row) const;
    qint32 nameLen(qint32 row) const { return isFilled(row) ? field(row, 0) : 0; }
    qint32 entryType(qint32 row) const;

private:
    friend class DirectoryReader;

    struct Data
    {
        QByteArray bytes; // the directory, count field to footer
        std::vector<quint32> rows; // where each record starts in bytes
        qint32 rowCount = 0;
    };

    bool isFilled(qint32 row) const { return m_data && row >= 0 && row < filledRows(); }
    // The 4-byte field at the given offset from the record's start.
    qint32 field(qint32 row, qsizetype offset) const;
    // The name's bytes: where they start in bytes, and how many there are.
    qsizetype nameStart(qint32 row) const { return qsizetype(m_data->rows[size_t(row)]) + 4; }
    qsizetype nameSize(qint32 row) const;
    // Offset of aux, the first field after the name and its terminator.
    qsizetype fieldsOffset(qint32 row) const { return 4 + nameSize(row) + 1; }

    std::shared_ptr<const Data> m_data;
};
