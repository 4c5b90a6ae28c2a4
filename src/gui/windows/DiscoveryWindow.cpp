#include "windows/DiscoveryWindow.h"

#include "common/FormulaKind.h"
#include "common/Limits.h"
#include "discovery/DiscoveryJob.h"
#include "evaluation/FormulaStatistics.h"
#include "models/DiscoveryResultModel.h"
#include "prompts/Prompts.h"
#include "session/Session.h"
#include "widgets/GridView.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>
#include <climits>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

constexpr std::array<int, DiscoveryResultModel::ColumnCount> columnTwips = {800,  2600, 1400, 1400, 1400,
                                                                            1400, 1600, 1600, 1400, 4200};

QPushButton* commandButton(const QString& caption, const QString& name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setAccessibleName(name);
    return b;
}

QSpinBox* numberBox(const QString& name, int minimum, int maximum, int value, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setAccessibleName(name);
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setGroupSeparatorShown(true);
    return box;
}

QString generalCaution() {
    return u"过去的开奖不能预测未来的开奖。公式挖掘试的候选公式越多，"
           u"样本内（用来挑选的历史）最好的成绩就越高，但那多半是运气："
           u"挑出的公式在新的开奖上预计会回落到随机水平附近。"
           u"请看样本外（最后几期，没有参与挑选）的正确率。"
           u"标准分是对的期数比随机预计的多出几个标准差；在几千条候选公式里，总有一些单凭运气就达到 3。"_s;
}

} // namespace

DiscoveryWindow::DiscoveryWindow(Session& session, Prompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_prompts(prompts) {
    setWindowTitle(u"公式挖掘"_s);
    setObjectName(u"discoveryWindow"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    m_job = new DiscoveryJob(this);
    const DiscoveryRequest defaults;

    m_kind = new QComboBox(this);
    m_kind->setAccessibleName(u"种类"_s);
    for (int k = 0; k < FormulaKindCount; ++k)
        m_kind->addItem(formulaKindCaption(k), k);
    auto* sense = new QGroupBox(u"生杀"_s, this);
    sense->setAccessibleName(u"生杀"_s);
    auto* senseLayout = new QHBoxLayout(sense);
    m_killButton = new QRadioButton(u"杀"_s, sense);
    m_keepButton = new QRadioButton(u"生"_s, sense);
    m_killButton->setAccessibleName(u"杀"_s);
    m_keepButton->setAccessibleName(u"生"_s);
    m_killButton->setChecked(defaults.kill);
    m_keepButton->setChecked(!defaults.kill);
    senseLayout->addWidget(m_killButton);
    senseLayout->addWidget(m_keepButton);
    m_candidates = numberBox(u"候选公式数"_s, 1, DiscoveryRequest::MaxCandidates, defaults.candidates, this);
    m_candidates->setSingleStep(1000);
    m_holdout = numberBox(u"留出期数"_s, 1, 100000, defaults.holdout, this);
    m_seed = numberBox(u"种子"_s, 0, INT_MAX, static_cast<int>(defaults.seed), this);
    auto* settings = new QFormLayout;
    settings->addRow(u"种类(&K)："_s, m_kind);
    settings->addRow(u"候选公式数(&N)："_s, m_candidates);
    settings->addRow(u"留出期数(&H)："_s, m_holdout);
    settings->addRow(u"种子(&S)："_s, m_seed);

    m_start = commandButton(u"开始挖掘(&G)"_s, u"开始挖掘"_s, this);
    m_start->setDefault(true);
    m_cancel = commandButton(u"取消(&C)"_s, u"取消"_s, this);
    connect(m_start, &QPushButton::clicked, this, &DiscoveryWindow::start);
    connect(m_cancel, &QPushButton::clicked, this, &DiscoveryWindow::cancel);
    m_progress = new QProgressBar(this);
    m_progress->setAccessibleName(u"挖掘进度"_s);
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_progress->setTextVisible(true);
    m_progress->setFormat(QString());
    auto* commands = new QVBoxLayout;
    commands->addWidget(sense);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_start);
    buttons->addWidget(m_cancel);
    commands->addLayout(buttons);
    commands->addWidget(m_progress);
    commands->addStretch();

    auto* top = new QHBoxLayout;
    top->addLayout(settings);
    top->addLayout(commands, 1);

    m_caution = new QLabel(generalCaution(), this);
    m_caution->setAccessibleName(u"提醒"_s);
    m_caution->setWordWrap(true);
    m_caution->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont bold = m_caution->font();
    bold.setBold(true);
    m_caution->setFont(bold);

    m_model = new DiscoveryResultModel(this);
    m_grid = new GridView(u"挖掘结果"_s, this);
    m_grid->setModel(m_model);
    m_grid->verticalHeader()->hide();
    int gridWidth = 2 * m_grid->frameWidth() + 24;
    for (int c = 0; c < DiscoveryResultModel::ColumnCount; ++c) {
        m_grid->setColumnWidthTwips(c, columnTwips[static_cast<size_t>(c)]);
        gridWidth += m_grid->columnWidth(c);
    }
    // The Chinese form beside the code form it reads.
    m_grid->horizontalHeader()->moveSection(DiscoveryResultModel::ChineseFormula,
                                            DiscoveryResultModel::Formula + 1);
    m_grid->horizontalHeader()->setStretchLastSection(true);

    m_chance = new QLabel(this);
    m_chance->setAccessibleName(u"候选平均正确率"_s);
    m_chance->setWordWrap(true);
    m_chance->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_add = commandButton(u"添加选中公式(&A)"_s, u"添加选中公式"_s, this);
    m_add->setToolTip(u"把勾选的公式按挖掘时的种类和生杀添加到公式列表"_s);
    connect(m_add, &QPushButton::clicked, this, &DiscoveryWindow::addChecked);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_chance, 1);
    bottom->addWidget(m_add);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_caution);
    layout->addWidget(m_grid, 1);
    layout->addLayout(bottom);

    connect(m_job, &DiscoveryJob::progress, this, [this](double fraction, const QString& text) {
        m_progress->setValue(static_cast<int>(fraction * 1000));
        m_progress->setFormat(text);
    });
    connect(m_job, &DiscoveryJob::finished, this, &DiscoveryWindow::searchEnded);
    setRunning(false);
    // Wide enough for every column where the screen allows; narrower, the grid scrolls.
    resize(gridWidth + 40, 36 * fontMetrics().height());
}

