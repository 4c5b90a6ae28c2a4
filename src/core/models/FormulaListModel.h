#pragma once

#include "common/FormulaKind.h"
#include "formula/FormulaListRow.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace talven {

class Session;
struct FormulaResult;

// The formula list: one row per formula (all formulas, or those of one kind), with its folded or
// Chinese expression, kind, kill/keep sense, next-period result and the ten figures.
class FormulaListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        RowNumber = 0, // 序号: the row's number in the list as shown
        Formula,
        Kind,
        KillKeep,
        NextResult,
        Accuracy,
        LongestMiss,
        LongestHit,
        CurrentMiss,
        CurrentHit,
        PerNumberAccuracy,
        PerNumberLongestMiss,
        PerNumberLongestHit,
        PerNumberCurrentMiss,
        PerNumberCurrentHit,
        FormulaNumber, // hidden: the formula's number, as stored
        // Accuracy over the newest 10, 30 and 100 judged draws; shown on request.
        Recent10,
        Recent30,
        Recent100,
        // The record against chance: 随机水平, 超出随机, 标准分; shown on request.
        Chance,
        Edge,
        ZScore,
        ColumnCount
    };
    enum Role {
        SelectedRole = Qt::UserRole + 1, // index cell: the formula is selected
        OrdinalRole,                     // any cell: the formula's position in the whole list
        SortRole,                        // any cell: the value the column sorts by
    };
    // The window of a recent-accuracy column (10, 30, 100); 0 for the other columns.
    static int recentWindow(int column);

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
