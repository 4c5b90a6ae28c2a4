#include "windows/MainWindow.h"

#include "models/FormulaListModel.h"
#include "models/HistoryGridModel.h"
#include "prompts/DialogFolder.h"
#include "prompts/Prompts.h"
#include "session/Session.h"
#include "widgets/ExportNotice.h"
#include "widgets/FlowLayout.h"
#include "widgets/FormulaEntryPanel.h"
#include "widgets/FormulaListPanel.h"
#include "widgets/HistoryGridView.h"
#include "widgets/StatusLine.h"
#include "windows/BusyFeedback.h"
#include "windows/ClipboardHistory.h"
#include "windows/DrawEntryBand.h"
#include "windows/DrawEntryRow.h"
#include "windows/FilterWindow.h"
#include "windows/GridExporter.h"
#include "windows/SettingsMenu.h"
#include "windows/UndoKeyRouter.h"
#include "windows/WindowPlacement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace talven {

MainWindow::MainWindow(Session& session, Prompts& prompts, QSettings* viewSettings, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_prompts(prompts), m_viewSettings(viewSettings) {
    setWindowTitle(u"TALVEN 公式分析"_s);
    m_history = new HistoryGridModel(session, this);
    m_exporter = new GridExporter(session, prompts, this, viewSettings);
    connect(m_exporter, &GridExporter::exported, this, &MainWindow::showExported);
    m_settingsMenu = new SettingsMenu(session, prompts, this);
    m_settingsMenu->setObjectName(u"settingsMenu"_s);
    connect(m_settingsMenu, &SettingsMenu::notice, this,
            [this](const QString& text) { notify(text, 15000); });

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    // Two bands the user shares out (history and draw entry, the list), each shrinking to small screens.
    m_bands = new QSplitter(Qt::Vertical, central);
    m_bands->setChildrenCollapsible(false);
    auto* upper = new QWidget(m_bands);
    auto* upperLayout = new QVBoxLayout(upper);
    upperLayout->setContentsMargins(0, 0, 0, 0);
    m_top = new QSplitter(Qt::Horizontal, upper);
    m_top->setChildrenCollapsible(false);
    m_historyView = new HistoryGridView(m_history, *m_exporter, this);
    connect(m_historyView, &HistoryGridView::pasteRequested, this,
            [this] { previewAndImport(clipboardHistory()); });
    m_historyView->setObjectName(u"historyGrid"_s);
    m_top->addWidget(m_historyView);
    m_formulaEntry = new FormulaEntryPanel(session, prompts, viewSettings, this);
    m_formulaEntry->setObjectName(u"formulaEntry"_s);
    connect(m_formulaEntry, &FormulaEntryPanel::added, this, [this](const QString& notice) {
        setFormulaColumns(true, false);
        m_notUndoable = u"添加公式不能撤销，可在列表中右键删除"_s;
        notify(notice.isEmpty() ? u"已添加公式"_s : notice);
    });
    connect(m_formulaEntry, &FormulaEntryPanel::imported, this, [this](bool added, const QString& summary) {
        if (added)
            setFormulaColumns(true, false);
        notify(summary);
    });
    connect(m_formulaEntry, &FormulaEntryPanel::referenceRequested, this, &MainWindow::openReference);
    connect(m_formulaEntry, &FormulaEntryPanel::kindChosen, this, &MainWindow::kindChosen);
    auto* entryArea = new QScrollArea(m_top);
    entryArea->setAccessibleName(u"公式输入"_s);
    entryArea->setFrameShape(QFrame::NoFrame);
    entryArea->setWidgetResizable(true);
    entryArea->setWidget(m_formulaEntry);
    m_top->addWidget(entryArea);
    m_top->setStretchFactor(0, 3);
    m_top->setStretchFactor(1, 2);
    upperLayout->addWidget(m_top, 1);
    auto* entryBand = new DrawEntryBand(session, prompts, upper);
    m_entry = entryBand->entryRow();
    m_formulaColumns = entryBand->formulaColumns();
    connect(entryBand, &DrawEntryBand::importRequested, this, &MainWindow::importHistory);
    connect(entryBand, &DrawEntryBand::drawStored, this, [this] {
        setFormulaColumns(true, false);
        m_notUndoable = u"输入的历史号码不能撤销，可点击“删除最后历史”删除"_s;
    });
    connect(entryBand, &DrawEntryBand::drawDeleted, this, [this] { setFormulaColumns(true, false); });
    connect(entryBand, &DrawEntryBand::notice, this, [this](const QString& text) { notify(text); });
    connect(entryBand, &DrawEntryBand::formulaColumnsToggled, this,
            [this](bool on) { setFormulaColumns(on, true); });
    upperLayout->addWidget(entryBand);
    m_bands->addWidget(upper);
    m_formulaList = new FormulaListPanel(session, *m_exporter, this);
    m_formulaList->setObjectName(u"formulaPanel"_s);
    connect(m_formulaList, &FormulaListPanel::kindFilterToggled, this, &MainWindow::toggleKindFilter);
    connect(m_formulaList, &FormulaListPanel::filterRequested, this, &MainWindow::openFilter);
    connect(m_formulaList, &FormulaListPanel::deleteRequested, this, &MainWindow::deleteFormula);
    connect(m_formulaList, &FormulaListPanel::viewChanged, this, &MainWindow::saveView);
    connect(m_formulaList, &FormulaListPanel::notice, this, [this](const QString& text) { notify(text); });
    m_bands->addWidget(m_formulaList);
    m_bands->setStretchFactor(0, 4);
    m_bands->setStretchFactor(1, 5);
    layout->addWidget(m_bands, 1);
    layout->addWidget(buildCommandBand());
    setCentralWidget(central);
    auto* status = new StatusLine(session, this);
    status->setObjectName(u"statusLine"_s);
    statusBar()->addWidget(status, 1);
    m_exportNotice = new ExportNotice(prompts, statusBar(), status);
    m_exportNotice->setObjectName(u"exportNotice"_s);

    new BusyFeedback(session, this);
    connect(&session, &Session::changed, this, [this](Session::Changes what) { sessionChanged(int(what)); });
    connect(&session, &Session::busyChanged, this, [this](bool busy) {
        if (busy)
            return;
        showUndo(); // the busy feedback enabled every command again
        if (m_closeWhenIdle)
            QTimer::singleShot(0, this, &QWidget::close);
    });
    // Another program's change to the database is read in as soon as nothing runs here.
    connect(&session, &Session::reloadedAfterOtherProgram, this,
            [this] { notify(u"数据库已被另一个程序修改，已重新读取"_s); });
    session.watchOtherPrograms(2000);

    auto* undoKey = new QShortcut(QKeySequence::Undo, this);
    connect(undoKey, &QShortcut::activated, this, &MainWindow::undo);
    (new UndoKeyRouter(this))->watch(this);
    showUndo();

    resize(1280, 760);
    // Without a split of the user's, the upper band gets what it asks for, up to half.
    if (!m_viewSettings || !m_viewSettings->contains(u"MainWindow/bands"_s))
        QTimer::singleShot(0, this, [this] {
            const int band = m_bands->widget(0)->sizeHint().height() - m_top->sizeHint().height();
            const int upper = std::min(band + m_formulaEntry->sizeHint().height(), m_bands->height() / 2);
            m_bands->setSizes({upper, m_bands->height() - upper});
        });
    restoreView();
    proposeNextPeriod();
    m_historyView->scrollToNewest();
    m_formulaList->scrollToEnd();
    // The opening's notice waits for the window (a read-only database is said by the status line).
    if (session.readOnlyReason().isEmpty() && !session.openingNotice().isEmpty())
        QTimer::singleShot(0, this, [this] { statusBar()->showMessage(m_session.openingNotice()); });
    m_entry->box(1)->setFocus();
}

QPushButton* MainWindow::button(const QString& caption, const char* name, void (MainWindow::*slot)(),
                                const QString& tip) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    if (!tip.isEmpty())
        b->setToolTip(tip);
    connect(b, &QPushButton::clicked, this, slot);
    return b;
}

