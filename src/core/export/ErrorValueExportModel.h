#pragma once

#include "prediction/ErrorValues.h"

#include <QAbstractTableModel>

namespace talven {

// The error values as the export writes them: the eight title cells, then one row per number in
// ascending count of kill formulas ruling the number out (ties by number), ranked 1, 2, 3 ...
class ErrorValueExportModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ErrorValueExportModel(const ErrorValueTable& values, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    ErrorValueTable m_rows;
};

} // namespace talven
