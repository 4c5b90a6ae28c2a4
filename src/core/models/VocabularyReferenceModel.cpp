#include "VocabularyReferenceModel.h"

#include "formula/VocabularyReference.h"

namespace talven {

VocabularyReferenceModel::VocabularyReferenceModel(QObject* parent) : QAbstractTableModel(parent) {}

int VocabularyReferenceModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : VocabularyReference::RowCount - 1;
}

int VocabularyReferenceModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : VocabularyReference::ColumnCount;
}

QVariant VocabularyReferenceModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return VocabularyReference::cell(index.row() + 1, index.column());
}

QVariant VocabularyReferenceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return VocabularyReference::cell(0, section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace talven
