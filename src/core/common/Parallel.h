#pragma once

#include <QFuture>
#include <QList>
#include <QThreadPool>
#include <QtConcurrentMap>
#include <QtConcurrentRun>

#include <cstddef>

namespace talven {

// The one way the core computes in parallel: the shared thread pool, with the calling thread taking
// part, so that a call made on a pool thread never waits for a free one. Only work that touches no
// database connection goes here.
namespace Parallel {

// Calls fn on every item, spread over the pool when there are at least minItems; returns when every
// item is done.
template <typename Container, typename Fn>
void forEach(Container& items, Fn fn, std::size_t minItems = 64) {
    if (items.size() < minItems || QThreadPool::globalInstance()->maxThreadCount() < 2) {
        for (auto& item : items)
            fn(item);
        return;
    }
    QtConcurrent::blockingMap(items, fn);
}

// Runs work once on the calling thread and once more on every other thread of the pool, and returns
// when every copy has returned. The copies share the work out among themselves (a common cursor).
template <typename Fn>
void onEveryThread(const Fn& work) {
    QThreadPool* pool = QThreadPool::globalInstance();
    QList<QFuture<void>> others;
    for (int t = 1; t < pool->maxThreadCount(); ++t)
        others.append(QtConcurrent::run(pool, work));
    work();
    // A copy the pool has not started yet is run here by the wait, or returns at once.
    for (QFuture<void>& other : others)
        other.waitForFinished();
}

} // namespace Parallel

} // namespace talven
