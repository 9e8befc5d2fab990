#include "ArchiveDrop.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace ArchiveDrop {

QString archivePath(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return {};
    const QString path = urls.first().toLocalFile();
    // A folder (even one named "x.dat") is no archive; a file that cannot be read is accepted
    // and then fails silently, as it does when chosen in the dialog.
    if (!path.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive) || QFileInfo(path).isDir())
        return {};
    return path;
}

} // namespace ArchiveDrop
