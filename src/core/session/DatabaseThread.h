#pragma once

#include <QObject>
#include <QThread>

#include <functional>

namespace talven {

// The thread that owns the database connection: every change, every read of the error values and
// every check for other programs' changes runs here, one after another in the order posted.
class DatabaseThread {
public:
    DatabaseThread();
    // Work posted but not yet begun is dropped; work running finishes first.
    ~DatabaseThread();
    DatabaseThread(const DatabaseThread&) = delete;
    DatabaseThread& operator=(const DatabaseThread&) = delete;

    // Runs work there later.
    void post(std::function<void()> work);
    // Runs work there and returns when it is done: for start-up and the command line, whose callers
    // wait anyway. Never from the database thread itself.
    void call(const std::function<void()>& work);

private:
    QThread m_thread;
    QObject* m_context; // lives on m_thread, the receiver of the posted work
};

} // namespace talven
