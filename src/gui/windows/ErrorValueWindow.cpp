#include "windows/ErrorValueWindow.h"

#include "export/ErrorValueExportModel.h"
#include "export/SpreadsheetExport.h"
#include "models/ErrorValueModel.h"
#include "prompts/Prompts.h"
#include "session/Session.h"
#include "widgets/ErrorValueChart.h"
#include "widgets/GridHeader.h"
#include "widgets/GridView.h"
#include "windows/GridExporter.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

#include <array>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

constexpr std::array<int, ErrorValueModel::ColumnCount> columnTwips = {600,  600,  1000, 1000, 1000,
                                                                       1000, 1000, 1000, 800};

// Filtered-out numbers in grey, kept ones in black, the rank column as the grid draws it.
class RowColours : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::ForegroundRole && index.column() != ErrorValueModel::Rank)
            return index.data(ErrorValueModel::GreyRowRole).toBool() ? QColor(200, 200, 200)
                                                                     : QColor(Qt::black);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignCenter);
        return QIdentityProxyModel::data(index, role);
    }
};

QLabel* numberList(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAccessibleName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setMinimumHeight(label->fontMetrics().height() * 4);
    return label;
}

} // namespace

ErrorValueWindow::ErrorValueWindow(Session& session, Prompts& prompts, QWidget* parent, QSettings* settings)
    : QWidget(parent, Qt::Window), m_session(session), m_prompts(prompts) {
    setWindowTitle(u"杀留值排序(鼠标双击列表反向排序)"_s);
    setObjectName(u"errorValueWindow"_s);
    setAttribute(Qt::WA_DeleteOnClose);

    m_model = new ErrorValueModel(session, this);
    m_grid = new GridView(u"杀留值排序"_s, this);
    auto* colours = new RowColours(this);
    colours->setSourceModel(m_model);
    m_grid->setModel(colours);
    m_grid->setToolTip(u"鼠标双击列表反向排序"_s);
    // The long titles wrap between their words inside narrow columns, each as wide as its widest word.
    auto* header = static_cast<GridHeader*>(m_grid->horizontalHeader());
    header->setDefaultAlignment(Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    int gridWidth = m_grid->verticalScrollBar()->sizeHint().width() + 2 * m_grid->frameWidth();
    for (int c = 0; c < ErrorValueModel::ColumnCount; ++c) {
        m_grid->setColumnWidthTwips(c, columnTwips[static_cast<size_t>(c)]);
        m_grid->setColumnWidth(c, std::max(m_grid->columnWidth(c), header->sectionSizeHint(c)));
        gridWidth += m_grid->columnWidth(c);
    }
    header->setFixedHeight(header->titlesHeight());
    m_grid->setMinimumWidth(gridWidth);
    connect(m_grid, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { rankByColumn(index.column()); });
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            &ErrorValueWindow::rankByColumn);
    // "导出为…" writes the table 导出列表 writes, from the values shown, to a file the user picks.
    auto* exporter = new GridExporter(session, prompts, this, settings);
    connect(exporter, &GridExporter::exported, this, &ErrorValueWindow::exported);
    exporter->offerExportAs(
        m_grid, [this] { return std::make_shared<ErrorValueExportModel>(m_model->rows()); },
        SpreadsheetExport::fileName(SpreadsheetExport::Target::ErrorValues));

    m_allFiltered = new QLabel(this);
    m_allFiltered->setAccessibleName(u"全部滤杀说明"_s);
    m_allFiltered->setWordWrap(true);
    m_allFiltered->setStyleSheet(u"color:#c00000"_s);

    m_period = new QLabel(this);
    m_period->setAccessibleName(u"计算期数"_s);
    QFont bold = m_period->font();
    bold.setBold(true);
    m_period->setFont(bold);

    auto* filteredCaption = new QLabel(u"杀码："_s, this);
    m_filtered = numberList(u"杀码"_s, this);
    auto* keptCaption = new QLabel(u"留码："_s, this);
    m_kept = numberList(u"留码"_s, this);
    filteredCaption->setBuddy(m_filtered);
    keptCaption->setBuddy(m_kept);
    auto* exportButton = new QPushButton(u"导出列表(&E)"_s, this);
    exportButton->setAccessibleName(u"导出列表"_s);
    connect(exportButton, &QPushButton::clicked, this, &ErrorValueWindow::exportList);

    auto* side = new QVBoxLayout;
    side->addWidget(filteredCaption);
    side->addWidget(m_filtered, 1);
    side->addWidget(keptCaption);
    side->addWidget(m_kept, 1);
    side->addWidget(exportButton);
    auto* sidePanel = new QWidget(this);
    sidePanel->setLayout(side);
    // Eight numbers a line.
    sidePanel->setFixedWidth(fontMetrics().horizontalAdvance(u"00 "_s) * 8 + 24);
    side->setContentsMargins(0, 0, 0, 0);

    auto* top = new QWidget(this);
    auto* topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    auto* list = new QVBoxLayout;
    list->addWidget(m_grid, 1);
    list->addWidget(m_allFiltered);
    topLayout->addLayout(list, 1);
    topLayout->addWidget(sidePanel);

    m_chart = new ErrorValueChart(this);
    m_chart->setModel(m_model);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(top);
    splitter->addWidget(m_chart);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_period);
    layout->addWidget(splitter, 1);

    connect(m_model, &QAbstractItemModel::modelReset, this, &ErrorValueWindow::showLists);
    // The model takes each new computation by itself (it connected first); the period follows. A
    // reload of everything brings no new values, and the next period may have moved meanwhile.
    connect(&session, &Session::changed, this, [this](Session::Changes what) {
        if ((what & Session::ErrorValuesChanged) && !(what & Session::HistoryChanged))
            showPeriod();
    });
    showPeriod();
    showLists();
    resize(gridWidth + sidePanel->width() + 30, 40 * fontMetrics().height());
}

