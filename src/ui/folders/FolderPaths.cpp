#include "FolderPaths.h"

#include <QDir>
#include <QFileInfo>

namespace FolderPaths {

QString clean(const QString &folder)
{
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

QStringList chain(const QString &folder)
{
    QStringList folders { QStringLiteral("/") };
    QString path;
    const QStringList parts = clean(folder).split(u'/', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        path += u'/' + part;
        folders << path;
    }
    return folders;
}

bool canOpen(const QString &folder)
{
    // Listing a folder needs both read and search permission.
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

QStringList subFolders(const QString &folder)
{
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

QString child(const QString &folder, const QString &name)
{
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

QString createSubFolder(const QString &folder, const QString &name)
{
    // A separator would make the name a path into some other folder, and the file system API
    // would cut a name at a NUL and create a different folder than the one asked for.
    if (name.isEmpty() || name.contains(u'/') || name.contains(QChar(u'\0')))
        return {};
    // Joined with one separator even at the root: "//name" is read as "/name".
    const QString path = folder + u'/' + name;
    if (!QDir().mkdir(path))
        return {};
    return path;
}

} // namespace FolderPaths
