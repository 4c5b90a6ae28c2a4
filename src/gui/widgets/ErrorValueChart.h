#pragma once

#include <QPointer>
#include <QRectF>
#include <QWidget>

namespace talven {

class ErrorValueModel;

// The total error value (杀留Err值) of every number as a bar, in the order of the error-value list:
// kept numbers in their wave colour, filtered-out ones in grey; the values show on hover.
class ErrorValueChart : public QWidget {
    Q_OBJECT
public:
    struct Bar {
        int number = 0;
        int value = 0; // how many formulas rule the number out
        bool kept = false;
        QColor colour;
        QRectF rect;  // the bar; no height for a kept number, whose total is 0
        QRectF label; // the number's disc under the axis
    };

    explicit ErrorValueChart(QWidget* parent = nullptr);

    // Follows the model's rows and their ranking.
    void setModel(const ErrorValueModel* model);
    void setCaption(const QString& caption);
    const QString& caption() const { return m_caption; }

    // The bars as drawn at the current size, in list order.
    QList<Bar> bars() const;
    // The hover text over a point: number, wave, value and mark; empty away from the bars.
    QString toolTipAt(const QPointF& pos) const;

    static QColor waveColour(int number);
    static QColor grey() { return QColor(200, 200, 200); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Geometry {
        QRectF plot;
        int axisMax = 1;
        int step = 1;
        double slot = 0;
        double disc = 0;
        bool staggered = false;
    };
    Geometry geometry() const;
    QFont labelFont() const;
    void refresh();

    QPointer<const ErrorValueModel> m_model;
    QString m_caption;
};

} // namespace talven
