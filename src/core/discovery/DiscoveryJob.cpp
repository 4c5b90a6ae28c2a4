#include "DiscoveryJob.h"

#include <QThread>

using namespace Qt::StringLiterals;

namespace talven {

DiscoveryJob::DiscoveryJob(QObject* parent) : QObject(parent) {}

DiscoveryJob::~DiscoveryJob() {
    cancel();
    if (m_thread)
        m_thread->wait();
}

Result<void> DiscoveryJob::start(const NumberModel& model, const std::vector<DrawValues>& draws,
                                 const DiscoveryRequest& request) {
    if (m_running)
        return Error{u"公式挖掘正在进行，请稍候再试"_s, ErrorCode::InProgress};
    auto discovery = std::make_shared<const FormulaDiscovery>(model, draws);
    if (auto valid = discovery->check(request); !valid)
        return valid;
    if (m_thread)
        m_thread->wait();
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    m_thread.reset(QThread::create([this, discovery, request, cancel = m_cancel] {
        const auto report = [this](double fraction, const QString& text) {
            QMetaObject::invokeMethod(
                this, [this, fraction, text] { emit progress(fraction, text); }, Qt::QueuedConnection);
        };
        Result<DiscoveryReport> result = discovery->run(request, cancel.get(), report);
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result)] {
                m_thread->wait();
                m_outcome.emplace(result);
                m_running = false;
                emit finished();
            },
            Qt::QueuedConnection);
    }));
    m_thread->start();
    return {};
}

void DiscoveryJob::cancel() {
    if (m_cancel)
        m_cancel->store(true);
}

} // namespace talven
