#include "FuzzTargets.h"

#include "archive/DirectoryReader.h"

#include <QBuffer>

#include <cstdlib>

namespace FuzzTargets {

void reader(const std::uint8_t *data, std::size_t size)
{
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char *>(data), qsizetype(size));
    buffer.open(QIODevice::ReadOnly);
    DirectoryReader reader;
    const bool ok = reader.read(&buffer);
    const EntryTable &table = reader.table();
    if (!ok) {
        if (table.rowCount() != 0)
            std::abort(); // a failed read hands back no rows
        return;
    }
    // Every row read lies inside the file, so its name can never be longer than the file.
    if (table.rowCount() < 1 || table.filledRows() > table.rowCount()
        || qint64(table.filledRows()) * 25 > qint64(size))
        std::abort();
    for (qint32 row = 0; row < table.filledRows(); ++row) {
        if (table.name(row).size() > qint64(size) || table.rawName(row).size() > qint64(size))
            std::abort();
        (void)table.at(row);
    }
    (void)table.at(table.rowCount() - 1);
}

} // namespace FuzzTargets
