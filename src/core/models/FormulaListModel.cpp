#include "FormulaListModel.h"

#include "evaluation/FormulaFilter.h"
#include "formula/FormulaTranslation.h"
#include "session/Session.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// Each column once: its title and what it counts, in which unit (the header's tooltip).
struct ColumnText {
    const char16_t* title;
    const char16_t* tip;
};
const ColumnText columns[FormulaListModel::ColumnCount] = {
    {u"序号", u"列表中的行号；蓝色表示选中，单击一行切换它的选中"},
    {u"公式", u"公式的写法（代码或中文，由列表上方的标签决定）"},
    {u"种类", u"公式的种类：参数按它换算成对下一期特码的预测"},
    {u"生杀", u"杀：预测的值不出为对；生：预测的值出为对"},
    {u"下期结果", u"选中公式对下一期的预测；未选中的公式不显示"},
    {u"正确率", u"对的期数占全部历史期数的百分比（单位 %），括号内为 对的期数/全部期数"},
    {u"最大连错", u"历史上最长一段连续错的期数（单位 期）"},
    {u"最大连对", u"历史上最长一段连续对的期数（单位 期）"},
    {u"最后连错", u"到最新一期为止连续错的期数（单位 期）"},
    {u"最后连对", u"到最新一期为止连续对的期数（单位 期）"},
    {u"码均正确率", u"正确率按每期涉及的号码个数折算（单位 %）"},
    {u"码均最大连错", u"最大连错按每期涉及的号码个数折算（单位 期）"},
    {u"码均最大连对", u"最大连对按每期涉及的号码个数折算（单位 期）"},
    {u"码均最后连错", u"最后连错按每期涉及的号码个数折算（单位 期）"},
    {u"码均最后连对", u"最后连对按每期涉及的号码个数折算（单位 期）"},
    {u"", u""},
    {u"近10期正确率", u"最近 10 个可验算期中对的百分比（单位 %），括号内为 对的期数/期数"},
    {u"近30期正确率", u"最近 30 个可验算期中对的百分比（单位 %），括号内为 对的期数/期数"},
    {u"近100期正确率", u"最近 100 个可验算期中对的百分比（单位 %），括号内为 对的期数/期数"},
    {u"随机水平", u"随机猜测时该种类和生杀预计的正确率（单位 %）"},
    {u"超出随机", u"可验算期正确率减去随机水平（单位 个百分点）：正数好于随机，负数差于随机，例如 +0.18 即高 "
                  u"0.18 个百分点"},
    {u"标准分", u"对的期数比随机预计多出几个标准差（无单位）；在许多公式中，单凭运气也会有达到 3 的"}};

} // namespace

FormulaListModel::FormulaListModel(const Session& session, QObject* parent)
    : QAbstractTableModel(parent), m_session(session) {
    rebuild();
    connect(&session, &Session::changed, this, [this](Session::Changes what) {
        if (what & (Session::FormulasChanged | Session::ResultsChanged | Session::OptionsChanged)) {
            beginResetModel();
            if (what & Session::FormulasChanged)
                rebuild();
            endResetModel();
        } else if ((what & Session::SelectionChanged) && rowCount() > 0) {
            // The index cell's colour and the next-period result follow the selection.
            emit dataChanged(index(0, 0), index(rowCount() - 1, NextResult));
        }
    });
}

void FormulaListModel::rebuild() {
    m_ordinals.clear();
    m_rows.clear();
    m_chineseForms.clear();
    const auto& formulas = m_session.formulas();
    for (size_t i = 0; i < formulas.size(); ++i) {
        const FormulaRow& f = formulas[i];
        if (m_kind && f.kind != maTypeOf(*m_kind))
            continue;
        m_ordinals.append(static_cast<int>(i) + 1);
        // The texts are made once per change of the formulas, not at every paint.
        m_rows.append(FormulaListRow::of(static_cast<int>(m_rows.size()) + 1, f));
    }
    m_chineseForms.resize(m_rows.size());
}

void FormulaListModel::setKindFilter(std::optional<FormulaKind> kind) {
    beginResetModel();
    m_kind = kind;
    rebuild();
    endResetModel();
}

void FormulaListModel::setChinese(bool chinese) {
    beginResetModel();
    m_chinese = chinese;
    endResetModel();
}

int FormulaListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_ordinals.size());
}

int FormulaListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FormulaListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const int ordinal = m_ordinals.at(index.row());
    const FormulaListRow& texts = m_rows.at(index.row());
    if (role == OrdinalRole)
        return ordinal;
    if (role == SelectedRole)
        return m_session.selection()[static_cast<size_t>(ordinal - 1)];
    if (role == Qt::ToolTipRole) {
        // Why a formula cannot be computed, on every cell of its row.
        const QString& error = m_session.result(ordinal).error;
        return error.isEmpty() ? QVariant() : QVariant(error);
    }
    if (role != Qt::DisplayRole && role != SortRole)
        return {};
    const FormulaResult& r = m_session.result(ordinal);
    const FormulaFigures& f = r.figures;
    const int draws = static_cast<int>(m_session.draws().size());
    if (const int window = recentWindow(index.column())) {
        const RecentAccuracy recent = recentAccuracy(r.hits, window);
        if (role == SortRole)
            return recent.accuracy;
        return QString(figureText(recent.accuracy) + u"% (%1/%2)"_s.arg(recent.hits).arg(recent.draws));
    }
    if (index.column() >= Chance && index.column() <= ZScore) {
        const ChanceFigures c = r.againstChance();
        if (role == SortRole) {
            // Formulas without the figure sort below every formula that has it.
            constexpr double none = -std::numeric_limits<double>::infinity();
            if (index.column() == ZScore)
                return c.z.value_or(none);
            return c.valid ? (index.column() == Chance ? c.chance : c.edge) : none;
        }
        return index.column() == Chance ? chanceText(c) : index.column() == Edge ? edgeText(c) : zText(c);
    }
    if (role == SortRole)
        return sortValue(index.column(), ordinal, r, texts);
    switch (index.column()) {
    case RowNumber:
        return texts.rowNumber;
    case Formula:
        if (!m_chinese)
            return texts.formula;
        if (m_chineseForms[index.row()].isNull())
            m_chineseForms[index.row()] = FormulaTranslation::chineseForm(texts.formula);
        return m_chineseForms[index.row()];
    case Kind:
        return texts.kind;
    case KillKeep:
        return texts.killKeep;
    case NextResult:
        return m_session.selection()[static_cast<size_t>(ordinal - 1)] ? r.nextText : QString();
    case Accuracy:
        return f.accuracyText(draws);
    case LongestMiss:
        return QString::number(f.longestMissRun);
    case LongestHit:
        return QString::number(f.longestHitRun);
    case CurrentMiss:
        return QString::number(f.currentMissRun);
    case CurrentHit:
        return QString::number(f.currentHitRun);
    case PerNumberAccuracy:
        return f.perNumberAccuracyText();
    case PerNumberLongestMiss:
        return figureText(f.perNumberLongestMiss);
    case PerNumberLongestHit:
        return figureText(f.perNumberLongestHit);
    case PerNumberCurrentMiss:
        return figureText(f.perNumberCurrentMiss);
    case PerNumberCurrentHit:
        return figureText(f.perNumberCurrentHit);
    case FormulaNumber:
        return texts.formulaNumber;
    default:
        return {};
    }
}

int FormulaListModel::recentWindow(int column) {
    switch (column) {
    case Recent10:
        return 10;
    case Recent30:
        return 30;
    case Recent100:
        return 100;
    default:
        return 0;
    }
}

QVariant FormulaListModel::sortValue(int column, int ordinal, const FormulaResult& r,
                                     const FormulaListRow& texts) const {
    const FormulaFigures& f = r.figures;
    const FormulaRow& row = m_session.formulas()[static_cast<size_t>(ordinal - 1)];
    // The ten figures stand in the filter's order from 正确率 on.
    if (column >= Accuracy && column <= PerNumberCurrentHit)
        return FormulaFilter::figureValue(f, column - Accuracy);
    switch (column) {
    case Formula:
        return texts.formula;
    case Kind:
        return row.kind;
    case KillKeep:
        return row.kill;
    case NextResult:
        return r.nextText;
    default: // the list's own order
        return ordinal;
    }
}

QVariant FormulaListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::ToolTipRole)
        return QString::fromUtf16(columns[section].tip);
    return role == Qt::DisplayRole ? QVariant(QString::fromUtf16(columns[section].title)) : QVariant();
}

} // namespace talven
