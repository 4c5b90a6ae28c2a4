#pragma once

// A grid of display texts under one title row, as the history grid hands it to the export: for
// the tests and benchmarks that write a history through the exporter and read it back.

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

namespace talven::test {

class TextGridModel : public QAbstractTableModel {
public:
    TextGridModel(QStringList titles, QList<QStringList> rows)
        : m_titles(std::move(titles)), m_rows(std::move(rows)) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_titles.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        return role == Qt::DisplayRole ? QVariant(m_rows[index.row()].value(index.column())) : QVariant();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        return orientation == Qt::Horizontal && role == Qt::DisplayRole ? QVariant(m_titles.value(section))
                                                                        : QVariant();
    }

private:
    QStringList m_titles;
    QList<QStringList> m_rows;
};

} // namespace talven::test
