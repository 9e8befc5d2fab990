#include "ArchiveWriter.h"

#include "archive/ArchiveBuilder.h"

#include <QFile>

#include <zlib.h>

ArchiveWriter::Entry ArchiveWriter::stored(const QByteArray &name, const QByteArray &content)
{
    Entry e;
    e.name = name;
    e.type = 1;
    e.content = content;
    e.data = content;
    return e;
}

ArchiveWriter::Entry ArchiveWriter::compressed(const QByteArray &name, const QByteArray &content)
{
    Entry e;
    e.name = name;
    e.type = 2;
    e.content = content;
    e.data = zlibCompress(content);
    return e;
}

ArchiveWriter::Entry ArchiveWriter::folder(const QByteArray &name)
{
    Entry e;
    e.name = name;
    e.type = 1024;
    return e;
}

ArchiveWriter::Entry ArchiveWriter::raw(const QByteArray &name, qint32 type, const QByteArray &data)
{
    Entry e;
    e.name = name;
    e.type = type;
    e.content = data;
    e.data = data;
    return e;
}

QByteArray ArchiveWriter::zlibCompress(const QByteArray &data)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    const int rc = compress(reinterpret_cast<Bytef *>(out.data()), &size,
                            reinterpret_cast<const Bytef *>(data.constData()), uLong(data.size()));
    Q_ASSERT(rc == Z_OK);
    out.resize(qsizetype(size));
    return out;
}

ArchiveWriter &ArchiveWriter::add(const Entry &entry)
{
    m_entries.push_back(entry);
    return *this;
}

ArchiveWriter &ArchiveWriter::setCountConvention(Count convention)
{
    m_convention = convention;
    return *this;
}

ArchiveWriter &ArchiveWriter::overrideCount(qint32 count)
{
    m_count = count;
    return *this;
}

ArchiveWriter &ArchiveWriter::overrideFooter(qint32 footer)
{
    m_footer = footer;
    return *this;
}

ArchiveWriter &ArchiveWriter::setLeadingBytes(const QByteArray &bytes)
{
    m_leading = bytes;
    return *this;
}

ArchiveWriter &ArchiveWriter::setTrailingBytes(const QByteArray &bytes)
{
    m_trailing = bytes;
    return *this;
}

ArchiveWriter &ArchiveWriter::setAlignment(qint32 bytes)
{
    m_alignment = bytes;
    return *this;
}

ArchiveWriter &ArchiveWriter::setDataOrder(const std::vector<int> &order)
{
    m_order = order;
    return *this;
}

QByteArray ArchiveWriter::build() const
{
    QByteArray out = m_leading;
    std::vector<qint32> offsets(m_entries.size(), 0);
    std::vector<int> order = m_order;
    for (int i = int(order.size()); i < int(m_entries.size()); ++i)
        order.push_back(i);
    for (const int i : order) {
        if (i >= int(m_entries.size()) || m_entries[size_t(i)].shares)
            continue; // an order may name entries added later
        const Entry &e = m_entries[size_t(i)];
        out.append(QByteArray((m_alignment - out.size() % m_alignment) % m_alignment, '\0'));
        offsets[size_t(i)] = qint32(out.size());
        out.append(e.data).append(e.gap);
    }
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].shares)
            offsets[i] = offsets[size_t(*m_entries[i].shares)];

    const qint64 dirStart = out.size();
    const qint32 records = qint32(m_entries.size());
    ArchiveBuilder::appendInt32(
        out, m_count.value_or(m_convention == Count::Records ? records : records + 1));
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries[i];
        ArchiveBuilder::appendRecord(
            out, e.nameLen.value_or(qint32(e.name.size()) + 1), e.name, e.terminator,
            e.aux.value_or(0), e.type, e.unpackedSize.value_or(qint32(e.content.size())),
            e.packedSize.value_or(qint32(e.data.size())), e.offset.value_or(offsets[i]));
    }
    out.append(m_trailing);
    ArchiveBuilder::appendInt32(out, m_footer.value_or(qint32(out.size() + 4 - dirStart)));
    return out;
}

bool ArchiveWriter::writeTo(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = build();
    return file.write(bytes) == bytes.size();
}
