#include "DriveListBox.h"

#include <QDir>
#include <QSignalBlocker>

DriveListBox::DriveListBox(QWidget *parent) : QComboBox(parent)
{
    setVolumes(Volumes::writable(QStorageInfo::mountedVolumes()));
    connect(this, &QComboBox::currentIndexChanged, this, [this] { Q_EMIT driveChanged(drive()); });
}

void DriveListBox::setVolumes(const QList<Volume> &volumes)
{
    const QSignalBlocker blocker(this);
    m_volumes = volumes;
    clear();
    for (const Volume &volume : m_volumes)
        addItem(Volumes::label(volume));
    const qsizetype holding = Volumes::indexHolding(m_volumes, QDir::currentPath());
    setCurrentIndex(holding >= 0 ? int(holding) : (m_volumes.isEmpty() ? -1 : 0));
}

QString DriveListBox::drive() const
{
    const int index = currentIndex();
    if (index < 0 || index >= m_volumes.size())
        return {};
    return m_volumes.at(index).mountPoint;
}

void DriveListBox::showDriveHolding(const QString &path)
{
    const qsizetype holding = Volumes::indexHolding(m_volumes, path);
    if (holding < 0)
        return;
    const QSignalBlocker blocker(this);
    setCurrentIndex(int(holding));
}
