#include "windows/MainWindow.h"

#include "formula/FormulaKinds.h"
#include "models/FormulaListModel.h"
#include "models/GridColours.h"
#include "models/HistoryGridModel.h"
#include "prompts/Prompts.h"
#include "session/ProgramArguments.h"
#include "session/Session.h"
#include "widgets/FormulaListView.h"
#include "widgets/FormulaPreviewLabel.h"
#include "widgets/HitHistoryStrip.h"
#include "windows/BusyFeedback.h"
#include "windows/DrawEntryRow.h"
#include "windows/FilterWindow.h"
#include "windows/GridExporter.h"
#include "windows/ScreenshotTour.h"
#include "windows/SettingsMenu.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

const QString exportTip = u"鼠标双击列表可以将列表导出到EXCEL"_s;
const QString selectedTip = u"执行公式列表中序号为蓝色的公式"_s;
constexpr int HistoryRowsShown = 28; // more draws than this open scrolled to the newest
constexpr int FormulaRowsShown = 18; // likewise for the formula list
// Twips of the grids' columns.
constexpr int PeriodWidth = 820, NumberWidth = 600, FormulaResultWidth = 700;
constexpr std::array<int, FormulaListModel::ColumnCount> listWidths = {
    420,  2800, 600,  420,  800, 2000, 800,  800,  800,  800,  2000,
    1200, 1200, 1200, 1200, 0,   1600, 1600, 1600, 1200, 1200, 1000};
constexpr int ChineseFormulaWidth = 4000;

// The user guide that ships with the program: beside an installed program, or in the build tree.
QString guidePath() {
    const QDir app(QCoreApplication::applicationDirPath());
    for (const QString& candidate : {u"../share/talven/guide.html"_s, u"share/talven/guide.html"_s,
                                     u"docs/guide.html"_s, u"../docs/guide.html"_s})
        if (QFileInfo::exists(app.filePath(candidate)))
            return QFileInfo(app.filePath(candidate)).canonicalFilePath();
    return QString();
}

} // namespace

MainWindow::MainWindow(Session& session, Prompts& prompts, QSettings* viewSettings, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_prompts(prompts), m_viewSettings(viewSettings) {
    setWindowTitle(u"TALVEN 公式分析"_s);
    session.setShortChangesOnWorker(true);
    m_history = new HistoryGridModel(session, this);
    m_formulas = new FormulaListModel(session, this);
    m_exporter = new GridExporter(session, prompts, this);
    m_settingsMenu = new SettingsMenu(session, prompts, this);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_bands = new QSplitter(Qt::Vertical, central);
    m_bands->setChildrenCollapsible(false);
    m_top = new QSplitter(Qt::Horizontal, m_bands);
    m_top->setChildrenCollapsible(false);
    m_top->addWidget(buildHistoryBand());
    m_top->addWidget(buildFormulaEntry());
    m_top->setStretchFactor(0, 3);
    m_top->setStretchFactor(1, 2);
    m_bands->addWidget(m_top);
    m_bands->addWidget(buildEntryBand());
    m_bands->addWidget(buildListBand());
    m_bands->setStretchFactor(0, 4);
    m_bands->setStretchFactor(1, 0);
    m_bands->setStretchFactor(2, 5);
    layout->addWidget(m_bands, 1);
    layout->addWidget(buildCommandBand());
    setCentralWidget(central);
    m_status = new QLabel(this);
    statusBar()->addWidget(m_status, 1);

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
    m_watch = new QTimer(this);
    m_watch->setInterval(2000);
    connect(m_watch, &QTimer::timeout, this, [this] {
        if (!m_session.busy() && m_session.changedElsewhere())
            m_session.reload().then(this, [this](const Result<void>& done) {
                if (done)
                    statusBar()->showMessage(u"数据库已被另一个程序修改，已重新读取"_s, 10000);
            });
    });
    m_watch->start();

    auto* undoKey = new QShortcut(QKeySequence::Undo, this);
    connect(undoKey, &QShortcut::activated, this, &MainWindow::undo);
    showUndo();

    resize(1280, 760);
    m_bands->setSizes({250, m_bands->widget(1)->sizeHint().height(), 430});
    m_listSplit->setSizes({330, 100});
    restoreView();
    proposeNextPeriod();
    showStatus();
    scrollHistoryToNewest();
    scrollFormulasToEnd();
    if (!session.readOnlyReason().isEmpty())
        statusBar()->showMessage(session.readOnlyReason());
    m_entry->box(1)->setFocus();
}

MainWindow::~MainWindow() = default;

GridView* MainWindow::historyView() const {
    return m_historyView;
}

bool MainWindow::showsFormulaColumns() const {
    return m_formulaColumns->isChecked();
}

bool MainWindow::kindFilterOn() const {
    return m_kindFilter->isChecked();
}

QPushButton* MainWindow::button(const QString& caption, void (MainWindow::*slot)(), const QString& tip) {
    auto* b = new QPushButton(caption, this);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    connect(b, &QPushButton::clicked, this, slot);
    return b;
}

QWidget* MainWindow::buildHistoryBand() {
    auto* proxy = new GridColours(GridColours::Scheme::History, this);
    proxy->setSourceModel(m_history);
    m_historyView = new GridView(u"历史号码列表"_s, this);
    m_historyView->setModel(proxy);
    m_historyView->setToolTip(exportTip);
    m_historyView->horizontalHeader()->setDefaultSectionSize(
        GridView::twipsToPixels(this, FormulaResultWidth));
    auto widths = [this] {
        m_historyView->setColumnWidthTwips(HistoryGridModel::Period, PeriodWidth);
        for (int c = HistoryGridModel::FirstNumber; c < HistoryGridModel::FirstFormula; ++c)
            m_historyView->setColumnWidthTwips(c, NumberWidth);
        m_historyView->widenToContents(HistoryGridModel::Period, HistoryGridModel::FirstFormula - 1);
    };
    widths();
    connect(m_history, &QAbstractItemModel::modelReset, this, widths);
    connect(m_historyView, &QAbstractItemView::doubleClicked, this, [this] {
        m_exporter->exportToDataDirectory([this] { return historyForExport(); }, u"lishi.xlsx"_s);
    });
    m_historyView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_historyView, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(u"导出为…"_s, this, [this] {
            m_exporter->exportAs([this] { return historyForExport(); }, u"lishi.xlsx"_s);
        });
        menu->popup(m_historyView->viewport()->mapToGlobal(pos));
    });
    return m_historyView;
}

