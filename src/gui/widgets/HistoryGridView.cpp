#include "widgets/HistoryGridView.h"

#include "export/SpreadsheetExport.h"
#include "models/GridColours.h"
#include "models/HistoryGridModel.h"
#include "windows/GridExporter.h"

#include <QAction>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

constexpr int RowsShown = 28; // more draws than this open scrolled to the newest
// Twips of the columns.
constexpr int PeriodWidth = 820, NumberWidth = 600, FormulaResultWidth = 700;

} // namespace

HistoryGridView::HistoryGridView(HistoryGridModel* model, GridExporter& exporter, QWidget* parent)
    : GridView(u"历史号码列表"_s, parent), m_history(model) {
    const auto exportModel = [this]() -> std::shared_ptr<QAbstractItemModel> { return m_history->copy(); };
    auto* proxy = new GridColours(GridColours::Scheme::History, this);
    proxy->setSourceModel(model);
    setModel(proxy);
    horizontalHeader()->setDefaultSectionSize(GridView::twipsToPixels(this, FormulaResultWidth));
    setColumnWidths();
    connect(model, &QAbstractItemModel::modelReset, this, &HistoryGridView::setColumnWidths);
    const QString fileName = SpreadsheetExport::fileName(SpreadsheetExport::Target::History);
    exporter.offerExportOnDoubleClick(this, exportModel, fileName);
    // A results table copied from a web page or a spreadsheet is read as a history file would be.
    auto* paste = new QAction(u"粘贴开奖号码"_s, this);
    paste->setObjectName(u"pasteHistory"_s);
    paste->setShortcut(QKeySequence::Paste);
    paste->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(paste, &QAction::triggered, this, &HistoryGridView::pasteRequested);
    addAction(paste);
    exporter.offerExportAs(this, exportModel, fileName);
}

void HistoryGridView::setColumnWidths() {
    setColumnWidthTwips(HistoryGridModel::Period, PeriodWidth);
    for (int c = HistoryGridModel::FirstNumber; c < HistoryGridModel::FirstFormula; ++c)
        setColumnWidthTwips(c, NumberWidth);
    widenToContents(HistoryGridModel::Period, HistoryGridModel::FirstFormula - 1);
}

void HistoryGridView::scrollToNewest() {
    if (m_history->rowCount() <= RowsShown)
        return;
    scrollToBottom();
    // Once more when the layout has settled: new columns may have brought a scroll bar.
    QTimer::singleShot(0, this, [this] { scrollToBottom(); });
}

void HistoryGridView::resizeEvent(QResizeEvent* event) {
    // The horizontal scroll bar that comes with the formula columns takes its height from the
    // rows: a view that showed the newest draw keeps showing it whole.
    const QScrollBar* rows = verticalScrollBar();
    const bool newest = rows->value() == rows->maximum();
    GridView::resizeEvent(event);
    if (newest && rows->value() != rows->maximum())
        scrollToBottom();
}

void HistoryGridView::paintEvent(QPaintEvent* event) {
    GridView::paintEvent(event);
    if (m_history->rowCount() > 0)
        return;
    QPainter p(viewport());
    p.setPen(palette().placeholderText().color());
    p.drawText(viewport()->rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
               emptyHint());
}

QString HistoryGridView::emptyHint() {
    return u"还没有历史号码。请点击下方的“读取历史号码文本”读入历史号码文件，"
           u"或在下方的输入框中逐期输入最新的开奖号码。"_s;
}

} // namespace talven
