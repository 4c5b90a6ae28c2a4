#include "DatabaseThread.h"

namespace talven {

DatabaseThread::DatabaseThread() : m_context(new QObject) {
    m_thread.setObjectName(QStringLiteral("database"));
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

DatabaseThread::~DatabaseThread() {
    m_thread.quit();
    m_thread.wait();
    // The work still queued goes with its receiver.
    delete m_context;
}

void DatabaseThread::post(std::function<void()> work) {
    QMetaObject::invokeMethod(m_context, std::move(work), Qt::QueuedConnection);
}

void DatabaseThread::call(const std::function<void()>& work) {
    Q_ASSERT(QThread::currentThread() != &m_thread);
    QMetaObject::invokeMethod(m_context, work, Qt::BlockingQueuedConnection);
}

} // namespace talven