template <typename Change, typename Done>
void MainWindow::afterChange(const Change& change, const QString& failureTitle, Done done) {
    change.then(this, [this, failureTitle, done](const auto& outcome) {
        if (!outcome) {
            reportFailure(failureTitle, outcome.error());
            return;
        }
        done(outcome);
    });
}

QWidget* MainWindow::buildCommandBand() {
    auto* band = new QWidget(this);
    // The commands wrap onto a second row where the window is too narrow for one.
    auto* layout = new FlowLayout(band);
    layout->addWidget(
        button(u"计算选中公式(&C)"_s, "compute", &MainWindow::compute, u"执行公式列表中序号为蓝色的公式"_s));
    m_verifyPeriod = new QLineEdit(u"2007001"_s, band);
    m_verifyPeriod->setObjectName(u"verifyPeriod"_s);
    m_verifyPeriod->setAccessibleName(u"验算期号"_s);
    m_verifyPeriod->setMaxLength(7);
    m_verifyPeriod->setFixedWidth(m_verifyPeriod->fontMetrics().horizontalAdvance(u"00000000"_s) + 12);
    layout->addWidget(m_verifyPeriod);
    layout->addWidget(button(u"验算该期公式[计算的该期下期结果](&K)"_s, "verify", &MainWindow::verify));
    QPushButton* backtest =
        button(u"组合验算(&Z)"_s, "selectionBacktestButton", &MainWindow::openSelectionBacktest,
               u"把所选公式或过滤条件在最近各期逐期验算，并与随机水平比较"_s);
    backtest->setAccessibleName(u"组合验算"_s);
    layout->addWidget(backtest);
    layout->addWidget(button(u"公式挖掘(&W)"_s, "discovery", &MainWindow::openDiscovery,
                             u"在历史上试验大量候选公式，并用未参与挑选的期数检验它们"_s));
    m_undoButton = button(u"撤销"_s, "undo", &MainWindow::undo, u"撤销最后一次删除或读入（Ctrl+Z）"_s);
    layout->addWidget(m_undoButton);
    m_settingsButton = button(u"软件设置(&T)"_s, "settings", &MainWindow::showSettingsMenu);
    layout->addWidget(m_settingsButton);
    layout->addWidget(button(u"使用说明下载(&L)"_s, "guide", &MainWindow::openGuide));
    return band;
}

