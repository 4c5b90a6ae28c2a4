#pragma once

#include "prediction/ErrorValues.h"

#include <QAbstractTableModel>
#include <QString>

namespace talven {

class Session;

// The error-value grid: the numbers ranked by one error value, each marked kept ("保留", no
// selected formula rules it out) or filtered out ("滤杀"), with the kept and filtered-out lists.
// Everything is read from memory; storing into Errarr is ErrorValueStore's job.
class ErrorValueModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        Rank,
        Number,
        RuledOut,
        RuledOutByKill,
        RuledOutByKeep,
        WeightedRuledOut,
        WeightedRuledOutByKill,
        WeightedRuledOutByKeep,
        Status,
        ColumnCount
    };
    // True on the cells of a filtered-out number, which are shown greyed (columns 1..8).
    static constexpr int GreyRowRole = Qt::UserRole + 1;

    explicit ErrorValueModel(QObject* parent = nullptr);
    // Shows the values of every computation the session stores.
    explicit ErrorValueModel(const Session& session, QObject* parent = nullptr);

    // New values, ranked by RuledOut in the current direction.
    void setValues(const ErrorValueTable& values);
    // Ranking by a column: the direction reverses; columns Number..WeightedRuledOutByKeep then rank
    // by that column, Rank and Status keep the row order.
    void rankByColumn(int column);

    bool descending() const { return m_descending; }
    // Rows in display order.
    const ErrorValueTable& rows() const { return m_rows; }
    // "05 12 " in display order: numbers with total 0, and the others.
    QString keptNumbers() const;
    QString filteredNumbers() const;

    static QString columnTitle(int column);
    // The value a column ranks by; 0 for Rank and Status.
    static int columnValue(const NumberErrorValues& row, int column);
    // Rows ordered by a column; ties always by number ascending, so the order is deterministic.
    static ErrorValueTable ranked(ErrorValueTable rows, int column, bool descending);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void reorder(int column);
    QString numberList(bool kept) const;

    ErrorValueTable m_rows;
    bool m_descending = false;
};

} // namespace talven
