#pragma once

#include <QColor>
#include <QIdentityProxyModel>

namespace talven {

// The colours of a grid, on top of a core model that knows only numbers and flags: wave colours of
// numbers, blue and green of formula results, blue index cells of selected formulas, grey rows of
// filtered-out numbers.
class GridColours : public QIdentityProxyModel {
    Q_OBJECT
public:
    enum class Scheme { History, Formulas, ErrorValues };

    GridColours(Scheme scheme, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    static QColor waveColour(int wave); // 0 red, 1 blue, 2 green
    static const QColor Blue;           // RGB 0, 0, 255
    static const QColor Green;
    static const QColor Grey; // RGB 200, 200, 200

private:
    Scheme m_scheme;
};

} // namespace talven
