#pragma once

#include "archive/EntryReader.h"

#include <QByteArray>
#include <QString>

// Whether a file holds exactly the bytes an entry extracts to, so that update rewrites only
// what changed: sizes first (a different size needs no reading), then the bytes, a compressed
// entry's inflated in pieces as extraction inflates them. An entry that cannot be read or
// inflated differs from any file.
class EntryComparison
{
public:
    enum class Outcome { Same, Different, FileFailed };

    // fd: the file, open for reading, of size bytes. why is set for FileFailed.
    Outcome compare(const ArchiveFile &archive, const EntryRecord &entry, int fd, qint64 size,
                    QString &why);

private:
    EntryReader m_reader;
    QByteArray m_piece;
};
