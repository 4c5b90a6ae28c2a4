#include "widgets/FormulaListPanel.h"

#include "export/SpreadsheetExport.h"
#include "models/FormulaListModel.h"
#include "models/GridColours.h"
#include "session/Session.h"
#include "widgets/FormulaListView.h"
#include "widgets/HitHistoryStrip.h"
#include "windows/GridExporter.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// 超出随机 shows its sign in the list, above or below chance; the exports keep the plain number.
class SignedText : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override {
        return Figures::signedText(QStyledItemDelegate::displayText(value, locale));
    }
};

const QString selectedTip = u"执行公式列表中序号为蓝色的公式"_s;
constexpr int RowsShown = 18; // more formulas than this open scrolled to the end
// Twips of the columns.
constexpr std::array<int, FormulaListModel::ColumnCount> listWidths = {
    420,  2800, 600,  420,  800, 2000, 800,  800,  800,  800,  2000,
    1200, 1200, 1200, 1200, 0,   1600, 1600, 1600, 1200, 1200, 1000};
constexpr int ChineseFormulaWidth = 4000;

} // namespace

FormulaListPanel::FormulaListPanel(Session& session, GridExporter& exporter, QWidget* parent)
    : QWidget(parent), m_session(session), m_exporter(exporter) {
    m_formulas = new FormulaListModel(session, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    m_forms = new QTabBar(this);
    m_forms->addTab(u"公式英文显示"_s);
    m_forms->addTab(u"公式中文显示"_s);
    m_forms->setAccessibleName(u"公式显示方式"_s);
    m_forms->setObjectName(u"formulaForms"_s);
    connect(m_forms, &QTabBar::currentChanged, this, [this](int tab) { m_formulas->setChinese(tab == 1); });
    bar->addWidget(m_forms);
    bar->addStretch();
    m_kindFilter = new QPushButton(u"显所选类公式(&P)"_s, this);
    m_kindFilter->setCheckable(true);
    m_kindFilter->setObjectName(u"kindFilter"_s);
    connect(m_kindFilter, &QPushButton::toggled, this, &FormulaListPanel::kindFilterToggled);
    bar->addWidget(m_kindFilter);
    auto* filter = button(u"公式过滤设置(&S)"_s, "filter");
    auto* invert = button(u"反选所有公式(&R)"_s, "invert", selectedTip);
    auto* selectAll = button(u"选中所有公式(&L)"_s, "selectAll", selectedTip);
    connect(filter, &QPushButton::clicked, this, &FormulaListPanel::filterRequested);
    connect(invert, &QPushButton::clicked, this, &FormulaListPanel::invertShown);
    connect(selectAll, &QPushButton::clicked, this, &FormulaListPanel::selectAllShown);
    for (QPushButton* b : {filter, invert, selectAll})
        bar->addWidget(b);
    layout->addLayout(bar);

    // Sorted for viewing only: ordinals, selection and the history grid stay the formulas'.
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_formulas);
    m_sorted->setSortRole(FormulaListModel::SortRole);
    auto* proxy = new GridColours(GridColours::Scheme::Formulas, this);
    proxy->setSourceModel(m_sorted);
    m_listSplit = new QSplitter(Qt::Vertical, this);
    m_listSplit->setChildrenCollapsible(false);
    m_listSplit->setObjectName(u"listSplit"_s);
    m_view = new FormulaListView(u"公式列表"_s, m_listSplit);
    m_view->setObjectName(u"formulaList"_s);
    m_view->setModel(proxy);
    m_view->setSortingEnabled(true);
    m_view->sortByColumn(FormulaListModel::RowNumber, Qt::AscendingOrder);
    m_view->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view->horizontalHeader(), &QWidget::customContextMenuRequested, this,
            &FormulaListPanel::chooseColumns);
    m_strip = new HitHistoryStrip(m_listSplit);
    m_strip->setObjectName(u"hitHistory"_s);
    m_listSplit->addWidget(m_view);
    m_listSplit->addWidget(m_strip);
    m_listSplit->setStretchFactor(0, 1);
    m_listSplit->setStretchFactor(1, 0);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &FormulaListPanel::showHitHistory);
    // The list keeps its sixteen columns; the recent figures and those against chance are there on
    // request (header menu). The figures against chance, when shown, stand next to the accuracy
    // they are read against.
    QHeaderView* header = m_view->horizontalHeader();
    int besideAccuracy = header->visualIndex(FormulaListModel::column(Figures::Accuracy));
    for (const Figures::Info& figure : Figures::table) {
        const int c = FormulaListModel::column(figure.key);
        if (figure.group == Figures::Group::Recent || figure.group == Figures::Group::Chance)
            m_view->setColumnHidden(c, true);
        if (figure.group == Figures::Group::Chance)
            header->moveSection(header->visualIndex(c), ++besideAccuracy);
    }
    m_view->setItemDelegateForColumn(FormulaListModel::column(Figures::Edge), new SignedText(m_view));
    m_view->freezeColumns(2); // 序号 and 公式 stay in view while the figures scroll
    setColumnWidths();
    connect(m_formulas, &QAbstractItemModel::modelReset, this, &FormulaListPanel::setColumnWidths);
    connect(m_view, &FormulaListView::rowClicked, this, [this](int row) {
        const int ordinal = ordinalOfViewRow(row);
        const bool selected = !m_session.selection()[static_cast<size_t>(ordinal - 1)];
        m_session.setSelected(ordinal, selected);
        // The click that shows a formula's record also toggles it: the user is told which way.
        const QString number = m_view->model()->index(row, FormulaListModel::RowNumber).data().toString();
        emit notice(selected ? u"已选中第 %1 条公式，再点一次可取消选中"_s.arg(number)
                             : u"已取消选中第 %1 条公式，再点一次可恢复"_s.arg(number));
    });
    const QString fileName = SpreadsheetExport::fileName(SpreadsheetExport::Target::Formulas);
    connect(m_view, &FormulaListView::menuRequested, this, [this, fileName](int row, const QPoint& at) {
        const int idx = m_session.formulas()[static_cast<size_t>(ordinalOfViewRow(row) - 1)].idx;
        auto* menu = new QMenu(u"管理"_s, this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(u"删除该公式(&D)"_s, this, [this, idx] { emit deleteRequested(idx); });
        menu->addSeparator();
        menu->addAction(u"导出为…"_s, this, [this, fileName] {
            m_exporter.exportAs([this] { return modelForExport(); }, fileName);
        });
        menu->popup(at);
    });
    m_exporter.offerExportOnDoubleClick(
        m_view, [this] { return modelForExport(); }, fileName);
    layout->addWidget(m_listSplit, 1);
    // Without a split of the user's, the record strip takes what it asks for, up to a quarter.
    QTimer::singleShot(0, this, [this] {
        if (m_splitRestored)
            return;
        const int total = m_listSplit->height();
        const int strip = std::min(m_strip->sizeHint().height(), total / 4);
        m_listSplit->setSizes({total - strip, strip});
    });
}

