#pragma once

#include <QFuture>
#include <QList>
#include <QThreadPool>
#include <QtConcurrentRun>

#include <algorithm>
#include <cstddef>

namespace talven {

// The one way the core computes in parallel: the shared thread pool, with the calling thread taking
// part, so that a call made on a pool thread never waits for a free one. Only work that touches no
// database connection goes here.
namespace Parallel {

// Calls fn on every item, spread over the pool when there are at least minItems; returns when every
// item is done. Each thread takes one contiguous share: items are often tiny (one appended draw per
// formula), and handing them out one by one would cost more than the work.
template <typename Container, typename Fn>
void forEach(Container& items, Fn fn, std::size_t minItems = 64) {
    QThreadPool* pool = QThreadPool::globalInstance();
    const std::size_t n = items.size();
    const auto threads = static_cast<std::size_t>(std::max(1, pool->maxThreadCount()));
    if (n < minItems || threads < 2) {
        for (auto& item : items)
            fn(item);
        return;
    }
    const std::size_t step = (n + threads - 1) / threads;
    auto share = [&items, &fn, step, n](std::size_t part) {
        for (std::size_t i = part * step; i < std::min(n, (part + 1) * step); ++i)
            fn(items[i]);
    };
    QList<QFuture<void>> others;
    for (std::size_t part = 1; part < threads && part * step < n; ++part)
        others.append(QtConcurrent::run(pool, share, part));
    share(0);
    // A share the pool has not started yet is run here by the wait.
    for (QFuture<void>& other : others)
        other.waitForFinished();
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