QWidget* MainWindow::buildFormulaEntry() {
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    m_formulaText = new QPlainTextEdit(panel);
    m_formulaText->setAccessibleName(u"公式输入框"_s);
    m_formulaText->setTabChangesFocus(true);
    m_formulaText->setMinimumHeight(m_formulaText->fontMetrics().height() * 2 + 12);
    m_formulaText->setMaximumHeight(m_formulaText->fontMetrics().height() * 4 + 12);
    layout->addWidget(m_formulaText);
    m_preview = new FormulaPreviewLabel(m_session, panel);
    layout->addWidget(m_preview);
    connect(m_formulaText, &QPlainTextEdit::textChanged, this, &MainWindow::previewInput);
    auto* commands = new QHBoxLayout;
    commands->addWidget(button(u"添加所输公式(&A)"_s, &MainWindow::addTypedFormula));
    commands->addWidget(button(u"读取公式文本(N)"_s, &MainWindow::importFormulas));
    commands->addWidget(button(u"公式参数对照说明(&I)"_s, &MainWindow::openReference));
    layout->addLayout(commands);

    // The kinds and the kill/keep sense side by side, so that the list below keeps its room.
    auto* choices = new QHBoxLayout;
    auto* kinds = new QGroupBox(u"种类"_s, panel);
    auto* grid = new QGridLayout(kinds);
    grid->setVerticalSpacing(2);
    m_kinds = new QButtonGroup(this);
    for (int k = 0; k < FormulaKindCount; ++k) {
        auto* option = new QRadioButton(FormulaKinds::caption(k), kinds);
        m_kinds->addButton(option, k);
        grid->addWidget(option, k / 4, k % 4);
    }
    m_kinds->button(0)->setChecked(true);
    connect(m_kinds, &QButtonGroup::idClicked, this, &MainWindow::chooseKind);
    choices->addWidget(kinds, 1);

    auto* sense = new QGroupBox(u"生杀"_s, panel);
    auto* senseLayout = new QVBoxLayout(sense);
    m_killButton = new QRadioButton(u"杀"_s, sense);
    m_keepButton = new QRadioButton(u"生"_s, sense);
    m_killButton->setChecked(true);
    senseLayout->addWidget(m_killButton);
    senseLayout->addWidget(m_keepButton);
    senseLayout->addStretch();
    connect(m_killButton, &QRadioButton::clicked, this, [this] {
        m_kill = true;
        previewInput();
    });
    connect(m_keepButton, &QRadioButton::clicked, this, [this] {
        m_kill = false;
        previewInput();
    });
    choices->addWidget(sense);
    layout->addLayout(choices);
    layout->addStretch();
    return panel;
}

