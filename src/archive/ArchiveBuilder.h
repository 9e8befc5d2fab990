#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <limits>

// The directory of an archive being written: one record per entry in the order they are added,
// each at the data position reached so far, then the count field and the footer. The count is
// the number of records plus one, the convention every reader of these archives handles; aux is
// always 0. Every position and size in the format is a signed 32-bit number, so the whole file
// may not pass kMaxSize bytes: fits() tells whether it still would not.
class ArchiveBuilder
{
public:
    static constexpr qint64 kMaxSize = std::numeric_limits<qint32>::max();

    // Bytes a record with a name of nameBytes bytes takes.
    static qint64 recordSize(qint64 nameBytes) { return 4 + qMax<qint64>(nameBytes, 0) + 1 + 20; }
    // One record, fields as given: the one way records are laid out, test archives included.
    static void appendRecord(QByteArray &out, qint32 nameLen, const QByteArray &name,
                             char terminator, qint32 aux, qint32 type, qint32 unpackedSize,
                             qint32 packedSize, qint32 offset);
    static void appendInt32(QByteArray &out, qint32 value);

    // Room for records of this many bytes, so that a large directory grows in one step.
    void reserve(qint64 records) { m_records.reserve(records); }
    // An entry whose data follows the data of the entries added before it: a folder (no data),
    // a stored file of unpackedSize bytes, or a compressed one of packedSize bytes. The caller
    // has checked fits().
    void add(const QByteArray &name, qint32 type, qint64 unpackedSize, qint64 packedSize = 0);

    qint32 count() const { return m_recordCount; }
    // The count field, the records and the footer.
    qint64 directorySize() const { return 8 + m_records.size(); }
    // Whether data more bytes of data and records of moreRecords bytes still fit the format.
    bool fits(qint64 data, qint64 moreRecords) const
    {
        return data >= 0 && m_dataEnd + data + directorySize() + moreRecords <= kMaxSize;
    }
    // The directory in its three parts, so that a large one is never copied whole.
    QByteArray countField() const;
    const QByteArray &records() const { return m_records; }
    QByteArray footer() const;

private:
    QByteArray m_records;
    qint32 m_recordCount = 0;
    qint64 m_dataEnd = 0;
};
