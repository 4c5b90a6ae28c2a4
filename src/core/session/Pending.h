#pragma once

#include "common/Result.h"

#include <QCoreApplication>
#include <QFuture>
#include <QFutureWatcher>
#include <QPromise>

#include <functional>
#include <memory>

namespace talven {

// The outcome of an operation of the session, as a QFuture that finishes on the session's thread
// once the new state is in place. The continuation is bound to a context object through a watcher
// it owns, so a window closed before the outcome arrives is simply not called.
template <typename T>
class Pending : public QFuture<Result<T>> {
public:
    using Callback = std::function<void(const Result<T>&)>;

    explicit Pending(QFuture<Result<T>> future) : QFuture<Result<T>>(std::move(future)) {}

    static Pending done(Result<T> result) { return Pending(QtFuture::makeReadyFuture(std::move(result))); }

    // Calls fn on context's thread with the outcome (at once when it is there already); not at all
    // when context is destroyed before.
    void then(QObject* context, Callback fn) const {
        if (this->isFinished()) {
            fn(this->result());
            return;
        }
        auto* watcher = new QFutureWatcher<Result<T>>(context);
        QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, fn = std::move(fn)] {
            fn(watcher->result());
            watcher->deleteLater();
        });
        watcher->setFuture(*this);
    }

    // Waits for the outcome while the event loop runs: for the command line and tests, never the
    // window (it would stop drawing).
    Result<T> wait() const {
        while (!this->isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return this->result();
    }
};

// The side that gives the outcome; shared by the steps of one operation.
template <typename T>
class PendingPromise {
public:
    PendingPromise() : m_promise(std::make_shared<QPromise<Result<T>>>()) { m_promise->start(); }
    Pending<T> pending() const { return Pending<T>(m_promise->future()); }
    void finish(Result<T> result) const {
        m_promise->addResult(std::move(result));
        m_promise->finish();
    }

private:
    std::shared_ptr<QPromise<Result<T>>> m_promise;
};

} // namespace talven
