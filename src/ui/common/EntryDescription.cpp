#include "EntryDescription.h"

#include <QLocale>

QString EntryDescription::kind(qint32 entryType)
{
    switch (entryType) {
    case StoredEntry:
        return QStringLiteral("Stored file");
    case CompressedEntry:
        return QStringLiteral("Compressed file");
    case FolderEntry:
        return QStringLiteral("Folder");
    }
    return QStringLiteral("Type %1").arg(entryType);
}

QString EntryDescription::of(const EntryRecord &entry)
{
    QString text = kind(entry.entryType) + QStringLiteral(", ") + bytes(entry.unpackedSize);
    if (entry.entryType == CompressedEntry)
        text += QStringLiteral(", %1 packed").arg(number(entry.packedSize));
    return text + QStringLiteral(", at offset %1").arg(number(entry.offset));
}

QString EntryDescription::bytes(qint64 count)
{
    return count == 1 ? QStringLiteral("1 byte") : number(count) + QStringLiteral(" bytes");
}

QString EntryDescription::number(qint64 value)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::DefaultNumberOptions);
    return c.toString(value);
}