QString ErrorValueWindow::periodText() const {
    return m_periodText;
}

QString ErrorValueWindow::filteredText() const {
    return m_filtered->text();
}

QString ErrorValueWindow::keptText() const {
    return m_kept->text();
}

void ErrorValueWindow::showPeriod() {
    // Taken when the values arrive: a draw added later does not change the draw they are for.
    if (m_session.lastErrorValues().isEmpty())
        m_periodText.clear();
    else if (const auto at = m_session.lastErrorValuesPeriod())
        m_periodText = u"验算 %1 期"_s.arg(at->value());
    else
        m_periodText = u"下期 %1 期"_s.arg(m_session.nextPeriod().value());
    m_period->setText(m_periodText);
    m_chart->setCaption(m_periodText.isEmpty() ? u"杀留Err值"_s : m_periodText + u" · 杀留Err值"_s);
}

QString ErrorValueWindow::allFilteredText() const {
    return m_allFiltered->text();
}

void ErrorValueWindow::showLists() {
    m_filtered->setText(m_model->filteredNumbers());
    m_kept->setText(m_model->keptNumbers());
    // Nothing kept is a result, not a fault: the user learns why and what to change.
    const bool none = m_model->rowCount() > 0 && m_model->keptNumbers().isEmpty();
    m_allFiltered->setText(
        none ? u"全部 %1 个号码都被滤杀，留码为空：所选公式合起来排除了每一个号码。请少选一些公式"
               u"（例如用“公式过滤设置”只留下正确率更高的公式）后再计算。"_s.arg(m_model->rowCount())
             : QString());
    m_allFiltered->setVisible(none);
}

void ErrorValueWindow::rankByColumn(int column) {
    m_model->rankByColumn(column);
}

void ErrorValueWindow::rankByTotal() {
    // Reset only when the order changes, so a selection in the grid survives switching windows.
    const ErrorValueTable& rows = m_model->rows();
    if (ErrorValueModel::ranked(rows, ErrorValueModel::RuledOut, m_model->descending()) != rows)
        m_model->setValues(rows);
}

bool ErrorValueWindow::event(QEvent* event) {
    // Each activation ranks by the total again, in the current direction.
    if (event->type() == QEvent::WindowActivate)
        rankByTotal();
    return QWidget::event(event);
}

void ErrorValueWindow::exportList() {
    const QString title = u"导出列表"_s;
    if (m_session.busy()) {
        m_prompts.warning(this, title, u"正在进行其他操作，请稍候再试"_s);
        return;
    }
    m_session.storedErrorValues().then(this, [this, title](const Result<ErrorValueTable>& values) {
        if (!values) {
            m_prompts.warning(this, title, values.error().shown());
            return;
        }
        const QString path =
            QDir(m_session.dataDir())
                .filePath(SpreadsheetExport::fileName(SpreadsheetExport::Target::ErrorValues));
        if (const auto written = SpreadsheetExport::writeErrorValuesXlsx(values.value(), path); !written) {
            m_prompts.warning(this, title, written.error().shown());
            return;
        }
        emit exported(path);
        m_prompts.openOrOfferFolder(this, title, path);
    });
}

} // namespace talven
