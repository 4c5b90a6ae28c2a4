#include "windows/BusyFeedback.h"

#include "session/Session.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QTabBar>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace talven {

BusyFeedback::BusyFeedback(Session& session, QWidget* window)
    : QObject(window), m_session(session), m_window(window), m_delay(new QTimer(this)) {
    m_delay->setSingleShot(true);
    m_delay->setInterval(300);
    connect(m_delay, &QTimer::timeout, this, [this] {
        if (!m_session.busy())
            return;
        m_dialog = new QProgressDialog(m_text, QString(), 0, 1000, m_window);
        m_dialog->setWindowTitle(u"请稍候"_s);
        m_dialog->setAccessibleName(u"进度"_s);
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setValue(m_permille);
        m_dialog->show();
    });
    connect(&session, &Session::busyChanged, this, &BusyFeedback::busyChanged);
    connect(&session, &Session::progress, this, [this](double fraction, const QString& text) {
        m_text = text;
        m_permille = qBound(0, qRound(fraction * 1000), 1000);
        if (m_dialog) {
            m_dialog->setLabelText(text);
            m_dialog->setValue(m_permille);
        }
    });
}

void BusyFeedback::busyChanged(bool busy) {
    if (busy) {
        m_text = u"正在处理，请稍候…"_s;
        m_permille = 0;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // The commands and inputs wait; the window itself stays active, with its focus, and its
        // lists can still be read.
        for (QWidget* w : m_window->findChildren<QWidget*>()) {
            if (w->isEnabled() && (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                                   qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTabBar*>(w))) {
                w->setEnabled(false);
                m_disabled.append(w);
            }
        }
        m_delay->start();
        return;
    }
    m_delay->stop();
    if (m_dialog) {
        m_dialog->hide(); // at once, so that the focus is back before anything moves it
        m_dialog->deleteLater();
    }
    for (const QPointer<QWidget>& w : std::as_const(m_disabled))
        if (w)
            w->setEnabled(true);
    m_disabled.clear();
    QApplication::restoreOverrideCursor();
}

} // namespace talven
