#include "FormulaListModel.h"

#include "common/ModelRoles.h"
#include "formula/FormulaTranslation.h"
#include "session/Session.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

// The formula's own columns, before the figures: the title and what it shows (the tooltip).
struct ColumnText {
    const char16_t* title;
    const char16_t* tip;
};
const ColumnText formulaColumns[FormulaListModel::FirstFigure] = {
    {u"序号", u"列表中的行号；蓝色表示选中，单击一行切换它的选中"},
    {u"公式", u"公式的写法（代码或中文，由列表上方的标签决定）"},
    {u"种类", u"公式的种类：参数按它换算成对下一期特码的预测"},
    {u"生杀", u"杀：预测的值不出为对；生：预测的值出为对"},
    {u"下期结果", u"选中公式对下一期的预测；未选中的公式不显示"}};

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
        const FormulaResult& r = m_session.result(ordinal);
        if (!r.error.isEmpty())
            return r.error;
        // The difference from chance with its sign and unit: "+0.18 个百分点".
        if (figureAt(index.column()) == Figures::Edge) {
            const QString text =
                Figures::cellText(r, static_cast<int>(m_session.draws().size()), Figures::Edge);
            if (!text.isEmpty())
                return u"%1 %2"_s.arg(Figures::signedText(text),
                                      QString::fromUtf16(Figures::info(Figures::Edge).unit));
        }
        return {};
    }
    if (role != Qt::DisplayRole && role != SortRole)
        return {};
    const FormulaResult& r = m_session.result(ordinal);
    if (const auto figure = figureAt(index.column())) {
        if (role == Qt::DisplayRole)
            return Figures::cellText(r, static_cast<int>(m_session.draws().size()), *figure);
        // Formulas without the figure sort below every formula that has it.
        return Figures::value(r, *figure).value_or(-std::numeric_limits<double>::infinity());
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
    case FormulaNumber:
        return texts.formulaNumber;
    default:
        return {};
    }
}

std::optional<Figures::Figure> FormulaListModel::figureAt(int column) {
    if (column >= FirstFigure && column < FormulaNumber)
        return static_cast<Figures::Figure>(column - FirstFigure);
    if (column > FormulaNumber && column < ColumnCount)
        return static_cast<Figures::Figure>(column - FormulaNumber - 1 + FiguresBeforeNumber);
    return std::nullopt;
}

QVariant FormulaListModel::sortValue(int column, int ordinal, const FormulaResult& r,
                                     const FormulaListRow& texts) const {
    const FormulaRow& row = m_session.formulas()[static_cast<size_t>(ordinal - 1)];
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
    if (const auto figure = figureAt(section)) {
        if (role == Qt::ToolTipRole)
            return Figures::tooltip(*figure);
        if (role == ModelRoles::ExportTitle)
            return Figures::exportTitle(*figure);
        return role == Qt::DisplayRole ? QVariant(Figures::title(*figure)) : QVariant();
    }
    if (section == FormulaNumber)
        return role == Qt::DisplayRole || role == Qt::ToolTipRole ? QVariant(QString()) : QVariant();
    if (role == Qt::ToolTipRole)
        return QString::fromUtf16(formulaColumns[section].tip);
    return role == Qt::DisplayRole ? QVariant(QString::fromUtf16(formulaColumns[section].title)) : QVariant();
}

} // namespace talven