QWidget* MainWindow::buildEntryBand() {
    auto* band = new QWidget(this);
    auto* layout = new QVBoxLayout(band);
    layout->setContentsMargins(0, 0, 0, 0);
    m_entry = new DrawEntryRow(band);
    connect(m_entry, &DrawEntryRow::drawEntered, this, &MainWindow::storeDraw);
    layout->addWidget(m_entry);
    auto* commands = new QHBoxLayout;
    commands->addWidget(
        button(u"读取历史号码文本(&E)"_s, &MainWindow::importHistory, u"从历史号码文本文件中读取历史号"_s));
    commands->addWidget(button(u"删除最后历史(&D)"_s, &MainWindow::deleteLastDraw));
    m_formulaColumns =
        new QCheckBox(u"历史列表显示公式各期验算结果(选中后运行验算时间可能比较长，请耐性等待...)"_s, band);
    connect(m_formulaColumns, &QCheckBox::clicked, this, &MainWindow::toggleFormulaColumns);
    commands->addWidget(m_formulaColumns);
    commands->addStretch();
    layout->addLayout(commands);
    band->setMaximumHeight(band->sizeHint().height());
    return band;
}

QWidget* MainWindow::buildListBand() {
    auto* band = new QWidget(this);
    auto* layout = new QVBoxLayout(band);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    m_forms = new QTabBar(band);
    m_forms->addTab(u"公式英文显示"_s);
    m_forms->addTab(u"公式中文显示"_s);
    m_forms->setAccessibleName(u"公式显示方式"_s);
    connect(m_forms, &QTabBar::currentChanged, this, &MainWindow::showFormulaForm);
    bar->addWidget(m_forms);
    bar->addStretch();
    m_kindFilter = new QPushButton(u"显所选类公式(&P)"_s, band);
    m_kindFilter->setCheckable(true);
    connect(m_kindFilter, &QPushButton::toggled, this, &MainWindow::toggleKindFilter);
    bar->addWidget(m_kindFilter);
    bar->addWidget(button(u"公式过滤设置(&S)"_s, &MainWindow::openFilter));
    bar->addWidget(button(u"反选所有公式(&R)"_s, &MainWindow::invertShown, selectedTip));
    bar->addWidget(button(u"选中所有公式(&L)"_s, &MainWindow::selectAllShown, selectedTip));
    layout->addLayout(bar);

    // Sorted for viewing only: ordinals, selection and the history grid stay the formulas'.
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_formulas);
    m_sorted->setSortRole(FormulaListModel::SortRole);
    auto* proxy = new GridColours(GridColours::Scheme::Formulas, this);
    proxy->setSourceModel(m_sorted);
    m_listSplit = new QSplitter(Qt::Vertical, band);
    m_listSplit->setChildrenCollapsible(false);
    m_formulaView = new FormulaListView(u"公式列表"_s, m_listSplit);
    m_formulaView->setModel(proxy);
    m_formulaView->setToolTip(exportTip);
    m_formulaView->setSortingEnabled(true);
    m_formulaView->sortByColumn(FormulaListModel::Index, Qt::AscendingOrder);
    m_formulaView->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_formulaView->horizontalHeader(), &QWidget::customContextMenuRequested, this,
            &MainWindow::chooseColumns);
    m_strip = new HitHistoryStrip(m_listSplit);
    m_listSplit->addWidget(m_formulaView);
    m_listSplit->addWidget(m_strip);
    m_listSplit->setStretchFactor(0, 1);
    m_listSplit->setStretchFactor(1, 0);
    connect(m_formulaView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MainWindow::showHitHistory);
    auto widths = [this] {
        for (int c = 0; c < FormulaListModel::ColumnCount; ++c)
            m_formulaView->setColumnWidthTwips(c, listWidths[static_cast<size_t>(c)]);
        if (m_formulas->chinese())
            m_formulaView->setColumnWidthTwips(FormulaListModel::Formula, ChineseFormulaWidth);
        m_formulaView->widenToContents(FormulaListModel::Index, FormulaListModel::ColumnCount - 1);
    };
    // The list keeps its sixteen columns; the recent figures and those against chance are there on
    // request (header menu).
    for (int c : {FormulaListModel::Recent10, FormulaListModel::Recent30, FormulaListModel::Recent100,
                  FormulaListModel::Chance, FormulaListModel::Edge, FormulaListModel::ZScore})
        m_formulaView->setColumnHidden(c, true);
    widths();
    connect(m_formulas, &QAbstractItemModel::modelReset, this, widths);
    connect(m_formulaView, &FormulaListView::rowClicked, this, [this](int row) {
        const int ordinal = ordinalOfViewRow(row);
        m_session.setSelected(ordinal, !m_session.selection()[static_cast<size_t>(ordinal - 1)]);
    });
    connect(m_formulaView, &FormulaListView::menuRequested, this, [this](int row, const QPoint& at) {
        const int idx = m_session.formulas()[static_cast<size_t>(ordinalOfViewRow(row) - 1)].idx;
        auto* menu = new QMenu(u"管理"_s, this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(u"删除该公式(&D)"_s, this, [this, idx] { deleteFormula(idx); });
        menu->addSeparator();
        menu->addAction(u"导出为…"_s, this, [this] {
            m_exporter->exportAs([this] { return formulasForExport(); }, u"gongshi.xlsx"_s);
        });
        menu->popup(at);
    });
    connect(m_formulaView, &QAbstractItemView::doubleClicked, this, [this] {
        m_exporter->exportToDataDirectory([this] { return formulasForExport(); }, u"gongshi.xlsx"_s);
    });
    layout->addWidget(m_listSplit, 1);
    return band;
}

