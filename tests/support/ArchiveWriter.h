#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

// Builds ".dat" archives for tests: entry data back to back from position 0 (or in another
// order, aligned, with gaps, or shared), then the count field, the records (laid out by the
// product's own ArchiveBuilder), optional trailing bytes and the footer. Every field can be
// overridden, so a malformed archive is one line:
//
//     ArchiveWriter().add(ArchiveWriter::stored("a.txt", "abc").withOffset(-1)).build();
class ArchiveWriter
{
public:
    enum class Count {
        Records, // the count field is the number of records
        RecordsPlusOne, // the count field is one more than the records
    };

    struct Entry
    {
        QByteArray name; // raw name bytes, one per character
        qint32 type = 1;
        QByteArray content; // what a correct extraction writes
        QByteArray data; // the bytes placed in the archive's data area
        char terminator = 0;
        std::optional<qint32> nameLen, aux, unpackedSize, packedSize, offset;
        QByteArray gap; // bytes after the data
        std::optional<int> shares; // the entry whose data block this one's record points at

        Entry &withNameLen(qint32 v)
        {
            nameLen = v;
            return *this;
        }
        Entry &withAux(qint32 v)
        {
            aux = v;
            return *this;
        }
        Entry &withUnpackedSize(qint32 v)
        {
            unpackedSize = v;
            return *this;
        }
        Entry &withPackedSize(qint32 v)
        {
            packedSize = v;
            return *this;
        }
        Entry &withOffset(qint32 v)
        {
            offset = v;
            return *this;
        }
        Entry &withTerminator(char v)
        {
            terminator = v;
            return *this;
        }
        Entry &withData(const QByteArray &v)
        {
            data = v;
            return *this;
        }
        Entry &withGap(const QByteArray &v)
        {
            gap = v;
            return *this;
        }
        // The data of an earlier entry (by index), in place of its own.
        Entry &sharing(int entry)
        {
            shares = entry;
            return *this;
        }
    };

    static Entry stored(const QByteArray &name, const QByteArray &content);
    static Entry compressed(const QByteArray &name, const QByteArray &content);
    static Entry folder(const QByteArray &name);
    // Any type number with the given bytes in the data area.
    static Entry raw(const QByteArray &name, qint32 type, const QByteArray &data = {});

    // zlib's one-shot compress at the default level, as archives store type 2 entries.
    static QByteArray zlibCompress(const QByteArray &data);

    ArchiveWriter &add(const Entry &entry);
    ArchiveWriter &setCountConvention(Count convention);
    ArchiveWriter &overrideCount(qint32 count);
    ArchiveWriter &overrideFooter(qint32 footer);
    // Bytes before the first entry's data (shifts every offset).
    ArchiveWriter &setLeadingBytes(const QByteArray &bytes);
    // Bytes between the last record and the footer, which the reader never looks at.
    ArchiveWriter &setTrailingBytes(const QByteArray &bytes);
    // Each entry's data starts on a multiple of this many bytes, after zero bytes.
    ArchiveWriter &setAlignment(qint32 bytes);
    // The order of the entries' data in the data area, by index; the directory's by default.
    ArchiveWriter &setDataOrder(const std::vector<int> &order);

    const std::vector<Entry> &entries() const { return m_entries; }
    QByteArray build() const;
    bool writeTo(const QString &path) const;

private:
    std::vector<Entry> m_entries;
    Count m_convention = Count::Records;
    std::optional<qint32> m_count, m_footer;
    QByteArray m_leading, m_trailing;
    qint32 m_alignment = 1;
    std::vector<int> m_order;
};
