#pragma once

#include <QString>
#include <QStringList>

// Folder logic behind the folder list and the New Folder command, kept free of widgets so it
// can be tested on its own. Folders are absolute paths with "/" as the separator.
namespace FolderPaths {

// Absolute path with "." and ".." resolved and no trailing separator (except the root "/").
QString clean(const QString &folder);

// The chain of folders from "/" down to and including the (cleaned) folder.
QStringList chain(const QString &folder);

// Whether the folder exists and its contents can be listed.
bool canOpen(const QString &folder);

// Names of the folder's direct sub-folders, sorted, without hidden (dot) folders.
QStringList subFolders(const QString &folder);

// The path of a direct sub-folder of a listed folder.
QString child(const QString &folder, const QString &name);

// Creates the single folder `folder` + "/" + `name`, the name taken exactly as given. Returns the
// joined path, or an empty string when nothing was created (the name is empty or holds a
// separator, the folder exists already, the parent is gone, no permission, ...).
QString createSubFolder(const QString &folder, const QString &name);

} // namespace FolderPaths
