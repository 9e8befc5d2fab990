#pragma once

#include "Volumes.h"

#include <QComboBox>

// Drop-down list of the mounted file systems a user can write to, the one holding the process's
// current folder picked at the start.
class DriveListBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DriveListBox(QWidget *parent = nullptr);

    // Replaces the listed volumes (the mounted ones at construction) and picks the one holding
    // the process's current folder, or the first; emits no driveChanged.
    void setVolumes(const QList<Volume> &volumes);
    const QList<Volume> &volumes() const { return m_volumes; }

    // Mount point of the picked volume; empty if none is listed.
    QString drive() const;

    // Shows the volume holding the path as picked without emitting driveChanged, so the list
    // agrees with the folder list; nothing changes if no listed volume holds it.
    void showDriveHolding(const QString &path);

Q_SIGNALS:
    void driveChanged(const QString &mountPoint);

private:
    QList<Volume> m_volumes;
};
