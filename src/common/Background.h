#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QThreadPool>

#include <memory>
#include <type_traits>
#include <utility>

// Runs `work` on a thread of the process's pool and hands what it returns to
// `done` on `receiver`'s thread, unless `receiver` is gone by then. `work`
// owns what it reads (captured by value) and touches nothing else: the
// window stays responsive while it runs.
template<typename Work, typename Done>
void runInBackground(QObject *receiver, Work work, Done done)
{
    using Result = std::invoke_result_t<Work &>;
    auto *watcher = new QFutureWatcher<Result>(receiver);
    QObject::connect(watcher, &QFutureWatcherBase::finished, receiver, [watcher, done = std::move(done)]() mutable {
        watcher->deleteLater();
        done(watcher->result());
    });
    auto promise = std::make_shared<QPromise<Result>>();
    watcher->setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise, work = std::move(work)]() mutable {
        promise->addResult(work());
        promise->finish();
    });
}
