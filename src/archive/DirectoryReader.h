#pragma once

#include "EntryTable.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

class ArchiveFile;
class QIODevice;

// Reads an archive's footer and directory into an EntryTable.
//
// Layout, all numbers 32-bit signed little-endian: entry data, then at D = L − F the count
// field and the records back to back, then the 4-byte footer F at L − 4. A record is nameLen,
// nameLen − 1 name bytes, one ignored terminator byte, then aux, entryType, unpackedSize,
// packedSize and offset.
//
// The count field may count the records or one more than the records; archives of both kinds
// exist. Rows 0 … count − 2 are always read; row count − 1 is read too when a whole record still
// lies before the footer. Every length is checked against the bytes that are really there before
// anything is read or allocated, so no file can make the reader hang or run out of memory.
class DirectoryReader
{
public:
    // Called once the count field has been read, before the records are, so a window can show
    // the count while the names are parsed.
    using CountHandler = std::function<void(qint32 entryCount)>;

    void setCountHandler(CountHandler handler) { m_countHandler = std::move(handler); }

    // Opens path as an archive and reads its directory: the one way the window and quillon
    // open an archive. archive stays open for reading the entries.
    bool open(const QByteArray &path, ArchiveFile &archive);
    // Reads the directory of an archive already open.
    bool read(const ArchiveFile &archive);
    // Reads the directory from a device open for reading that supports seeking.
    bool read(QIODevice *device);

    // What was read so far; after a failure, the fields read before it.
    qint32 dirSize() const { return m_dirSize; }
    qint32 dirStart() const { return m_dirStart; }
    qint32 entryCount() const { return m_entryCount; }
    const EntryTable &table() const { return m_table; }

    QString errorString() const { return m_errorString; }

private:
    bool fail(const QString &message);
    bool parseRecords(const QByteArray &directory);

    CountHandler m_countHandler;
    qint32 m_dirSize = 0;
    qint32 m_dirStart = 0;
    qint32 m_entryCount = 0;
    EntryTable m_table;
    QString m_errorString;
};