void MainWindow::sessionChanged(int what) {
    if (what & Session::HistoryChanged) {
        proposeNextPeriod();
        m_historyView->scrollToNewest();
    }
    if (what & Session::FormulasChanged)
        m_formulaList->scrollToEnd();
    if (what & (Session::FormulasChanged | Session::ResultsChanged | Session::HistoryChanged))
        m_formulaList->showHitHistory();
    showUndo();
}

void MainWindow::showUndo() {
    const QString description = m_session.undoDescription();
    if (!description.isEmpty())
        m_notUndoable.clear();
    m_undoButton->setText(description.isEmpty() ? u"撤销"_s : description);
    m_undoButton->setEnabled(!description.isEmpty());
}

void MainWindow::undo() {
    if (m_session.busy())
        return;
    // Ctrl+Z that does nothing says why, so that the user does not press it again and again.
    if (m_session.undoDescription().isEmpty()) {
        notify(m_notUndoable.isEmpty() ? u"没有可撤销的操作"_s : m_notUndoable);
        return;
    }
    afterChange(m_session.undo(), u"无法撤销"_s, [this](const Result<void>&) { m_notUndoable.clear(); });
}

void MainWindow::notify(const QString& text, int milliseconds) {
    statusBar()->showMessage(text, milliseconds);
}

