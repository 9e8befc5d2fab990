#include "PreviewLoader.h"

#include <QPromise>
#include <QThreadPool>

#include <memory>

PreviewLoader::PreviewLoader(QObject *parent) : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, [this] {
        if (!m_watcher.isCanceled() && m_watcher.future().resultCount() > 0)
            Q_EMIT loaded(m_watcher.result());
    });
}

PreviewLoader::~PreviewLoader()
{
    cancel();
}

void PreviewLoader::start(const PreviewRequest &request)
{
    auto promise = std::make_shared<QPromise<EntryPreview>>();
    m_watcher.setFuture(promise->future());
    promise->start();
    // The global pool, which the application waits for as it ends: a cancelled worker ends at
    // its next read, so that wait is short.
    QThreadPool::globalInstance()->start([promise, request] {
        promise->addResult(EntryPreview::load(request, [&] { return promise->isCanceled(); }));
        promise->finish();
    });
}

void PreviewLoader::cancel()
{
    m_watcher.cancel();
}
