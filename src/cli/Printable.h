#pragma once

#include <QByteArray>
#include <QString>

// How quillon prints what it did not choose itself: names from an archive and paths from the
// system are escaped so that one is always one line and nothing reaches a terminal raw.
namespace Printable {

// A name as it is printed: "/" between folders, control characters as \n, \t, \r or \xHH.
QString name(const QString &name);
// A path as the system gave it: UTF-8, with every byte that is not part of a character and
// every control character escaped as name() does.
QString path(const QByteArray &path);
// "1 entry", "2 entries".
QString count(qint64 n, const char *one, const char *many);

} // namespace Printable
