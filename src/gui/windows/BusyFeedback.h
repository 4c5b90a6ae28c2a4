#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QProgressDialog;
class QTimer;
class QWidget;

namespace talven {

class Session;

// While the session works on its worker: the wait cursor, the window's commands disabled, and a
// progress dialog with the session's text and fraction once the work lasts more than a moment.
class BusyFeedback : public QObject {
    Q_OBJECT
public:
    BusyFeedback(Session& session, QWidget* window);

private:
    void busyChanged(bool busy);

    Session& m_session;
    QWidget* m_window;
    QPointer<QProgressDialog> m_dialog;
    QTimer* m_delay;
    QList<QPointer<QWidget>> m_disabled;
    QString m_text;
    int m_permille = 0;
};

} // namespace talven
