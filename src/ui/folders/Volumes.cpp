#include "Volumes.h"

#include <QDir>

#include <algorithm>

namespace Volumes {

QList<Volume> writable(const QList<QStorageInfo> &mounted)
{
    QList<Volume> volumes;
    for (const QStorageInfo &info : mounted) {
        if (info.isValid() && info.isReady() && !info.isReadOnly())
            volumes.append(Volume { info.rootPath(), info.name() });
    }
    return ordered(volumes);
}

QList<Volume> ordered(QList<Volume> volumes)
{
    std::stable_sort(volumes.begin(), volumes.end(),
                     [](const Volume &a, const Volume &b) { return a.mountPoint < b.mountPoint; });
    const auto sameMount
        = [](const Volume &a, const Volume &b) { return a.mountPoint == b.mountPoint; };
    volumes.erase(std::unique(volumes.begin(), volumes.end(), sameMount), volumes.end());
    return volumes;
}

QString label(const Volume &volume)
{
    if (volume.name.isEmpty())
        return volume.mountPoint;
    return volume.mountPoint + QStringLiteral(" [") + volume.name + u']';
}

qsizetype indexHolding(const QList<Volume> &volumes, const QString &path)
{
    const QString target = QDir::cleanPath(path);
    qsizetype best = -1;
    qsizetype bestLength = -1;
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        const QString mount = QDir::cleanPath(volumes.at(i).mountPoint);
        // Compare whole path components: "/mnt/a" does not hold "/mnt/ab".
        const bool holds = mount == u"/" || target == mount || target.startsWith(mount + u'/');
        if (holds && mount.size() > bestLength) {
            best = i;
            bestLength = mount.size();
        }
    }
    return best;
}

QString startFolder(const QList<Volume> &volumes, qsizetype index, const QString &currentFolder)
{
    if (index < 0 || index >= volumes.size())
        return {};
    if (indexHolding(volumes, currentFolder) == index)
        return currentFolder;
    return volumes.at(index).mountPoint;
}

} // namespace Volumes