QPushButton* FormulaListPanel::button(const QString& caption, const char* name, const QString& tip) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    if (!tip.isEmpty())
        b->setToolTip(tip);
    return b;
}

bool FormulaListPanel::kindFilterOn() const {
    return m_kindFilter->isChecked();
}

int FormulaListPanel::ordinalOfViewRow(int row) const {
    return m_view->model()->index(row, 0).data(FormulaListModel::OrdinalRole).toInt();
}

QList<int> FormulaListPanel::shownOrdinals() const {
    QList<int> shown;
    for (int row = 0; row < m_formulas->rowCount(); ++row)
        shown.append(m_formulas->ordinalOfRow(row));
    return shown;
}

std::shared_ptr<QAbstractItemModel> FormulaListPanel::modelForExport() const {
    auto model = std::make_shared<FormulaListModel>(m_session);
    model->setKindFilter(m_formulas->kindFilter());
    model->setChinese(m_formulas->chinese());
    return model;
}

void FormulaListPanel::setColumnWidths() {
    for (int c = 0; c < FormulaListModel::ColumnCount; ++c)
        m_view->setColumnWidthTwips(c, listWidths[static_cast<size_t>(c)]);
    if (m_formulas->chinese())
        m_view->setColumnWidthTwips(FormulaListModel::Formula, ChineseFormulaWidth);
    m_view->widenToContents(FormulaListModel::RowNumber, FormulaListModel::ColumnCount - 1);
}

