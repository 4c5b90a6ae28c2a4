#include "DiscoveryResultModel.h"

#include "evaluation/Figures.h"
#include "evaluation/FormulaStatistics.h"
#include "formula/FormulaTranslation.h"

using namespace Qt::StringLiterals;

namespace talven {

DiscoveryResultModel::DiscoveryResultModel(QObject* parent) : QAbstractTableModel(parent) {}

void DiscoveryResultModel::setReport(const DiscoveryReport& report) {
    beginResetModel();
    m_report = report;
    m_checked.assign(static_cast<size_t>(report.formulas.size()), false);
    m_chineseForms.clear();
    for (const DiscoveredFormula& f : report.formulas)
        m_chineseForms.append(FormulaTranslation::chineseForm(f.formula));
    endResetModel();
}

void DiscoveryResultModel::setChecked(int row, bool checked) {
    if (row < 0 || row >= rowCount() || m_checked[static_cast<size_t>(row)] == checked)
        return;
    m_checked[static_cast<size_t>(row)] = checked;
    const QModelIndex cell = index(row, Rank);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

QStringList DiscoveryResultModel::checkedFormulas() const {
    QStringList texts;
    for (int row = 0; row < rowCount(); ++row)
        if (m_checked[static_cast<size_t>(row)])
            texts.append(m_report.formulas[row].formula);
    return texts;
}

namespace {

// A column of the results: the formula's own, or a figure of the list over one sample. A figure
// column takes its title and unit from the figure table; what it counts is said over the sample.
struct ColumnText {
    const char16_t* title; // for a figure: the sample, before the figure's title
    const char16_t* tip;   // for a figure: before its unit
    std::optional<Figures::Figure> figure;
};
const ColumnText columns[DiscoveryResultModel::ColumnCount] = {
    {u"名次", u"按样本内命中排的名次", {}},
    {u"公式", u"候选公式的代码写法；勾选后可添加到公式列表", {}},
    {u"样本内命中", u"挑选所用的期数（样本内）中对的期数（单位 期）", {}},
    {u"样本内", u"样本内对的期数的百分比", Figures::Accuracy},
    {u"样本外命中", u"留出的最后几期（样本外，没有参与挑选）中对的期数（单位 期）", {}},
    {u"样本外", u"样本外对的期数的百分比", Figures::Accuracy},
    {u"样本外", u"随机猜测时样本外预计的正确率", Figures::Chance},
    {u"样本外", u"样本外正确率减去随机水平", Figures::Edge},
    {u"样本外", u"样本外对的期数比随机预计多出几个标准差", Figures::ZScore},
    {u"中文公式", u"候选公式的中文写法", {}}};

} // namespace

QString DiscoveryResultModel::columnTitle(int column) {
    if (column < 0 || column >= ColumnCount)
        return QString();
    const ColumnText& c = columns[column];
    return QString::fromUtf16(c.title) + (c.figure ? Figures::title(*c.figure) : QString());
}

QString DiscoveryResultModel::hitsText(const SampleFigures& f) {
    return QString::number(f.hits) + u'/' + QString::number(f.draws);
}

QString DiscoveryResultModel::accuracyText(const SampleFigures& f) {
    return figureText(f.accuracy) + u'%';
}

int DiscoveryResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_report.formulas.size());
}

int DiscoveryResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DiscoveryResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const DiscoveredFormula& f = m_report.formulas[index.row()];
    if (role == Qt::CheckStateRole && index.column() == Rank)
        return m_checked[static_cast<size_t>(index.row())] ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::TextAlignmentRole && index.column() != Formula && index.column() != ChineseFormula)
        return QVariant::fromValue(Qt::AlignCenter);
    // A long formula is cut off in its column; the tooltip has it whole.
    if (role == Qt::ToolTipRole && (index.column() == Formula || index.column() == ChineseFormula))
        return QString(f.formula + u'\n' + m_chineseForms[index.row()]);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Rank:
        return QString::number(index.row() + 1);
    case Formula:
        return f.formula;
    case InSampleHits:
        return hitsText(f.inSample);
    case InSampleAccuracy:
        return accuracyText(f.inSample);
    case OutOfSampleHits:
        return hitsText(f.outOfSample);
    case OutOfSampleAccuracy:
        return accuracyText(f.outOfSample);
    case OutOfSampleChance:
        return chanceText(f.outOfSample.againstChance);
    case OutOfSampleEdge:
        return edgeText(f.outOfSample.againstChance);
    case OutOfSampleZ:
        return zText(f.outOfSample.againstChance);
    case ChineseFormula:
        return m_chineseForms[index.row()];
    default:
        return {};
    }
}

bool DiscoveryResultModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != Rank || role != Qt::CheckStateRole)
        return false;
    setChecked(index.row(), static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked);
    return true;
}

Qt::ItemFlags DiscoveryResultModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == Rank)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant DiscoveryResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columnTitle(section);
    // What each column counts, in which unit.
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section >= 0 && section < ColumnCount) {
        const ColumnText& c = columns[section];
        return QString(QString::fromUtf16(c.tip) + (c.figure ? Figures::unitClause(*c.figure) : QString()));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace talven
