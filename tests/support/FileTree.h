#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// What lies under a folder, for comparing exported trees in tests. Hidden entries count.
namespace FileTree {

enum Option {
    Plain = 0,
    MarkFolders = 1, // folders (not links to them) end in "/"
    WithSizes = 2, // files read "path:size"
};

// Every path under root relative to it, sorted.
QStringList list(const QString &root, int options = MarkFolders);
// Every file's contents by relative path; folders appear as "path/" with no contents.
QMap<QString, QByteArray> contents(const QString &root);
// Makes each item under root, with the folders on its way: "path/" a folder, "path=content" a
// file, "path->target" a symbolic link, "path|" a FIFO, "path#size" a file of size zero bytes
// that takes no room.
bool make(const QString &root, const QStringList &items);

} // namespace FileTree