QWidget* MainWindow::buildCommandBand() {
    auto* band = new QWidget(this);
    auto* layout = new QHBoxLayout(band);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(button(u"计算选中公式(&C)"_s, &MainWindow::compute, selectedTip));
    m_verifyPeriod = new QLineEdit(u"2007001"_s, band);
    m_verifyPeriod->setAccessibleName(u"验算期号"_s);
    m_verifyPeriod->setMaxLength(7);
    m_verifyPeriod->setFixedWidth(m_verifyPeriod->fontMetrics().horizontalAdvance(u"00000000"_s) + 12);
    layout->addWidget(m_verifyPeriod);
    layout->addWidget(button(u"验算该期公式[计算的该期下期结果](&K)"_s, &MainWindow::verify));
    layout->addWidget(button(u"公式挖掘(&W)"_s, &MainWindow::openDiscovery,
                             u"在历史上试验大量候选公式，并用未参与挑选的期数检验它们"_s));
    m_undoButton = button(u"撤销"_s, &MainWindow::undo, u"撤销最后一次删除或读入（Ctrl+Z）"_s);
    layout->addWidget(m_undoButton);
    layout->addStretch();
    m_settingsButton = button(u"软件设置(&T)"_s, &MainWindow::showSettingsMenu);
    layout->addWidget(m_settingsButton);
    layout->addWidget(button(u"使用说明下载(&L)"_s, &MainWindow::openGuide));
    return band;
}

void MainWindow::sessionChanged(int what) {
    if (what & Session::HistoryChanged) {
        proposeNextPeriod();
        scrollHistoryToNewest();
    }
    if (what & Session::FormulasChanged)
        scrollFormulasToEnd();
    if (what & (Session::FormulasChanged | Session::ResultsChanged | Session::HistoryChanged))
        showHitHistory();
    showUndo();
    showStatus();
}

std::shared_ptr<QAbstractItemModel> MainWindow::historyForExport() const {
    // The grid as it shows: with the formula columns while they are on, of the kind shown.
    auto model = std::make_shared<HistoryGridModel>(m_session);
    model->setShowFormulas(showsFormulaColumns());
    model->setKindFilter(kindFilterOn() ? maTypeOf(m_kind) : -1);
    return model;
}

std::shared_ptr<QAbstractItemModel> MainWindow::formulasForExport() const {
    auto model = std::make_shared<FormulaListModel>(m_session);
    model->setKindFilter(m_formulas->kindFilter());
    model->setChinese(m_formulas->chinese());
    return model;
}

int MainWindow::ordinalOfViewRow(int row) const {
    return m_formulaView->model()->index(row, 0).data(FormulaListModel::OrdinalRole).toInt();
}

