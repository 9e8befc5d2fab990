#include "ArchiveBuilder.h"

#include "EntryRecord.h"

#include <QtEndian>

void ArchiveBuilder::appendInt32(QByteArray &out, qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void ArchiveBuilder::appendRecord(QByteArray &out, qint32 nameLen, const QByteArray &name,
                                  char terminator, qint32 aux, qint32 type, qint32 unpackedSize,
                                  qint32 packedSize, qint32 offset)
{
    appendInt32(out, nameLen);
    out.append(name);
    out.append(terminator);
    for (const qint32 field : { aux, type, unpackedSize, packedSize, offset })
        appendInt32(out, field);
}

void ArchiveBuilder::add(const QByteArray &name, qint32 type, qint64 unpackedSize,
                         qint64 packedSize)
{
    const qint64 data = type == CompressedEntry ? packedSize
        : type == StoredEntry                   ? unpackedSize
                                                : 0;
    // A stored file's packed size is its size, as readers that look at it for every file expect.
    appendRecord(m_records, qint32(name.size() + 1), name, 0, 0, type, qint32(unpackedSize),
                 qint32(type == StoredEntry ? unpackedSize : packedSize), qint32(m_dataEnd));
    ++m_recordCount;
    m_dataEnd += data;
}

QByteArray ArchiveBuilder::countField() const
{
    QByteArray out;
    appendInt32(out, m_recordCount + 1);
    return out;
}

QByteArray ArchiveBuilder::footer() const
{
    QByteArray out;
    appendInt32(out, qint32(directorySize()));
    return out;
}
