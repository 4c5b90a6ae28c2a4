#pragma once

#include "discovery/FormulaDiscovery.h"

#include <QFuture>
#include <QObject>

#include <atomic>
#include <memory>
#include <optional>

namespace talven {

// A search on the shared thread pool, for the windows: the progress and the end arrive on the thread
// that started it, and cancel() stops the search within a few candidates. Destroying the job
// cancels a running search and waits for it.
class DiscoveryJob : public QObject {
    Q_OBJECT
public:
    explicit DiscoveryJob(QObject* parent = nullptr);
    ~DiscoveryJob() override;

    // Starts a search over a copy of the history; refused while one runs or when the request does
    // not fit the history.
    Result<void> start(const NumberModel& model, const std::vector<DrawValues>& draws,
                       const DiscoveryRequest& request);
    void cancel();
    bool running() const { return m_running; }
    // The outcome of the last search that ended; none before the first.
    const std::optional<Result<DiscoveryReport>>& outcome() const { return m_outcome; }

signals:
    void progress(double fraction, const QString& text);
    // The search ended (done, cancelled or failed): outcome() holds it.
    void finished();

private:
    QFuture<void> m_search;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::optional<Result<DiscoveryReport>> m_outcome;
    bool m_running = false;
};

} // namespace talven