void MainWindow::previewInput() {
    m_preview->setInput(m_formulaText->toPlainText(), m_kind, m_kill);
}

void MainWindow::showHitHistory() {
    const QModelIndex current = m_formulaView->currentIndex();
    const int ordinal = current.isValid() ? ordinalOfViewRow(current.row()) : 0;
    if (ordinal < 1 || ordinal > static_cast<int>(m_session.formulas().size())) {
        m_strip->clear();
        return;
    }
    const HitHistory history = talven::hitHistory(m_session.result(ordinal).hits, 100);
    QList<int> periods;
    for (size_t i = 0; i < history.hits.size(); ++i)
        periods.append(m_session.draws()[static_cast<size_t>(history.firstDraw) + i][DrawColumns::QQH]);
    const FormulaRow& row = m_session.formulas()[static_cast<size_t>(ordinal - 1)];
    m_strip->setHistory(
        history, periods,
        u"公式 %1 %2"_s.arg(row.idx).arg(
            m_formulaView->model()->index(current.row(), FormulaListModel::Formula).data().toString()));
    m_strip->setChanceLine(chanceLine(m_session.result(ordinal).againstChance()));
}

void MainWindow::showUndo() {
    const QString description = m_session.undoDescription();
    m_undoButton->setText(description.isEmpty() ? u"撤销"_s : description);
    m_undoButton->setEnabled(!description.isEmpty());
}

void MainWindow::undo() {
    if (m_session.undoDescription().isEmpty() || m_session.busy())
        return;
    m_session.undo().then(this, [this](const Result<void>& done) {
        if (!done)
            reportFailure(u"无法撤销"_s, done.error());
    });
}

