#pragma once

#include "prediction/SelectionBacktest.h"

#include <QWidget>

#include <vector>

namespace talven {

// The selection back-test draw by draw, oldest on the left: the kept-set size as a bar (against
// the largest number), a green mark over a draw whose special number was kept and a red one under
// a miss, and the running hit rate against the running chance as two lines (0..100 %).
class SelectionBacktestChart : public QWidget {
    Q_OBJECT
public:
    explicit SelectionBacktestChart(QWidget* parent = nullptr);

    void setReport(const std::vector<SelectionDrawRow>& rows, int largestNumber);

    // The running figures as drawn, in percent, one per draw.
    const std::vector<double>& runningHitRate() const { return m_hitRate; }
    const std::vector<double>& runningChance() const { return m_chance; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<SelectionDrawRow> m_rows;
    int m_largest = 49;
    std::vector<double> m_hitRate;
    std::vector<double> m_chance;
};

} // namespace talven
