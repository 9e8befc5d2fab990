#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QDropEvent;
class QMimeData;

// Lets a window open an archive dropped on it from a file manager: exactly one local file whose
// name ends in ".dat" (in any case), as the File Open dialog's filter offers. It is taken as a
// copy (a file manager must never take the drop for a move and delete the file); anything else
// is refused at the drop cursor.
class ArchiveDrop : public QObject
{
    Q_OBJECT

public:
    using Open = std::function<void(const QString &path)>;

    // Watches window's drops and hands each archive to open once the drop has returned, so the
    // file manager is not kept waiting for the read.
    ArchiveDrop(QWidget *window, Open open);

    // The path of the archive the data names, or an empty text when it names anything else:
    // several files, a folder, a URL that is not a local file, a name without ".dat", no URL.
    static QString archivePath(const QMimeData *data);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static bool accept(QDropEvent *event);

    Open m_open;
};