void MainWindow::proposeNextPeriod() {
    m_entry->propose(m_session.nextPeriod());
    if (!m_session.draws().empty())
        m_verifyPeriod->setText(m_session.draw(m_session.draws().size() - 1).period().toString());
}

void MainWindow::reportFailure(const QString& title, const Error& error) {
    m_prompts.warning(this, title, error.shown());
}

QString MainWindow::chooseFile(const QString& caption, const QString& filter) {
    const QString path = m_prompts.openFile(this, caption, DialogFolder::start(m_viewSettings), filter);
    DialogFolder::remember(m_viewSettings, path);
    return path;
}

void MainWindow::importHistory() {
    // The dialog lists the usual history files (text and tables), but any file the user picks is read.
    const QString path =
        chooseFile(u"读取历史号码文本"_s, u"历史号码文件 (*.txt *.csv *.tsv);;所有文件 (*)"_s);
    if (!path.isEmpty())
        previewAndImport(ImportSource::file(path));
}

void MainWindow::previewAndImport(const ImportSource& source) {
    // The session reads the source on its worker; the choice then stores exactly what was previewed.
    m_session.previewImport(source).then(this, [this](const Result<ImportPreview>& preview) {
        if (!preview)
            return reportFailure(u"读入历史失败"_s, preview.error());
        importPreviewed(preview.value());
    });
}

void MainWindow::importPreviewed(const ImportPreview& preview) {
    const ImportChoice choice = m_prompts.previewImport(this, preview);
    if (choice == ImportChoice::Append)
        return afterChange(m_session.appendHistory(preview), u"追加新开奖失败"_s,
                           [this](const Result<ImportReport>& done) {
                               m_entry->clearBoxes();
                               notify(u"已追加 %1 期新开奖。"_s.arg(done->stored));
                           });
    if (choice == ImportChoice::Cancel)
        return;
    afterChange(m_session.importHistory(preview, choice == ImportChoice::ForceReplace), u"读入历史失败"_s,
                [this](const Result<ImportReport>& done) {
                    m_entry->clearBoxes();
                    setFormulaColumns(true, false);
                    const QString read = u"已读入 %1 期历史号码。"_s.arg(done->stored);
                    // The history is in; what went wrong is only the copy of the one it replaced.
                    if (done->backupProblem.isEmpty())
                        m_prompts.information(this, u"读入历史"_s, read);
                    else
                        m_prompts.warning(
                            this, u"读入历史"_s,
                            read + u"\n\n但读入前的数据库未能存为备份：%1"_s.arg(done->backupProblem));
                });
}

void MainWindow::deleteFormula(int idx) {
    afterChange(m_session.deleteFormula(idx), u"无法删除公式"_s,
                [this](const Result<void>&) { setFormulaColumns(false, false); });
}

void MainWindow::setFormulaColumns(bool on, bool recompute) {
    const QSignalBlocker quiet(m_formulaColumns);
    m_formulaColumns->setChecked(on);
    if (!on || !recompute) {
        m_history->setShowFormulas(on);
        m_historyView->scrollToNewest();
        return;
    }
    // Switched on by the user: the whole back-test runs again before the columns show.
    m_session.recompute().then(this, [this](const Result<void>& done) {
        if (!done) {
            const QSignalBlocker quiet(m_formulaColumns);
            m_formulaColumns->setChecked(false);
            reportFailure(u"验算失败"_s, done.error());
            return;
        }
        m_history->setShowFormulas(true);
        m_historyView->scrollToNewest();
    });
}

void MainWindow::toggleKindFilter(bool on) {
    const auto kind = on ? std::optional(currentKind()) : std::nullopt;
    m_formulaList->model()->setKindFilter(kind);
    m_history->setKindFilter(kind);
    m_formulaList->scrollToEnd();
}

std::optional<FormulaKind> MainWindow::shownKind() const {
    return m_formulaList->kindFilterOn() ? std::optional(currentKind()) : std::nullopt;
}

void MainWindow::kindChosen() {
    // With the filter on, the list shows the new kind at once, so that list and commands agree.
    if (m_formulaList->kindFilterOn())
        toggleKindFilter(true);
}

