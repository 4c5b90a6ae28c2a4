#include "windows/SelectionBacktestWindow.h"

#include "models/SelectionBacktestModel.h"
#include "prompts/Prompts.h"
#include "session/Session.h"
#include "widgets/GridView.h"
#include "widgets/SelectionBacktestChart.h"
#include "windows/GridExporter.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

QPushButton* commandButton(const QString& caption, const QString& name, const QString& objectName,
                           QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setAccessibleName(name);
    b->setObjectName(objectName);
    return b;
}

QLabel* textLabel(const QString& name, const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAccessibleName(name);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

QString caution() {
    return u"按这些期的成绩挑出的公式（手选或用过滤条件）在同样的期数上验算会高估自己；"
           u"“按过滤条件逐期选择”每期只用之前各期的统计重新选择，才是诚实的检验。"_s;
}

} // namespace

SelectionBacktestWindow::SelectionBacktestWindow(Session& session, Prompts& prompts, Sources sources,
                                                 QWidget* parent, QSettings* settings)
    : QWidget(parent, Qt::Window), m_session(session), m_prompts(prompts), m_sources(std::move(sources)) {
    setWindowTitle(u"组合验算"_s);
    setObjectName(u"selectionBacktestWindow"_s);
    setAttribute(Qt::WA_DeleteOnClose);

    m_draws = new QComboBox(this);
    m_draws->setAccessibleName(u"验算期数"_s);
    m_draws->setObjectName(u"drawsBox"_s);
    for (int n : {50, 100, 200, 500})
        m_draws->addItem(u"最近 %1 期"_s.arg(n), n);
    m_draws->addItem(u"全部"_s, 0);
    m_draws->setCurrentIndex(1);
    m_mode = new QComboBox(this);
    m_mode->setAccessibleName(u"选择方式"_s);
    m_mode->setObjectName(u"modeBox"_s);
    m_mode->addItem(u"当前选择"_s);
    m_mode->addItem(u"按过滤条件逐期选择"_s);
    auto* drawsCaption = new QLabel(u"期数(&N)："_s, this);
    drawsCaption->setBuddy(m_draws);
    auto* modeCaption = new QLabel(u"方式(&M)："_s, this);
    modeCaption->setBuddy(m_mode);

    m_start = commandButton(u"开始验算(&G)"_s, u"开始验算"_s, u"startButton"_s, this);
    m_start->setDefault(true);
    m_cancel = commandButton(u"取消(&C)"_s, u"取消"_s, u"cancelButton"_s, this);
    m_export = commandButton(u"导出(&E)…"_s, u"导出"_s, u"exportButton"_s, this);
    m_export->setToolTip(u"把逐期表格导出为 Excel 或 CSV 文件"_s);
    connect(m_start, &QPushButton::clicked, this, &SelectionBacktestWindow::start);
    connect(m_cancel, &QPushButton::clicked, this, &SelectionBacktestWindow::cancel);
    connect(m_export, &QPushButton::clicked, this, &SelectionBacktestWindow::exportTable);
    m_progress = new QProgressBar(this);
    m_progress->setAccessibleName(u"验算进度"_s);
    m_progress->setObjectName(u"progressBar"_s);
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_progress->setTextVisible(true);
    m_progress->setFormat(QString());

    auto* top = new QHBoxLayout;
    top->addWidget(drawsCaption);
    top->addWidget(m_draws);
    top->addWidget(modeCaption);
    top->addWidget(m_mode);
    top->addWidget(m_start);
    top->addWidget(m_cancel);
    top->addWidget(m_progress, 1);
    top->addWidget(m_export);

    m_caution = textLabel(u"提醒"_s, u"caution"_s, this);
    m_caution->setText(caution());
    QFont bold = m_caution->font();
    bold.setBold(true);
    m_caution->setFont(bold);
    m_summary = textLabel(u"验算结果"_s, u"summary"_s, this);
    m_summary->setFont(bold);
    m_summary->setText(u"选择期数和方式，然后点“开始验算”。"_s);
    m_places = textLabel(u"排名结果"_s, u"places"_s, this);
    m_skipped = textLabel(u"未计入的期数"_s, u"skipped"_s, this);

    m_chart = new SelectionBacktestChart(this);
    m_chart->setObjectName(u"chart"_s);
    m_model = new SelectionBacktestModel(this);
    m_grid = new GridView(u"逐期验算"_s, this);
    m_grid->setObjectName(u"grid"_s);
    m_grid->setModel(m_model);
    m_grid->verticalHeader()->hide();
    for (int c = 0; c < SelectionBacktestModel::ColumnCount; ++c)
        m_grid->setColumnWidthTwips(c, c == SelectionBacktestModel::Period ? 1400 : 1100);
    m_grid->setMinimumHeight(4 * fontMetrics().height());
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(u"splitter"_s);
    split->setChildrenCollapsible(false);
    split->addWidget(m_chart);
    split->addWidget(m_grid);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_caution);
    layout->addWidget(m_summary);
    layout->addWidget(m_places);
    layout->addWidget(m_skipped);
    layout->addWidget(split, 1);

    m_exporter = new GridExporter(session, prompts, this, settings);
    connect(m_exporter, &GridExporter::exported, this, &SelectionBacktestWindow::exported);
    auto rows = [this] {
        auto copy = std::make_shared<SelectionBacktestModel>();
        copy->setReport(m_model->report());
        return std::shared_ptr<QAbstractItemModel>(copy);
    };
    m_exporter->offerExportAs(m_grid, rows, u"zuheyansuan.xlsx"_s);

    connect(&session, &Session::progress, this, [this](double fraction, const QString& text) {
        if (!running())
            return;
        m_progress->setValue(static_cast<int>(fraction * 1000));
        m_progress->setFormat(text);
    });
    setRunning(false);
    m_export->setEnabled(false);
    resize(1000, 680);
}

