#include "FileTree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace FileTree {

QStringList list(const QString &root, int options)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        QString path = base.relativeFilePath(info.filePath());
        if (info.isDir() && !info.isSymLink()) {
            if (options & MarkFolders)
                path += u'/';
        } else if (options & WithSizes) {
            path += u':' + QString::number(info.size());
        }
        found << path;
    }
    found.sort();
    return found;
}

QMap<QString, QByteArray> contents(const QString &root)
{
    QMap<QString, QByteArray> found;
    for (const QString &path : list(root)) {
        QByteArray bytes;
        if (!path.endsWith(u'/')) {
            QFile file(QDir(root).filePath(path));
            if (file.open(QIODevice::ReadOnly))
                bytes = file.readAll();
        }
        found.insert(path, bytes);
    }
    return found;
}

} // namespace FileTree
