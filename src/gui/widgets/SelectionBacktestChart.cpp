#include "widgets/SelectionBacktestChart.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

const QColor barColour(170, 190, 220);
const QColor hitColour(0, 150, 60);
const QColor missColour(200, 40, 40);
const QColor rateColour(20, 60, 200);
const QColor chanceColour(120, 120, 120);

} // namespace

SelectionBacktestChart::SelectionBacktestChart(QWidget* parent) : QWidget(parent) {
    setAccessibleName(u"验算图表"_s);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SelectionBacktestChart::setReport(const std::vector<SelectionDrawRow>& rows, int largestNumber) {
    m_rows = rows;
    m_largest = std::max(1, largestNumber);
    m_hitRate.clear();
    m_chance.clear();
    int hits = 0;
    double chanceSum = 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        hits += m_rows[i].hit;
        chanceSum += double(m_rows[i].keptCount) / m_largest;
        m_hitRate.push_back(100.0 * hits / double(i + 1));
        m_chance.push_back(100.0 * chanceSum / double(i + 1));
    }
    // Readers of the screen get the end of both lines in words.
    setAccessibleDescription(m_rows.empty()
                                 ? QString()
                                 : u"%1 期，累计保留命中率 %2%，累计随机水平 %3%"_s.arg(m_rows.size())
                                       .arg(m_hitRate.back(), 0, 'f', 2)
                                       .arg(m_chance.back(), 0, 'f', 2));
    update();
}

QSize SelectionBacktestChart::sizeHint() const {
    return {600, 12 * fontMetrics().height()};
}

QSize SelectionBacktestChart::minimumSizeHint() const {
    return {200, 6 * fontMetrics().height()};
}

void SelectionBacktestChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int line = fontMetrics().height();
    const QRectF plot = QRectF(rect()).adjusted(line * 2.5, line * 1.4, -line * 2.5, -line * 0.8);
    p.setPen(palette().color(QPalette::Text));
    p.drawRect(plot);
    // Legend above the plot, each entry in its colour.
    const std::pair<QColor, QString> legend[] = {
        {barColour.darker(130), u"■保留个数（左轴）"_s},
        {hitColour, u"■命中"_s},
        {missColour, u"■未中"_s},
        {rateColour, u"—累计命中率"_s},
        {chanceColour, u"--累计随机水平（右轴）"_s},
    };
    double x = plot.left();
    for (const auto& [colour, text] : legend) {
        p.setPen(colour);
        p.drawText(QRectF(x, 0, plot.right() - x, line * 1.3), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += fontMetrics().horizontalAdvance(text) + line;
    }
    p.setPen(palette().color(QPalette::Text));
    p.drawText(QRectF(0, plot.top() - line / 2.0, plot.left() - 4, line), Qt::AlignRight,
               QString::number(m_largest));
    p.drawText(QRectF(0, plot.bottom() - line / 2.0, plot.left() - 4, line), Qt::AlignRight, u"0"_s);
    p.drawText(QRectF(plot.right() + 4, plot.top() - line / 2.0, line * 2.4, line), Qt::AlignLeft, u"100%"_s);
    p.drawText(QRectF(plot.right() + 4, plot.bottom() - line / 2.0, line * 2.4, line), Qt::AlignLeft,
               u"0%"_s);
    if (m_rows.empty() || plot.width() <= 0 || plot.height() <= 0)
        return;

    const double slot = plot.width() / double(m_rows.size());
    const double markHeight = std::min(6.0, plot.height() / 10);
    const double barArea = plot.height() - 2 * markHeight;
    p.setPen(Qt::NoPen);
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const double x = plot.left() + slot * double(i);
        const double h = barArea * m_rows[i].keptCount / m_largest;
        p.setBrush(barColour);
        if (h > 0)
            p.drawRect(QRectF(x, plot.bottom() - markHeight - h, std::max(1.0, slot * 0.8), h));
        p.setBrush(m_rows[i].hit ? hitColour : missColour);
        const double y = m_rows[i].hit ? plot.top() : plot.bottom() - markHeight;
        p.drawRect(QRectF(x, y, std::max(1.0, slot * 0.8), markHeight));
    }
    auto linePath = [&](const std::vector<double>& values) {
        QPainterPath path;
        for (size_t i = 0; i < values.size(); ++i) {
            const QPointF pt(plot.left() + slot * (double(i) + 0.5),
                             plot.bottom() - markHeight - barArea * values[i] / 100.0);
            if (i == 0)
                path.moveTo(pt);
            else
                path.lineTo(pt);
        }
        return path;
    };
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(chanceColour, 1.5, Qt::DashLine));
    p.drawPath(linePath(m_chance));
    p.setPen(QPen(rateColour, 2));
    p.drawPath(linePath(m_hitRate));
}

} // namespace talven
