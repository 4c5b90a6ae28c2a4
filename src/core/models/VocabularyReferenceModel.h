#pragma once

#include <QAbstractTableModel>

namespace talven {

// The reference grid of terms and codes: the header row as the horizontal header, then the 52
// label rows; cells not filled are empty.
class VocabularyReferenceModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit VocabularyReferenceModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
};

} // namespace talven
