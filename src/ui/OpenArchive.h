#pragma once

#include "archive/ArchiveFile.h"
#include "archive/EntryTable.h"

#include <QString>

// The archive the main window shows: the path it was opened by, the file whose directory was
// read (so an export never reads another one by that name), the footer's and the directory's
// numbers and the Entry table. One value, replaced whole: before a read it holds the path
// alone, which is also what a read that failed leaves.
struct OpenArchive
{
    QString archivePath;
    ArchiveFile::Identity identity {};
    qint32 dirSize = 0;
    qint32 dirStart = 0;
    qint32 entryCount = 0;
    EntryTable entries {};
};
