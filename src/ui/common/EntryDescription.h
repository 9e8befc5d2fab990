#pragma once

#include "archive/EntryRecord.h"

#include <QString>

// What an entry is, in words, from its directory record alone (never from its data): the
// entry list's tooltip and accessible description, and the viewer's kind line.
class EntryDescription
{
public:
    // "Stored file", "Compressed file", "Folder", or "Type N" for any other type.
    static QString kind(qint32 entryType);
    // The kind, the size, the packed size of a compressed entry and the offset, on one line.
    static QString of(const EntryRecord &entry);
    // "1 byte", "2,048 bytes": grouped the same way whatever the user's locale.
    static QString bytes(qint64 count);
    static QString number(qint64 value);
};
