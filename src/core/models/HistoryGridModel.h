#pragma once

#include "common/FormulaKind.h"

#include <QAbstractTableModel>

#include <memory>

namespace talven {

class Session;

// The history grid: one row per draw, oldest first; the period, the seven numbers, the special
// number's zodiac, wave and element, and while asked for one column per formula with the value
// it predicted for the draw.
class HistoryGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Period = 0,
        FirstNumber = 1,
        Special = 7,
        Zodiac = 8,
        Wave = 9,
        Element = 10,
        FirstFormula = 11
    };
    enum Role {
        WaveRole = Qt::UserRole + 1, // 0 red, 1 blue, 2 green: text colour of number and wave cells
        HitRole,                     // formula cells: true when the formula was right at the draw
    };

    // Follows the session's changes by itself.
    explicit HistoryGridModel(const Session& session, QObject* parent = nullptr);

    void setShowFormulas(bool show);
    bool showFormulas() const { return m_showFormulas; }
    // Formula columns only for the formulas of one kind (-1: all), as the formula list shows them;
    // they are numbered like the list's rows.
    void setKindFilter(std::optional<FormulaKind> kind);
    // A model of its own that shows what this one shows, for an export on the worker.
    std::shared_ptr<HistoryGridModel> copy() const;
    // Position in the whole formula list (1-based) of a formula column.
    int ordinalOfColumn(int column) const { return m_ordinals.value(column - FirstFormula); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void rebuild();

    const Session& m_session;
    bool m_showFormulas = false;
    std::optional<FormulaKind> m_kind; // none: every kind
    QList<int> m_ordinals;             // formula columns
};

} // namespace talven
