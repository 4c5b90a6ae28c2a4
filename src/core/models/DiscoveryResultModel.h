#pragma once

#include "discovery/FormulaDiscovery.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace talven {

// The results grid of the formula search: the best formulas by in-sample accuracy, their
// in-sample and out-of-sample figures side by side, each row checkable for adding to the list; the
// formula in code form and in Chinese terms.
class DiscoveryResultModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        Rank,
        Formula,
        InSampleHits,
        InSampleAccuracy,
        OutOfSampleHits,
        OutOfSampleAccuracy,
        OutOfSampleChance,
        OutOfSampleEdge,
        OutOfSampleZ,
        ChineseFormula, // last, so that the command line's table can keep to the code form
        ColumnCount
    };

    explicit DiscoveryResultModel(QObject* parent = nullptr);

    // New results, none checked.
    void setReport(const DiscoveryReport& report);
    const DiscoveryReport& report() const { return m_report; }
    void setChecked(int row, bool checked);
    bool isChecked(int row) const {
        return row >= 0 && row < rowCount() && m_checked[static_cast<size_t>(row)];
    }
    // The formula texts of the checked rows, best first.
    QStringList checkedFormulas() const;

    static QString columnTitle(int column);
    // "25/3951" and "62.5%": hits over judged draws, the accuracy as the formula list shows it.
    static QString hitsText(const SampleFigures& f);
    static QString accuracyText(const SampleFigures& f);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    DiscoveryReport m_report;
    std::vector<bool> m_checked;
    QStringList m_chineseForms; // made with the report: a grid asks for them on every paint
};

} // namespace talven
