#pragma once

#include "common/FormulaKind.h"
#include "evaluation/Figures.h"
#include "formula/FormulaListRow.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace talven {

class Session;
struct FormulaResult;

// The formula list: one row per formula (all formulas, or those of one kind), with its folded or
// Chinese expression, kind, kill/keep sense, next-period result and every figure of the table.
class FormulaListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The figures of the table stand in its order from FirstFigure on, the hidden number after the
    // tenth: saved column choices count the columns so.
    static constexpr int FiguresBeforeNumber = 10;
    enum Column {
        RowNumber = 0, // 序号: the row's number in the list as shown
        Formula,
        Kind,
        KillKeep,
        NextResult,
        FirstFigure,
        FormulaNumber = FirstFigure + FiguresBeforeNumber, // hidden: the formula's number, as stored
        ColumnCount = FormulaNumber + 1 + int(Figures::Count) - FiguresBeforeNumber
    };
    enum Role {
        SelectedRole = Qt::UserRole + 1, // index cell: the formula is selected
        OrdinalRole,                     // any cell: the formula's position in the whole list
        SortRole,                        // any cell: the value the column sorts by
    };
    // The column of a figure.
    static constexpr int column(Figures::Figure figure) {
        const int f = figure;
        return f < FiguresBeforeNumber ? FirstFigure + f : FormulaNumber + 1 + f - FiguresBeforeNumber;
    }
    // The figure a column shows; none for the formula's own columns.
    static std::optional<Figures::Figure> figureAt(int column);

    // Follows the session's changes by itself.
    explicit FormulaListModel(const Session& session, QObject* parent = nullptr);

    // Shows only the formulas of one kind (-1: all).
    void setKindFilter(std::optional<FormulaKind> kind);
    std::optional<FormulaKind> kindFilter() const { return m_kind; }
    void setChinese(bool chinese);
    bool chinese() const { return m_chinese; }
    // Position in the whole list (1-based) of a list row (0-based).
    int ordinalOfRow(int row) const { return m_ordinals.value(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void rebuild();
    QVariant sortValue(int column, int ordinal, const FormulaResult& result,
                       const FormulaListRow& texts) const;

    const Session& m_session;
    std::optional<FormulaKind> m_kind; // none: every kind
    bool m_chinese = false;
    QList<int> m_ordinals;
    QList<FormulaListRow> m_rows;
    mutable QStringList m_chineseForms; // made when first shown
};

} // namespace talven
