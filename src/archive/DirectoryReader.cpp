#include "DirectoryReader.h"

#include "ArchiveFile.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>

#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr qint64 kFieldSize = 4;
// nameLen, at least one byte (name or terminator), then five fields.
constexpr qint64 kMinRecordSize = 25;

qint32 int32At(const char *p)
{
    return qFromLittleEndian<qint32>(p);
}

// Reads exactly size bytes from the current position; a short read is a failure, never
// zero-filled.
bool readOn(QIODevice *device, char *out, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 n = device->read(out + done, size - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool readAt(QIODevice *device, qint64 pos, char *out, qint64 size)
{
    return pos >= 0 && device->seek(pos) && readOn(device, out, size);
}

} // namespace

bool DirectoryReader::fail(const QString &message)
{
    m_errorString = message;
    return false;
}

bool DirectoryReader::open(const QByteArray &path, ArchiveFile &archive)
{
    m_table = EntryTable();
    if (!archive.open(path))
        return fail(archive.errorString());
    return read(archive);
}

bool DirectoryReader::read(const ArchiveFile &archive)
{
    QFile file;
    if (!file.open(archive.handle(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return fail(file.errorString());
    return read(&file);
}

bool DirectoryReader::read(QIODevice *device)
{
    m_table = EntryTable();
    m_errorString.clear();

    const qint64 length = device->size();
    char field[kFieldSize];
    if (length < kFieldSize || !readAt(device, length - kFieldSize, field, kFieldSize))
        return fail(QStringLiteral("not a .dat archive (too short to hold a footer)"));
    m_dirSize = int32At(field);

    // The directory start is a 32-bit value like every position in the archive.
    const qint64 start = length - qint64(m_dirSize);
    if (start > std::numeric_limits<qint32>::max() || start < std::numeric_limits<qint32>::min())
        return fail(QStringLiteral(
            "not a .dat archive (its directory start does not fit a 32-bit position)"));
    m_dirStart = qint32(start);
    if (start < 0 || start + kFieldSize > length)
        return fail(QStringLiteral("not a .dat archive (its footer points outside the file)"));

    // The count first: a directory that counts nothing, or more records than its region can
    // hold, is refused without reading (or allocating) the region, however large it is.
    if (!readAt(device, start, field, kFieldSize))
        return fail(device->errorString());
    m_entryCount = int32At(field);
    if (m_countHandler)
        m_countHandler(m_entryCount);
    if (m_entryCount < 1)
        return fail(QStringLiteral("its directory counts no entries"));
    // Every record takes at least 25 bytes.
    if (qint64(m_entryCount) - 1 > (length - start - kFieldSize) / kMinRecordSize)
        return fail(
            QStringLiteral("truncated archive (its directory counts more entries than it holds)"));

    // The rest of the directory, records to footer, in one read on from the count.
    QByteArray directory;
    try {
        directory.resize(length - start);
    } catch (const std::bad_alloc &) {
        return fail(QStringLiteral("directory too large to read"));
    }
    std::memcpy(directory.data(), field, kFieldSize);
    if (!readOn(device, directory.data() + kFieldSize, directory.size() - kFieldSize))
        return fail(device->errorString());
    return parseRecords(directory);
}

bool DirectoryReader::parseRecords(const QByteArray &directory)
{
    const char *const base = directory.constData();
    const qint64 end = directory.size(); // the end of the file
    const qint64 footer = end - kFieldSize; // where the footer begins
    const qint64 mustRead = qint64(m_entryCount) - 1;

    auto data = std::make_shared<EntryTable::Data>();
    try {
        data->rows.reserve(size_t(mustRead) + 1);
    } catch (const std::bad_alloc &) {
        return fail(QStringLiteral("directory too large to hold in memory"));
    }

    qint64 pos = kFieldSize;
    for (qint64 row = 0; row < m_entryCount; ++row) {
        const bool optional = row == mustRead;
        // The last row is read only when a whole record lies before the footer; every other
        // row must lie inside the file, footer included.
        const qint64 limit = optional ? footer : end;
        if (pos + kFieldSize > limit) {
            if (optional)
                break;
            return fail(QStringLiteral("truncated archive (record %1 of its directory is cut off)")
                            .arg(row));
        }
        const qint32 nameLen = int32At(base + pos);
        if (nameLen == std::numeric_limits<qint32>::min())
            return fail(
                QStringLiteral("damaged directory (record %1 has a name length that overflows)")
                    .arg(row));
        const qint64 nameSize = nameLen > 1 ? qint64(nameLen) - 1 : 0;
        const qint64 recordSize = kFieldSize + nameSize + 1 + 5 * kFieldSize;
        if (pos + recordSize > limit) {
            if (optional)
                break;
            return fail(QStringLiteral("truncated archive (record %1 of its directory is cut off)")
                            .arg(row));
        }
        // The fields stay in the raw bytes; the table decodes them when asked.
        data->rows.push_back(quint32(pos));
        pos += recordSize;
    }

    data->bytes = directory;
    data->rowCount = m_entryCount;
    m_table.m_data = std::move(data);
    return true;
}
