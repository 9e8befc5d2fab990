#pragma once

#include <QString>
#include <QtGlobal>

// Entry types as the directory stores them; any other value is kept as read and passed over
// by the extraction.
enum EntryType : qint32 {
    StoredEntry = 1,
    CompressedEntry = 2,
    FolderEntry = 1024,
};

// Whether entries of this type have bytes of their own: stored and compressed files.
inline bool isFileEntry(qint32 entryType)
{
    return entryType == StoredEntry || entryType == CompressedEntry;
}

// One row of the Entry table, fields in the order the directory record holds them.
// A row that no record filled stays all zero with an empty name.
struct EntryRecord
{
    qint32 nameLen = 0;
    QString name;
    qint32 aux = 0;
    qint32 entryType = 0;
    qint32 unpackedSize = 0;
    qint32 packedSize = 0;
    qint32 offset = 0;

    friend bool operator==(const EntryRecord &, const EntryRecord &) = default;
};
