#pragma once

#include "common/Result.h"

#include <QCoreApplication>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace talven {

// The outcome of a change that may still be running on the session's worker. Short changes are
// done when they return; long ones finish on the session's thread once the new state is in place.
template <typename T>
class Pending {
public:
    using Callback = std::function<void(const Result<T>&)>;

    static Pending done(Result<T> result) {
        Pending p;
        p.finish(std::move(result));
        return p;
    }

    bool isFinished() const { return m_state->result.has_value(); }

    // Calls fn with the outcome once the change is done (at once when it is done already); not at
    // all when context is destroyed before.
    void then(QObject* context, Callback fn) const {
        QPointer<QObject> guard(context);
        Callback call = [guard, fn = std::move(fn)](const Result<T>& r) {
            if (guard)
                fn(r);
        };
        if (m_state->result)
            call(*m_state->result);
        else
            m_state->callbacks.push_back(std::move(call));
    }

    // Waits for the outcome while the event loop runs: for the command line and tests, never the
    // window (it would stop drawing).
    Result<T> wait() const {
        while (!m_state->result)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return *m_state->result;
    }

    void finish(Result<T> result) const {
        m_state->result.emplace(std::move(result));
        const auto callbacks = std::move(m_state->callbacks);
        for (const Callback& fn : callbacks)
            fn(*m_state->result);
    }

private:
    struct State {
        std::optional<Result<T>> result;
        std::vector<Callback> callbacks;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace talven