void MainWindow::compute() {
    afterChange(m_session.predict(std::nullopt, shownKind()), u"无法计算选中公式"_s,
                [this](const Result<ErrorValueTable>&) { showErrorValues(); });
}

void MainWindow::verify() {
    bool ok = false;
    const int period = m_verifyPeriod->text().trimmed().toInt(&ok);
    if (!ok) {
        m_prompts.warning(this, u"无法验算"_s, u"请在验算期号框中输入七位数字的期号"_s);
        m_verifyPeriod->setFocus();
        return;
    }
    afterChange(m_session.predict(Period(period), shownKind()), u"无法验算"_s,
                [this](const Result<ErrorValueTable>&) { showErrorValues(); });
}

void MainWindow::showErrorValues() {
    m_errors.show(
        [this] {
            auto* window = new ErrorValueWindow(m_session, m_prompts, this, m_viewSettings);
            connect(window, &ErrorValueWindow::exported, this, &MainWindow::showExported);
            return window;
        },
        this);
}

void MainWindow::showExported(const QString& path) {
    // Whether or not a program opens the file, the user learns where it is.
    m_exportNotice->showFor(path);
}

void MainWindow::openReference() {
    m_reference.show([this] { return new ReferenceWindow(this); }, this);
}

void MainWindow::openDiscovery() {
    m_discovery.show([this] { return new DiscoveryWindow(m_session, m_prompts, this); }, this);
}

void MainWindow::openSelectionBacktest() {
    const SelectionBacktestWindow::Sources sources{
        [this] { return m_filter ? m_filter->lastApplied() : std::nullopt; },
        [this] { return shownKind() ? std::optional(static_cast<int>(*shownKind())) : std::nullopt; }};
    m_selectionBacktest.show(
        [&] {
            auto* window = new SelectionBacktestWindow(m_session, m_prompts, sources, this, m_viewSettings);
            connect(window, &SelectionBacktestWindow::exported, this, &MainWindow::showExported);
            return window;
        },
        this);
}

void MainWindow::openFilter() {
    if (!m_filter) {
        m_filter = new FilterWindow(m_session, m_prompts, this);
        connect(m_filter, &FilterWindow::filtered, this, [this](const QString& text) { notify(text); });
        placeBeside(*m_filter, *this);
    }
    m_filter->run(m_formulaList->shownOrdinals());
}

void MainWindow::openGuide() {
    ReferenceWindow::openUserGuide(m_prompts, this);
}

void MainWindow::showSettingsMenu() {
    m_settingsMenu->popupFor(*m_settingsButton);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A change that is still writing finishes before the window goes.
    if (m_session.busy()) {
        m_closeWhenIdle = true;
        statusBar()->showMessage(u"正在保存，完成后将关闭窗口…"_s);
        event->ignore();
        return;
    }
    saveView();
    event->accept();
}

void MainWindow::restoreView() {
    if (!m_viewSettings)
        return;
    m_viewSettings->beginGroup(u"MainWindow"_s);
    restoreGeometry(m_viewSettings->value(u"geometry"_s).toByteArray());
    fitOnScreen(*this);
    m_bands->restoreState(m_viewSettings->value(u"bands"_s).toByteArray());
    m_top->restoreState(m_viewSettings->value(u"top"_s).toByteArray());
    m_formulaList->restoreView(*m_viewSettings);
    m_viewSettings->endGroup();
}

void MainWindow::saveView() {
    if (!m_viewSettings)
        return;
    m_viewSettings->beginGroup(u"MainWindow"_s);
    m_viewSettings->setValue(u"geometry"_s, saveGeometry());
    m_viewSettings->setValue(u"bands"_s, m_bands->saveState());
    m_viewSettings->setValue(u"top"_s, m_top->saveState());
    m_formulaList->saveView(*m_viewSettings);
    m_viewSettings->endGroup();
}

} // namespace talven
