#pragma once

#include "evaluation/FormulaStatistics.h"

#include <QList>
#include <QWidget>

namespace talven {

// A formula's record over its newest judged draws: one cell a draw, blue when it was right and green
// when wrong as in the history grid, its longest runs and the run it is in now marked under the
// cells, its accuracy over the last 10, 30 and 100 draws as lines below, and above them how its whole
// record compares with chance.
class HitHistoryStrip : public QWidget {
    Q_OBJECT
public:
    explicit HitHistoryStrip(QWidget* parent = nullptr);

    // periods: the period of each draw shown; title names the formula.
    void setHistory(const HitHistory& history, const QList<int>& periods, const QString& title);
    void clear();
    // The whole record against chance in one line under the title; empty for none.
    void setChanceLine(const QString& line);
    const QString& chanceLine() const { return m_chanceLine; }
    const HitHistory& history() const { return m_history; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRectF cellsArea() const;
    QRectF chartArea() const;
    int drawAt(const QPoint& pos) const;

    HitHistory m_history;
    QList<int> m_periods;
    QString m_title;
    QString m_chanceLine;
};

} // namespace talven
