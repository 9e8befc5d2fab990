#include "ArchiveDrop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

ArchiveDrop::ArchiveDrop(QWidget *window, Open open) : QObject(window), m_open(std::move(open))
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

QString ArchiveDrop::archivePath(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return {};
    const QString path = urls.first().toLocalFile();
    // A folder (even one named "x.dat") is no archive; a file that cannot be read is accepted
    // and then fails silently, as it does when chosen in the dialog.
    if (!path.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive) || QFileInfo(path).isDir())
        return {};
    return path;
}

bool ArchiveDrop::accept(QDropEvent *event)
{
    if (archivePath(event->mimeData()).isEmpty() || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

bool ArchiveDrop::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        accept(static_cast<QDropEvent *>(event));
        return true;
    case QEvent::Drop:
        if (accept(static_cast<QDropEvent *>(event)))
            QMetaObject::invokeMethod(
                this,
                [this, path = archivePath(static_cast<QDropEvent *>(event)->mimeData())] {
                    m_open(path);
                },
                Qt::QueuedConnection);
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