void MainWindow::chooseColumns(const QPoint& at) {
    auto* menu = new QMenu(u"显示的列"_s, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (int c = 0; c < FormulaListModel::ColumnCount; ++c) {
        if (c == FormulaListModel::Idx || c == FormulaListModel::Index)
            continue;
        QAction* action = menu->addAction(m_formulas->headerData(c, Qt::Horizontal).toString());
        action->setCheckable(true);
        action->setChecked(!m_formulaView->isColumnHidden(c));
        connect(action, &QAction::toggled, this, [this, c](bool shown) {
            m_formulaView->setColumnHidden(c, !shown);
            if (shown)
                m_formulaView->widenToContents(c, c);
            saveView();
        });
    }
    menu->popup(m_formulaView->horizontalHeader()->mapToGlobal(at));
}

void MainWindow::showStatus() {
    const auto& selected = m_session.selection();
    const auto count = std::count(selected.begin(), selected.end(), true);
    m_status->setText(
        u"共 %1 期 · %2 条公式 · 选中 %3 条 · 当前年份 %4 · 数据目录 %5"_s.arg(m_session.draws().size())
            .arg(m_session.formulas().size())
            .arg(count)
            .arg(m_session.currentYear())
            .arg(QDir::toNativeSeparators(m_session.dataDir())));
}

void MainWindow::proposeNextPeriod() {
    m_entry->propose(m_session.nextPeriod());
    if (!m_session.draws().empty())
        m_verifyPeriod->setText(QString::number(m_session.draws().back()[DrawColumns::QQH]));
}

void MainWindow::scrollHistoryToNewest() {
    if (m_history->rowCount() <= HistoryRowsShown)
        return;
    m_historyView->scrollToBottom();
    // Once more when the layout has settled: new columns may have brought a scroll bar.
    QTimer::singleShot(0, m_historyView, [this] { m_historyView->scrollToBottom(); });
}

void MainWindow::scrollFormulasToEnd() {
    if (m_formulas->rowCount() > FormulaRowsShown)
        m_formulaView->scrollToBottom();
}

void MainWindow::reportFailure(const QString& title, const Error& error) {
    m_prompts.warning(this, title, error.message);
}

void MainWindow::importHistory() {
    if (!m_prompts.question(
            this, u"读入历史"_s,
            u"确实要读入历史号码吗？读入后将覆盖原来所输入/读入的历史号！点击'确认'读入,点击'取消'"
            u"放弃该操作。确要读入请保证安装目录下存在历史号码的文本文件文件。读取时可能要花费一段时间,"
            u"请耐心等候！"_s))
        return;
    // The dialog lists text files, but any file the user picks is read.
    const QString path =
        m_prompts.openFile(this, u"读取历史号码文本"_s, m_session.dataDir(), u"Text (*.txt);;所有文件 (*)"_s);
    if (path.isEmpty())
        return;
    m_session.importHistory(path).then(this, [this](const Result<ImportReport>& done) {
        if (!done) {
            reportFailure(u"读入历史失败"_s, done.error());
            return;
        }
        m_entry->clearBoxes();
        setFormulaColumns(true, false);
        QString text = u"已读入 %1 期历史号码。"_s.arg(done->stored);
        if (!done->skipped.isEmpty()) {
            text += u"\n\n有 %1 行未读入："_s.arg(done->skipped.size());
            for (qsizetype i = 0; i < done->skipped.size() && i < 20; ++i) {
                const auto& s = done->skipped.at(i);
                text += u"\n第 %1 行：%2"_s.arg(s.line).arg(s.reason);
            }
            if (done->skipped.size() > 20)
                text += u"\n其余 %1 行未列出。"_s.arg(done->skipped.size() - 20);
        }
        m_prompts.information(this, u"读入历史"_s, text);
    });
}

void MainWindow::storeDraw(const std::array<int, 7>& numbers, const QString& periodText) {
    bool ok = false;
    const int period = periodText.toInt(&ok);
    if (!ok) {
        m_prompts.warning(this, u"无法保存历史号码"_s,
                          u"期号“%1”不是数字，请在期号框中输入七位数字的期号"_s.arg(periodText));
        m_entry->periodBox()->setFocus();
        return;
    }
    // A refused draw keeps its boxes, so that the user can mend what is wrong.
    m_session.addDraw(numbers, Period(period)).then(this, [this](const Result<void>& done) {
        if (!done) {
            reportFailure(u"无法保存历史号码"_s, done.error());
            return;
        }
        m_entry->clearBoxes();
        setFormulaColumns(true, false);
    });
}

void MainWindow::deleteLastDraw() {
    if (m_session.draws().empty()) {
        statusBar()->showMessage(u"历史为空，没有可删除的期号。"_s, 5000);
        return;
    }
    m_session.deleteLastDraw().then(this, [this](const Result<void>& done) {
        if (!done) {
            reportFailure(u"无法删除最后历史"_s, done.error());
            return;
        }
        setFormulaColumns(true, false);
        m_entry->clearBoxes();
    });
}

void MainWindow::addTypedFormula() {
    m_session.addFormula(m_formulaText->toPlainText(), m_kind, m_kill)
        .then(this, [this](const Result<void>& done) {
            if (done) {
                m_formulaText->clear();
                setFormulaColumns(true, false);
                return;
            }
            if (done.code() == ErrorCode::Empty) {
                m_prompts.warning(this, u"添加公式失败"_s, done.message());
                m_formulaText->setFocus();
            } else if (done.code() == ErrorCode::Unrecognised) {
                m_prompts.warning(this, u"无法识别公式"_s, done.message());
            } else {
                reportFailure(u"添加公式失败"_s, done.error());
            }
        });
}

void MainWindow::importFormulas() {
    const QString path =
        m_prompts.openFile(this, u"读取公式文本"_s, m_session.dataDir(), u"Text (*.txt);;所有文件 (*)"_s);
    if (path.isEmpty())
        return;
    m_session.importFormulas(path, m_kill).then(this, [this](const Result<FormulaImportReport>& done) {
        if (!done) {
            reportFailure(u"读取公式文本失败"_s, done.error());
            return;
        }
        if (done->added > 0)
            setFormulaColumns(true, false);
        statusBar()->showMessage(u"已添加 %1 条公式。"_s.arg(done->added), 10000);
        if (!done->overLimit.isEmpty())
            m_prompts.warning(this, u"公式已达上限"_s,
                              u"公式已达上限 1536 条，文件中有 %1 行未添加。"_s.arg(done->overLimit.size()));
        if (!done->unrecognised.isEmpty() &&
            m_prompts.question(this, u"无法识别公式"_s,
                               u"公式文本文件中含有无法识别公式，是否查看这些公式？"_s))
            m_prompts.openLocalFile(done->reportPath);
    });
}

void MainWindow::deleteFormula(int idx) {
    m_session.deleteFormula(idx).then(this, [this](const Result<void>& done) {
        if (!done) {
            reportFailure(u"无法删除公式"_s, done.error());
            return;
        }
        setFormulaColumns(false, false);
    });
}

void MainWindow::toggleFormulaColumns(bool on) {
    setFormulaColumns(on, true);
}

void MainWindow::setFormulaColumns(bool on, bool recompute) {
    m_formulaColumns->setChecked(on);
    if (!on || !recompute) {
        m_history->setShowFormulas(on);
        scrollHistoryToNewest();
        return;
    }
    // Switched on by the user: the whole back-test runs again before the columns show.
    m_session.recompute().then(this, [this](const Result<void>& done) {
        if (!done) {
            m_formulaColumns->setChecked(false);
            reportFailure(u"验算失败"_s, done.error());
            return;
        }
        m_history->setShowFormulas(true);
        scrollHistoryToNewest();
    });
}

void MainWindow::toggleKindFilter(bool on) {
    const int kind = on ? maTypeOf(m_kind) : -1;
    m_formulas->setKindFilter(kind);
    m_history->setKindFilter(kind);
    scrollFormulasToEnd();
}

void MainWindow::chooseKind(int kind) {
    m_kind = formulaKindOf(kind).value_or(FormulaKind::SpecialNumber);
    previewInput();
    // With the filter on, the list shows the new kind at once, so list and commands agree.
    if (kindFilterOn())
        toggleKindFilter(true);
}

std::vector<bool> MainWindow::selectionOfShown(const std::function<bool(bool)>& change) const {
    std::vector<bool> selected = m_session.selection();
    for (int row = 0; row < m_formulas->rowCount(); ++row) {
        const auto i = static_cast<size_t>(m_formulas->ordinalOfRow(row) - 1);
        selected[i] = change(selected[i]);
    }
    return selected;
}

void MainWindow::selectAllShown() {
    m_session.setSelection(selectionOfShown([](bool) { return true; }));
}

void MainWindow::invertShown() {
    m_session.setSelection(selectionOfShown([](bool was) { return !was; }));
}

void MainWindow::compute() {
    auto values =
        m_session.predict(std::nullopt, kindFilterOn() ? std::optional(maTypeOf(m_kind)) : std::nullopt);
    if (!values) {
        reportFailure(u"无法计算选中公式"_s, values.error());
        return;
    }
    showErrorValues();
}

void MainWindow::verify() {
    bool ok = false;
    const int period = m_verifyPeriod->text().trimmed().toInt(&ok);
    if (!ok) {
        m_prompts.warning(this, u"无法验算"_s, u"请在验算期号框中输入七位数字的期号"_s);
        m_verifyPeriod->setFocus();
        return;
    }
    auto values =
        m_session.predict(Period(period), kindFilterOn() ? std::optional(maTypeOf(m_kind)) : std::nullopt);
    if (!values) {
        reportFailure(u"无法验算"_s, values.error());
        return;
    }
    showErrorValues();
}

void MainWindow::showErrorValues() {
    const bool fresh = !m_errors.window();
    ErrorValueWindow* shown =
        m_errors.show([this] { return new ErrorValueWindow(m_session, m_prompts, this); });
    if (!fresh || !screen())
        return;
    // Beside the main window, not over it, as far as the screen allows.
    const QRect room = screen()->availableGeometry();
    QPoint at = frameGeometry().topRight() + QPoint(8, 0);
    at.setX(std::min(at.x(), room.right() - shown->frameGeometry().width()));
    at.setY(std::clamp(at.y(), room.top(),
                       std::max(room.top(), room.bottom() - shown->frameGeometry().height())));
    shown->move(at);
}

void MainWindow::openReference() {
    m_reference.show([this] { return new ReferenceWindow(this); });
}

void MainWindow::openDiscovery() {
    m_discovery.show([this] { return new DiscoveryWindow(m_session, m_prompts, this); });
}

void MainWindow::openFilter() {
    if (!m_filter)
        m_filter = new FilterWindow(m_session, m_prompts, this);
    QList<int> shown;
    for (int row = 0; row < m_formulas->rowCount(); ++row)
        shown.append(m_formulas->ordinalOfRow(row));
    m_filter->run(shown);
}

void MainWindow::openGuide() {
    const QString path = guidePath();
    if (path.isEmpty() || !m_prompts.openUrl(QUrl::fromLocalFile(path)))
        m_prompts.warning(this, u"使用说明"_s,
                          u"找不到使用说明文件 guide.html，或没有可以打开它的浏览器。"_s);
}

void MainWindow::showSettingsMenu() {
    // At the pointer, as a pop-up menu is; from the keyboard, under the button.
    const QPoint pointer = QCursor::pos();
    const bool overButton = m_settingsButton->rect().contains(m_settingsButton->mapFromGlobal(pointer));
    m_settingsMenu->showOptions();
    m_settingsMenu->popup(overButton ? pointer
                                     : m_settingsButton->mapToGlobal(QPoint(0, m_settingsButton->height())));
}

void MainWindow::showFormulaForm(int tab) {
    m_formulas->setChinese(tab == 1);
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
    m_bands->restoreState(m_viewSettings->value(u"bands"_s).toByteArray());
    m_top->restoreState(m_viewSettings->value(u"top"_s).toByteArray());
    m_listSplit->restoreState(m_viewSettings->value(u"list"_s).toByteArray());
    const QVariant hidden = m_viewSettings->value(u"hiddenColumns"_s);
    if (hidden.isValid()) {
        const QStringList columns = hidden.toStringList();
        // Columns newer than the stored choice keep their default.
        const int known = m_viewSettings->value(u"columnCount"_s, int(FormulaListModel::Chance)).toInt();
        for (int c = 0; c < std::min<int>(known, FormulaListModel::ColumnCount); ++c)
            if (c != FormulaListModel::Idx)
                m_formulaView->setColumnHidden(c, columns.contains(QString::number(c)));
    }
    m_viewSettings->endGroup();
}

void MainWindow::saveView() {
    if (!m_viewSettings)
        return;
    m_viewSettings->beginGroup(u"MainWindow"_s);
    m_viewSettings->setValue(u"geometry"_s, saveGeometry());
    m_viewSettings->setValue(u"bands"_s, m_bands->saveState());
    m_viewSettings->setValue(u"top"_s, m_top->saveState());
    m_viewSettings->setValue(u"list"_s, m_listSplit->saveState());
    QStringList hidden;
    for (int c = 0; c < FormulaListModel::ColumnCount; ++c)
        if (m_formulaView->isColumnHidden(c))
            hidden.append(QString::number(c));
    m_viewSettings->setValue(u"hiddenColumns"_s, hidden);
    m_viewSettings->setValue(u"columnCount"_s, int(FormulaListModel::ColumnCount));
    m_viewSettings->endGroup();
}

int MainWindow::runProgram(QApplication& app) {
    QCoreApplication::setOrganizationName(u"TALVEN"_s);
    QCoreApplication::setApplicationName(u"TALVEN"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(TALVEN_VERSION));
    // The desktop entry and the icon of the installed program (org.talven.Talven).
    QGuiApplication::setDesktopFileName(u"org.talven.Talven"_s);
    QIcon icon;
    for (const int size : {48, 128, 256})
        icon.addFile(u":/icons/%1/org.talven.Talven.png"_s.arg(size));
    QApplication::setWindowIcon(icon);
    QtPrompts prompts;
    QSettings settings;
    auto args = ProgramArguments::parse(QCoreApplication::arguments().mid(1));
    if (!args) {
        prompts.warning(nullptr, u"命令行参数错误"_s, args.message());
        return 1;
    }
    // --version and --help answer on the terminal, without a window or a session.
    if (args->versionRequested() || args->helpRequested()) {
        QTextStream out(stdout);
        if (args->versionRequested())
            out << args->versionText(u"talven"_s);
        else
            out << u"用法：talven [--data-dir 目录]"_s << Qt::endl
                << Qt::endl
                << u"TALVEN 公式分析的窗口程序；命令行程序是 talven-cli。"_s << Qt::endl
                << Qt::endl
                << u"选项："_s << Qt::endl
                << ProgramArguments::globalOptionsHelp();
        return 0;
    }
    auto session = Session::open(args->dataDirectory(), settings);
    if (!session) {
        prompts.warning(nullptr, u"无法打开数据库"_s, session.message());
        return 1;
    }
    MainWindow window(*session.value(), prompts, &settings);
    window.show();
    // scripts/screenshots.sh asks for the pictures of the README this way.
    const QString tour = qEnvironmentVariable("TALVEN_SCREENSHOT_DIR");
    if (!tour.isEmpty())
        (new ScreenshotTour(window, tour))->start();
    return app.exec();
}

} // namespace talven