std::vector<bool> FormulaListPanel::selectionOfShown(const std::function<bool(bool)>& change) const {
    std::vector<bool> selected = m_session.selection();
    for (const int ordinal : shownOrdinals()) {
        const auto i = static_cast<size_t>(ordinal - 1);
        selected[i] = change(selected[i]);
    }
    return selected;
}

void FormulaListPanel::selectAllShown() {
    m_session.setSelection(selectionOfShown([](bool) { return true; }));
}

void FormulaListPanel::invertShown() {
    m_session.setSelection(selectionOfShown([](bool was) { return !was; }));
}

void FormulaListPanel::showHitHistory() {
    const QModelIndex current = m_view->currentIndex();
    const int ordinal = current.isValid() ? ordinalOfViewRow(current.row()) : 0;
    if (ordinal < 1 || ordinal > static_cast<int>(m_session.formulas().size())) {
        m_strip->clear();
        return;
    }
    const HitHistory history = talven::hitHistory(m_session.result(ordinal).hits, 100);
    QList<int> periods;
    for (size_t i = 0; i < history.hits.size(); ++i)
        periods.append(m_session.draw(static_cast<size_t>(history.firstDraw) + i).period().value());
    const FormulaRow& row = m_session.formulas()[static_cast<size_t>(ordinal - 1)];
    m_strip->setHistory(
        history, periods,
        u"公式 %1 %2"_s.arg(row.idx).arg(
            m_view->model()->index(current.row(), FormulaListModel::Formula).data().toString()));
    const FormulaResult& result = m_session.result(ordinal);
    const ChanceFigures chance = result.againstChance();
    QString line = chanceLine(chance);
    // The list's 正确率 counts every draw, this line only the draws that could be judged.
    if (chance.valid && std::abs(chance.chance + chance.edge - result.figures.accuracy) >= 0.005)
        line.replace(0, 3, u"可验算期正确率"_s);
    m_strip->setChanceLine(line);
}

void FormulaListPanel::scrollToEnd() {
    if (m_formulas->rowCount() > RowsShown)
        m_view->scrollToBottom();
}

void FormulaListPanel::chooseColumns(const QPoint& at) {
    auto* menu = new QMenu(u"显示的列"_s, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (int c = 0; c < FormulaListModel::ColumnCount; ++c) {
        if (c == FormulaListModel::FormulaNumber || c == FormulaListModel::RowNumber)
            continue;
        QAction* action = menu->addAction(m_formulas->headerData(c, Qt::Horizontal).toString());
        action->setCheckable(true);
        action->setChecked(!m_view->isColumnHidden(c));
        connect(action, &QAction::toggled, this, [this, c](bool shown) {
            m_view->setColumnHidden(c, !shown);
            if (shown)
                m_view->widenToContents(c, c);
            emit viewChanged();
        });
    }
    menu->popup(m_view->horizontalHeader()->mapToGlobal(at));
}

void FormulaListPanel::restoreView(QSettings& settings) {
    m_splitRestored = m_listSplit->restoreState(settings.value(u"list"_s).toByteArray());
    const QVariant hidden = settings.value(u"hiddenColumns"_s);
    if (!hidden.isValid())
        return;
    const QStringList columns = hidden.toStringList();
    // Columns newer than the stored choice keep their default.
    const int known = settings.value(u"columnCount"_s, FormulaListModel::column(Figures::Chance)).toInt();
    for (int c = 0; c < std::min<int>(known, FormulaListModel::ColumnCount); ++c)
        if (c != FormulaListModel::FormulaNumber)
            m_view->setColumnHidden(c, columns.contains(QString::number(c)));
}

void FormulaListPanel::saveView(QSettings& settings) const {
    settings.setValue(u"list"_s, m_listSplit->saveState());
    QStringList hidden;
    for (int c = 0; c < FormulaListModel::ColumnCount; ++c)
        if (m_view->isColumnHidden(c))
            hidden.append(QString::number(c));
    settings.setValue(u"hiddenColumns"_s, hidden);
    settings.setValue(u"columnCount"_s, int(FormulaListModel::ColumnCount));
}

} // namespace talven
