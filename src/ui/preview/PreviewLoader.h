#pragma once

#include "EntryPreview.h"

#include <QFutureWatcher>
#include <QObject>

// Reads and lays out an entry for the viewer on a worker thread, so that the window answers all
// the while: loaded() follows on this object's thread, unless cancel() came first. Cancelled or
// destroyed, it stops the worker at its decoder's next read and drops the result; the worker
// owns everything it uses, so it may finish after the viewer is gone.
class PreviewLoader : public QObject
{
    Q_OBJECT

public:
    explicit PreviewLoader(QObject *parent = nullptr);
    ~PreviewLoader() override;

    void start(const PreviewRequest &request);
    void cancel();

Q_SIGNALS:
    void loaded(const EntryPreview &preview);

private:
    QFutureWatcher<EntryPreview> m_watcher;
};