QString DiscoveryWindow::chanceText() const {
    return m_chance->text();
}

QString DiscoveryWindow::cautionText() const {
    return m_caution->text();
}

bool DiscoveryWindow::running() const {
    return m_job->running();
}

void DiscoveryWindow::setRunning(bool running) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_kind, m_killButton, m_keepButton, m_candidates,
                                                      m_holdout, m_seed, m_start, m_add})
        w->setEnabled(!running);
    m_cancel->setEnabled(running);
    if (running) {
        m_progress->setValue(0);
        m_progress->setFormat(u"正在准备…"_s);
    }
}

void DiscoveryWindow::start() {
    DiscoveryRequest request;
    request.kind = m_kind->currentData().toInt();
    request.kill = m_killButton->isChecked();
    request.candidates = m_candidates->value();
    request.holdout = m_holdout->value();
    request.seed = static_cast<std::uint64_t>(m_seed->value());
    if (auto started = m_job->start(m_session.model(), m_session.draws(), request); !started) {
        m_prompts.warning(this, windowTitle(), started.error().shown());
        return;
    }
    setRunning(true);
}

void DiscoveryWindow::cancel() {
    m_job->cancel();
    m_cancel->setEnabled(false);
}

void DiscoveryWindow::searchEnded() {
    setRunning(false);
    const auto& outcome = *m_job->outcome();
    if (!outcome) {
        m_progress->setFormat(QString());
        m_prompts.warning(this, windowTitle(), outcome.error().shown());
        return;
    }
    const DiscoveryReport& report = outcome.value();
    m_model->setReport(report);
    m_progress->setValue(report.cancelled ? m_progress->value() : m_progress->maximum());
    m_progress->setFormat(
        report.cancelled
            ? u"已取消，试了 %1 条"_s.arg(report.tried)
            : u"完成，试了 %1 条，用时 %2 秒"_s.arg(report.tried).arg(report.seconds, 0, 'f', 1));
    m_caution->setText(FormulaDiscovery::caution(report));
    m_chance->setText(u"候选平均正确率（全部 %1 条候选公式在样本外的平均正确率）：%2%"_s.arg(report.tried)
                          .arg(figureText(static_cast<float>(report.chance))));
}

void DiscoveryWindow::addChecked() {
    const QStringList texts = m_model->checkedFormulas();
    const QString title = u"添加选中公式"_s;
    if (texts.isEmpty()) {
        m_prompts.information(this, title, u"请先在结果列表中勾选要添加的公式。"_s);
        return;
    }
    const DiscoveryRequest& searched = m_model->report().request;
    m_add->setEnabled(false);
    m_session.addFormulas(texts, static_cast<FormulaKind>(searched.kind), searched.kill)
        .then(this, [this, title](const Result<FormulaImportReport>& done) {
            m_add->setEnabled(!running());
            if (!done) {
                m_prompts.warning(this, title, done.error().shown());
                return;
            }
            QString text = u"已添加 %1 条公式到公式列表。"_s.arg(done->added);
            if (!done->overLimit.isEmpty())
                text +=
                    u"公式已达上限 %1 条，另有 %2 条未添加。"_s.arg(MaxFormulas).arg(done->overLimit.size());
            m_prompts.information(this, title, text);
        });
}

} // namespace talven
