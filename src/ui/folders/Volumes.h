#pragma once

#include <QList>
#include <QStorageInfo>
#include <QString>

// One mounted file system as the drive list shows it.
struct Volume
{
    QString mountPoint;
    QString name;

    bool operator==(const Volume &) const = default;
};

// Choosing and labelling volumes for the drive list, kept free of widgets for testing.
namespace Volumes {

// The mounted file systems a user can write to (real and ready, not read-only), in order.
QList<Volume> writable(const QList<QStorageInfo> &mounted);

// Sorted by mount point, so "/" comes first; a mount point listed twice is kept once.
QList<Volume> ordered(QList<Volume> volumes);

// The mount point, followed by the volume's name in brackets where it has one.
QString label(const Volume &volume);

// Index of the volume whose mount point holds the path most closely, or -1 if none does.
qsizetype indexHolding(const QList<Volume> &volumes, const QString &path);

// The folder that picking volumes[index] opens: the current folder when it lies on that volume,
// else the volume's mount point.
QString startFolder(const QList<Volume> &volumes, qsizetype index, const QString &currentFolder);

} // namespace Volumes
