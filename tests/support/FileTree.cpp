#include "FileTree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include <sys/stat.h>

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

bool make(const QString &root, const QStringList &items)
{
    const QDir base(root);
    for (const QString &item : items) {
        const QString path = item.section(QRegularExpression(QStringLiteral("->|=|#|\\|$")), 0, 0);
        if (!base.mkpath(item.endsWith(u'/') ? path : QFileInfo(path).path()))
            return false;
        QFile file(base.filePath(path));
        const QString rest = item.mid(path.size());
        bool made = item.endsWith(u'/');
        if (rest.startsWith(QLatin1String("->")))
            made = QFile::link(rest.mid(2), file.fileName());
        else if (rest == QLatin1String("|"))
            made = ::mkfifo(QFile::encodeName(file.fileName()).constData(), 0644) == 0;
        else if (!made && file.open(QIODevice::WriteOnly))
            made = rest.startsWith(u'#') ? file.resize(rest.mid(1).toLongLong())
                                         : file.write(rest.mid(1).toUtf8()) >= 0;
        if (!made)
            return false;
    }
    return true;
}

} // namespace FileTree
