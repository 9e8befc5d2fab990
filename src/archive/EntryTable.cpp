#include "EntryTable.h"

#include "Windows1252.h"

EntryRecord EntryTable::at(qint32 row) const
{
    if (!isFilled(row))
        return {};
    const Row &r = m_data->rows[row];
    return { r.nameLen, name(row), r.aux, r.entryType, r.unpackedSize, r.packedSize, r.offset };
}

QString EntryTable::name(qint32 row) const
{
    if (!isFilled(row))
        return {};
    const Row &r = m_data->rows[row];
    return Windows1252::decode(m_data->bytes.constData() + r.nameStart, nameSize(r));
}

QByteArray EntryTable::rawName(qint32 row) const
{
    if (!isFilled(row))
        return {};
    const Row &r = m_data->rows[row];
    return m_data->bytes.mid(r.nameStart, nameSize(r));
}
