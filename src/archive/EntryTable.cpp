#include "EntryTable.h"

#include "compress/Windows1252.h"

#include <QtEndian>

qint32 EntryTable::field(qint32 row, qsizetype offset) const
{
    return qFromLittleEndian<qint32>(m_data->bytes.constData() + m_data->rows[size_t(row)]
                                     + offset);
}

qsizetype EntryTable::nameSize(qint32 row) const
{
    const qint32 len = field(row, 0);
    return len > 1 ? qsizetype(len) - 1 : 0;
}

qint64 EntryTable::unreadBytes() const
{
    if (!m_data)
        return 0;
    const qint32 last = filledRows() - 1;
    const qint64 end = last < 0 ? 4 : qint64(m_data->rows.back()) + fieldsOffset(last) + 20;
    return qMax(qint64(m_data->bytes.size()) - 4 - end, qint64(0));
}

EntryRecord EntryTable::at(qint32 row) const
{
    if (!isFilled(row))
        return {};
    const qsizetype f = fieldsOffset(row);
    return { field(row, 0),     name(row),          field(row, f),     field(row, f + 4),
             field(row, f + 8), field(row, f + 12), field(row, f + 16) };
}

qint32 EntryTable::entryType(qint32 row) const
{
    return isFilled(row) ? field(row, fieldsOffset(row) + 4) : 0;
}

QString EntryTable::name(qint32 row) const
{
    if (!isFilled(row))
        return {};
    return Windows1252::decode(m_data->bytes.constData() + nameStart(row), nameSize(row));
}

QString EntryTable::name(qint32 row, qsizetype maxLength) const
{
    if (!isFilled(row))
        return {};
    return Windows1252::decode(m_data->bytes.constData() + nameStart(row),
                               qMin(nameSize(row), qMax<qsizetype>(maxLength, 0)));
}

qsizetype EntryTable::nameLength(qint32 row) const
{
    return isFilled(row) ? nameSize(row) : 0;
}

QByteArray EntryTable::rawName(qint32 row) const
{
    if (!isFilled(row))
        return {};
    return m_data->bytes.mid(nameStart(row), nameSize(row));
}

QByteArrayView EntryTable::rawNameView(qint32 row) const
{
    if (!isFilled(row))
        return {};
    return QByteArrayView(m_data->bytes.constData() + nameStart(row), nameSize(row));
}
