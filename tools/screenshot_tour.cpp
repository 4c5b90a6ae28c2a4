// Opens the main window on a data directory under a (virtual) display, walks the real windows
// through the states the README shows and saves a picture of each into a folder, then ends;
// scripts/screenshots.sh runs it under Xvfb. A picture is one step in the list below.
//
//   screenshot_tour --data-dir DIR FOLDER
#include "models/FormulaListModel.h"
#include "prompts/Prompts.h"
#include "session/ProgramArguments.h"
#include "session/Session.h"
#include "widgets/FormulaEntryPanel.h"
#include "widgets/FormulaListPanel.h"
#include "widgets/FormulaListView.h"
#include "widgets/FormulaPreviewLabel.h"
#include "windows/DiscoveryWindow.h"
#include "windows/FilterWindow.h"
#include "windows/ImportPreviewDialog.h"
#include "windows/MainWindow.h"
#include "windows/SelectionBacktestWindow.h"
#include "windows/SettingsMenu.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QTabBar>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;
using namespace talven;

namespace {

class ScreenshotTour : public QObject {
public:
    ScreenshotTour(Session& session, MainWindow& window, QString folder)
        : QObject(&window), m_session(session), m_folder(std::move(folder)), m_steps(steps(session, window)) {
    }

    // Starts once the event loop runs.
    void start() { QTimer::singleShot(1500, this, &ScreenshotTour::next); }

private:
    struct Step {
        QString name;                     // file name without ".png"
        std::function<void()> prepare;    // brings the windows into the state
        std::function<QWidget*()> shot;   // the window to picture
        std::function<bool()> ready = {}; // the state is reached (a search has ended)
    };

    // A control or window by its object name, as a test robot finds it.
    template <typename W = QWidget>
    static W* named(MainWindow* w, const QString& name) {
        return w->findChild<W*>(name);
    }

    static void typeFormula(MainWindow* w, const QString& text) {
        named<FormulaEntryPanel>(w, u"formulaEntry"_s)->formulaBox()->setPlainText(text);
        named<FormulaEntryPanel>(w, u"formulaEntry"_s)->previewInput(true);
    }

    static std::vector<Step> steps(Session& session, MainWindow& window) {
        MainWindow* w = &window;
        Session* s = &session;
        const auto whole = [w]() -> QWidget* { return w; };
        const auto entry = [w]() -> QWidget* { return named<FormulaEntryPanel>(w, u"formulaEntry"_s); };
        return {
            {u"main-window"_s, [] {}, whole},
            {u"main-window-formula-columns"_s,
             [w] { named<QCheckBox>(w, u"formulaColumns"_s)->setChecked(true); }, whole},
            {u"main-window-chinese"_s, [w] { named<QTabBar>(w, u"formulaForms"_s)->setCurrentIndex(1); },
             whole},
            {u"formula-preview"_s,
             [w] {
                 named<QTabBar>(w, u"formulaForms"_s)->setCurrentIndex(0);
                 typeFormula(w, u"[D单特类]特码数+平码一*2"_s);
             },
             entry},
            {u"formula-preview-refused"_s, [w] { typeFormula(w, u"[D单特类]特码数+平码一*(2"_s); }, entry},
            {u"hit-history"_s,
             [w] {
                 named<FormulaEntryPanel>(w, u"formulaEntry"_s)->formulaBox()->clear();
                 const QModelIndex row = named<FormulaListView>(w, u"formulaList"_s)
                                             ->model()
                                             ->index(5, FormulaListModel::Formula);
                 named<FormulaListView>(w, u"formulaList"_s)->setCurrentIndex(row);
                 named<FormulaListView>(w, u"formulaList"_s)->scrollTo(row);
             },
             [w]() -> QWidget* { return named<FormulaListPanel>(w, u"formulaPanel"_s); }},
            {u"formula-list-scrolled"_s,
             [w] {
                 // Every figure shown and scrolled fully right: 序号 and 公式 stay in view.
                 auto* list = named<FormulaListView>(w, u"formulaList"_s);
                 for (int c = 0; c < list->model()->columnCount(); ++c)
                     list->setColumnHidden(c,
                                           c == FormulaListModel::FormulaNumber); // as the header menu offers
                 // Once the columns are laid out: only then is the scroll bar's range theirs.
                 QTimer::singleShot(100, list, [list] {
                     list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
                 });
             },
             [w]() -> QWidget* { return named<FormulaListPanel>(w, u"formulaPanel"_s); }},
            {u"settings-menu"_s,
             [w] {
                 QPushButton* button = named<QPushButton>(w, u"settings"_s);
                 named<SettingsMenu>(w, u"settingsMenu"_s)
                     ->popup(button->mapToGlobal(
                         QPoint(0, -named<SettingsMenu>(w, u"settingsMenu"_s)->sizeHint().height())));
             },
             whole},
            {u"reference-window"_s,
             [w] {
                 named<SettingsMenu>(w, u"settingsMenu"_s)->hide();
                 w->openReference();
             },
             [w]() -> QWidget* { return named(w, u"referenceWindow"_s); }},
            {u"filter-window"_s,
             [w] {
                 named(w, u"referenceWindow"_s)->hide();
                 // The filter window is modal: it opens from the event loop and the tour goes on in
                 // its loop.
                 QTimer::singleShot(0, w, &MainWindow::openFilter);
             },
             [w]() -> QWidget* { return named<FilterWindow>(w, u"filterWindow"_s); }},
            {u"error-values"_s,
             [w] {
                 named<FilterWindow>(w, u"filterWindow"_s)->reject();
                 w->compute();
             },
             [w]() -> QWidget* { return named(w, u"errorValueWindow"_s); }},
            {u"discovery-window"_s,
             [w] {
                 named(w, u"errorValueWindow"_s)->close();
                 w->openDiscovery();
                 named<DiscoveryWindow>(w, u"discoveryWindow"_s)->candidatesBox()->setValue(5000);
                 named<DiscoveryWindow>(w, u"discoveryWindow"_s)->startButton()->click();
             },
             [w]() -> QWidget* { return named<DiscoveryWindow>(w, u"discoveryWindow"_s); },
             [w] { return !named<DiscoveryWindow>(w, u"discoveryWindow"_s)->running(); }},
            {u"selection-backtest"_s,
             [w] {
                 named<DiscoveryWindow>(w, u"discoveryWindow"_s)->close();
                 named<QPushButton>(w, u"selectionBacktestButton"_s)->click();
                 named<SelectionBacktestWindow>(w, u"selectionBacktestWindow"_s)->startButton()->click();
             },
             [w]() -> QWidget* { return named(w, u"selectionBacktestWindow"_s); },
             [w] { return !named<SelectionBacktestWindow>(w, u"selectionBacktestWindow"_s)->running(); }},
            {u"import-preview"_s,
             [w] {
                 named(w, u"selectionBacktestWindow"_s)->close();
                 w->findChild<ImportPreviewDialog*>()->show();
             },
             [w]() -> QWidget* { return w->findChild<ImportPreviewDialog*>(); }},
            {u"export-notice"_s,
             [w, s] {
                 w->findChild<ImportPreviewDialog*>()->hide();
                 w->showExported(QDir(s->dataDir()).filePath(u"gongshi.xlsx"_s));
             },
             whole},
        };
    }

