#include "ErrorValueExportModel.h"

#include "export/SpreadsheetExport.h"

#include <algorithm>
#include <array>

namespace talven {

ErrorValueExportModel::ErrorValueExportModel(const ErrorValueTable& values, QObject* parent)
    : QAbstractTableModel(parent), m_rows(values) {
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const NumberErrorValues& a, const NumberErrorValues& b) {
                         return a.ruledOutByKill != b.ruledOutByKill ? a.ruledOutByKill < b.ruledOutByKill
                                                                     : a.number < b.number;
                     });
}

int ErrorValueExportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ErrorValueExportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 8;
}

QVariant ErrorValueExportModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount() || index.column() >= 8)
        return {};
    const NumberErrorValues& v = m_rows[index.row()];
    const std::array<int, 8> fields = {index.row() + 1,
                                       v.number,
                                       v.ruledOut,
                                       v.ruledOutByKill,
                                       v.ruledOutByKeep,
                                       v.weightedRuledOut,
                                       v.weightedRuledOutByKill,
                                       v.weightedRuledOutByKeep};
    return QString::number(fields[static_cast<size_t>(index.column())]);
}

QVariant ErrorValueExportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return SpreadsheetExport::errorValueTitles().value(section);
}

} // namespace talven
