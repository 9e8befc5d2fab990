#pragma once

#include <QString>

class QMimeData;

// What a drop on the main window may open: exactly one local file whose name ends in ".dat"
// (in any case), as the File Open dialog's filter offers. Anything else is refused at the drop
// cursor.
namespace ArchiveDrop {

// The path of the archive the data names, or an empty text when it names anything else:
// several files, a folder, a URL that is not a local file, a name without ".dat", no URL.
QString archivePath(const QMimeData *data);

} // namespace ArchiveDrop