    void next() {
        // A long change still running (the back-test of the formula columns) is waited for.
        const bool ready = m_at == 0 || !m_steps[m_at - 1].ready || m_steps[m_at - 1].ready();
        if (m_session.busy() || !ready) {
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

    void save(const Step& step) const {
        QWidget* widget = step.shot();
        QScreen* screen = widget->screen();
        // The screen itself is pictured, so that pop-up menus over the window show too.
        // A panel's geometry is relative to its parent: its place on the screen is asked for.
        const QRect area = widget->isWindow() ? widget->frameGeometry()
                                              : QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
        const QPixmap picture = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        QDir().mkpath(m_folder);
        const QString path = QDir(m_folder).filePath(step.name + u".png"_s);
        if (!picture.save(path))
            std::fprintf(stderr, "could not save %s\n", qPrintable(path));
    }

    Session& m_session;
    QString m_folder;
    std::vector<Step> m_steps;
    size_t m_at = 0;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The program's names, so that the settings are kept where the program keeps them.
    QCoreApplication::setOrganizationName(u"TALVEN"_s);
    QCoreApplication::setApplicationName(u"TALVEN"_s);
    auto args = ProgramArguments::parse(QCoreApplication::arguments().mid(1));
    if (!args || args->positional().size() != 1) {
        std::fprintf(stderr, "usage: screenshot_tour [--data-dir DIR] FOLDER\n");
        return 2;
    }
    QSettings settings;
    auto session = Session::open(args->dataDirectory(), settings);
    if (!session) {
        std::fprintf(stderr, "%s\n", qPrintable(session.message()));
        return 1;
    }
    QtPrompts prompts;
    QSettings viewSettings;
    MainWindow window(*session.value(), prompts, &viewSettings);
    window.show();
    // The preview of the sample table as the import shows it, kept hidden until its step.
    const QString sample = u"samples/history.csv"_s;
    Session& s = *session.value();
    if (auto preview = s.previewImport(sample).wait())
        new ImportPreviewDialog(preview.value(), &window);
    (new ScreenshotTour(*session.value(), window, args->positional().first()))->start();
    return app.exec();
}