SelectionBacktestWindow::~SelectionBacktestWindow() {
    // A run still going has no one to show it to.
    if (m_cancelFlag)
        m_cancelFlag->store(true);
}

QString SelectionBacktestWindow::summaryText() const {
    return m_summary->text();
}

QString SelectionBacktestWindow::skippedText() const {
    return m_skipped->text();
}

void SelectionBacktestWindow::setRunning(bool running) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_draws, m_mode, m_start})
        w->setEnabled(!running);
    m_cancel->setEnabled(running);
    if (running) {
        m_export->setEnabled(false);
        m_progress->setValue(0);
        m_progress->setFormat(u"正在验算…"_s);
    }
}

void SelectionBacktestWindow::start() {
    if (running())
        return;
    SelectionBacktestRequest request;
    if (const int n = m_draws->currentData().toInt(); n > 0)
        request.last = n;
    if (m_sources.shownKind)
        request.kindFilter = m_sources.shownKind();
    const bool walkForward = m_mode->currentIndex() == 1;
    if (walkForward) {
        const auto applied = m_sources.lastFilter ? m_sources.lastFilter() : std::nullopt;
        if (!applied) {
            m_prompts.information(this, windowTitle(),
                                  u"按过滤条件逐期选择用的是最近一次在“公式过滤设置”窗口按“确定”应用的条件。"
                                  u"请先在公式列表中打开过滤设置，设好条件并按“确定”，再来验算。"_s);
            return;
        }
        request.mode = SelectionBacktestRequest::Mode::WalkForward;
        request.criteria = applied->criteria;
        request.ordinals = applied->ordinals;
    } else {
        request.selection = m_session.selection();
    }
    auto flag = std::make_shared<std::atomic<bool>>(false);
    auto pending = m_session.backtestSelection(std::move(request), flag);
    if (pending.isFinished() && !pending.result()) {
        m_prompts.warning(this, windowTitle(), pending.result().error().shown());
        return;
    }
    m_cancelFlag = flag;
    setRunning(true);
    pending.then(this, [this](const Result<SelectionBacktestReport>& outcome) { ended(outcome); });
}

void SelectionBacktestWindow::cancel() {
    if (m_cancelFlag)
        m_cancelFlag->store(true);
    m_cancel->setEnabled(false);
}

void SelectionBacktestWindow::ended(const Result<SelectionBacktestReport>& outcome) {
    m_cancelFlag.reset();
    setRunning(false);
    if (!outcome) {
        m_progress->setFormat(QString());
        m_prompts.warning(this, windowTitle(), outcome.error().shown());
        return;
    }
    const SelectionBacktestReport& report = outcome.value();
    if (report.cancelled) {
        m_progress->setFormat(u"已取消"_s);
        m_export->setEnabled(m_model->rowCount() > 0);
        return;
    }
    m_progress->setValue(m_progress->maximum());
    m_progress->setFormat(u"完成，%1 期"_s.arg(report.rows.size() + report.skipped.size()));
    m_model->setReport(report);
    m_chart->setReport(report.rows, report.largestNumber);
    const bool inSample = m_mode->currentIndex() == 0;
    m_summary->setText((inSample ? u"当前选择（样本内）："_s : u"按过滤条件逐期选择（样本外）："_s) +
                       SelectionBacktestModel::summaryLine(report.summary));
    m_places->setText(SelectionBacktestModel::placesLine(report.summary));
    m_skipped->setText(SelectionBacktestModel::skippedLine(report.skipped, 20));
    m_skipped->setToolTip(SelectionBacktestModel::skippedLine(report.skipped));
    m_skipped->setVisible(!report.skipped.empty());
    m_export->setEnabled(!report.rows.empty());
}

void SelectionBacktestWindow::exportTable() {
    auto copy = std::make_shared<SelectionBacktestModel>();
    copy->setReport(m_model->report());
    m_exporter->exportAs([copy] { return copy; }, u"zuheyansuan.xlsx"_s);
}

} // namespace talven
