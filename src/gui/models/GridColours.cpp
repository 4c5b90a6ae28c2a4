#include "models/GridColours.h"

#include "models/ErrorValueModel.h"
#include "models/FormulaListModel.h"
#include "models/HistoryGridModel.h"

#include <QApplication>
#include <QPalette>

namespace talven {

const QColor GridColours::Blue(0, 0, 255);
const QColor GridColours::Green(0, 160, 0);
const QColor GridColours::Grey(200, 200, 200);

GridColours::GridColours(Scheme scheme, QObject* parent) : QIdentityProxyModel(parent), m_scheme(scheme) {}

QColor GridColours::waveColour(int wave) {
    switch (wave) {
    case 0:
        return QColor(255, 0, 0);
    case 1:
        return Blue;
    default:
        return Green;
    }
}

QVariant GridColours::data(const QModelIndex& index, int role) const {
    if (role != Qt::ForegroundRole && role != Qt::BackgroundRole)
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    switch (m_scheme) {
    case Scheme::History: {
        if (index.column() >= HistoryGridModel::FirstFormula) {
            // Right in blue, wrong in green, with white text that stays readable on both.
            const bool hit = source.data(HistoryGridModel::HitRole).toBool();
            if (role == Qt::BackgroundRole)
                return hit ? Blue : Green;
            return QColor(Qt::white);
        }
        const QVariant wave = source.data(HistoryGridModel::WaveRole);
        if (role == Qt::ForegroundRole && wave.isValid())
            return waveColour(wave.toInt());
        return {};
    }
    case Scheme::Formulas:
        if (index.column() == FormulaListModel::RowNumber) {
            const bool selected = source.data(FormulaListModel::SelectedRole).toBool();
            if (role == Qt::BackgroundRole)
                return selected ? Blue : QApplication::palette().color(QPalette::Button);
            return selected ? QColor(Qt::white) : QApplication::palette().color(QPalette::ButtonText);
        }
        if (index.column() == FormulaListModel::NextResult && role == Qt::ForegroundRole)
            return Blue;
        return {};
    case Scheme::ErrorValues:
        if (role == Qt::ForegroundRole)
            return source.data(ErrorValueModel::GreyRowRole).toBool() ? Grey : QColor(Qt::black);
        return {};
    }
    return {};
}

} // namespace talven
