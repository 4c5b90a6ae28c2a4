#include "DiscoveryJob.h"

#include <QtConcurrentRun>

using namespace Qt::StringLiterals;

namespace talven {

DiscoveryJob::DiscoveryJob(QObject* parent) : QObject(parent) {}

DiscoveryJob::~DiscoveryJob() {
    cancel();
    m_search.waitForFinished();
}

Result<void> DiscoveryJob::start(const NumberModel& model, const std::vector<DrawValues>& draws,
                                 const DiscoveryRequest& request) {
    if (m_running)
        return Error{u"公式挖掘正在进行，请稍候再试"_s, ErrorCode::InProgress};
    auto discovery = std::make_shared<const FormulaDiscovery>(model, draws);
    if (auto valid = discovery->check(request); !valid)
        return valid;
    m_search.waitForFinished();
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    // The progress and the end are queued to this object from inside the search, so they arrive on
    // its thread; once the search has returned nothing touches the job any more, which is what the
    // destructor waits for.
    m_search = QtConcurrent::run([this, discovery, request, cancel = m_cancel] {
        const auto report = [this](double fraction, const QString& text) {
            QMetaObject::invokeMethod(
                this, [this, fraction, text] { emit progress(fraction, text); }, Qt::QueuedConnection);
        };
        Result<DiscoveryReport> result = discovery->run(request, cancel.get(), report);
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result)] {
                m_outcome.emplace(result);
                m_running = false;
                emit finished();
            },
            Qt::QueuedConnection);
    });
    return {};
}

void DiscoveryJob::cancel() {
    if (m_cancel)
        m_cancel->store(true);
}

} // namespace talven
