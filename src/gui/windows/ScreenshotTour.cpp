#include "windows/ScreenshotTour.h"

#include "models/FormulaListModel.h"
#include "session/Session.h"
#include "widgets/FormulaListView.h"
#include "widgets/FormulaPreviewLabel.h"
#include "windows/FilterWindow.h"
#include "windows/MainWindow.h"
#include "windows/SettingsMenu.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QTabBar>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace talven {

ScreenshotTour::ScreenshotTour(MainWindow& window, QString folder)
    : QObject(&window), m_window(window), m_folder(std::move(folder)) {
    MainWindow* w = &m_window;
    m_steps = {
        {u"main-window"_s, [] {}, [w] { return w; }},
        {u"main-window-formula-columns"_s, [w] { w->setFormulaColumns(true, true); }, [w] { return w; }},
        {u"main-window-chinese"_s, [w] { w->m_forms->setCurrentIndex(1); }, [w] { return w; }},
        {u"formula-preview"_s,
         [w] {
             w->m_forms->setCurrentIndex(0);
             w->m_formulaText->setPlainText(u"[D单特类]特码数+平码一*2"_s);
             w->m_preview->setInput(w->m_formulaText->toPlainText(), w->m_kind, w->m_kill, true);
         },
         [w]() -> QWidget* { return w->m_preview->parentWidget(); }},
        {u"formula-preview-refused"_s,
         [w] {
             w->m_formulaText->setPlainText(u"[D单特类]特码数+平码一*(2"_s);
             w->m_preview->setInput(w->m_formulaText->toPlainText(), w->m_kind, w->m_kill, true);
         },
         [w]() -> QWidget* { return w->m_preview->parentWidget(); }},
        {u"hit-history"_s,
         [w] {
             w->m_formulaText->clear();
             const QModelIndex row = w->m_formulaView->model()->index(5, FormulaListModel::Formula);
             w->m_formulaView->setCurrentIndex(row);
             w->m_formulaView->scrollTo(row);
         },
         [w]() -> QWidget* { return w->m_listSplit->parentWidget(); }},
        {u"settings-menu"_s,
         [w] {
             w->m_settingsMenu->popup(
                 w->m_settingsButton->mapToGlobal(QPoint(0, -w->m_settingsMenu->sizeHint().height())));
         },
         [w] { return w; }},
        {u"reference-window"_s,
         [w] {
             w->m_settingsMenu->hide();
             w->openReference();
         },
         [w]() -> QWidget* { return w->referenceWindow(); }},
        {u"filter-window"_s,
         [w] {
             w->referenceWindow()->hide();
             // The filter window is modal: it opens from the event loop and the tour goes on in its loop.
             QTimer::singleShot(0, w, [w] { w->openFilter(); });
         },
         [w]() -> QWidget* { return w->filterWindow(); }},
        {u"error-values"_s,
         [w] {
             w->filterWindow()->reject();
             w->compute();
         },
         [w]() -> QWidget* { return w->errorValueWindow(); }},
        {u"discovery-window"_s,
         [w] {
             w->errorValueWindow()->close();
             w->openDiscovery();
             w->discoveryWindow()->candidatesBox()->setValue(5000);
             w->discoveryWindow()->startButton()->click();
         },
         [w]() -> QWidget* { return w->discoveryWindow(); },
         [w] { return !w->discoveryWindow()->running(); }},
    };
}

void ScreenshotTour::start() {
    QTimer::singleShot(1500, this, &ScreenshotTour::next);
}

void ScreenshotTour::next() {
    // A long change still running (the back-test of the formula columns) is waited for.
    const bool ready = m_at == 0 || !m_steps[m_at - 1].ready || m_steps[m_at - 1].ready();
    if (m_window.m_session.busy() || !ready) {
        QTimer::singleShot(200, this, &ScreenshotTour::next);
        return;
    }
    if (m_at > 0)
        save(m_steps[m_at - 1]);
    if (m_at == m_steps.size()) {
        QApplication::quit();
        return;
    }
    m_steps[m_at++].prepare();
    QTimer::singleShot(1200, this, &ScreenshotTour::next);
}

void ScreenshotTour::save(const Step& step) {
    QWidget* widget = step.shot();
    QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
    // The screen itself is pictured, so that pop-up menus over the window show too.
    const QRect area = widget ? widget->frameGeometry() : screen->geometry();
    const QPixmap picture = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    QDir().mkpath(m_folder);
    const QString path = QDir(m_folder).filePath(step.name + u".png"_s);
    if (!picture.save(path))
        qWarning("could not save %s", qPrintable(path));
}

} // namespace talven
