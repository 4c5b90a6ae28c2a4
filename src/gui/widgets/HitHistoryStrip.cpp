#include "widgets/HitHistoryStrip.h"

#include "models/GridColours.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

constexpr int Margin = 6;
const QColor Line10(230, 120, 0);
const QColor Line30(150, 60, 170);
const QColor Line100(40, 40, 40);

} // namespace

HitHistoryStrip::HitHistoryStrip(QWidget* parent) : QWidget(parent) {
    setAccessibleName(u"公式近期对错"_s);
    setMouseTracking(true);
    // Small screens may squeeze it to its title lines; its sizeHint gives the curves their room.
    setMinimumHeight(fontMetrics().height() * 4);
}

QSize HitHistoryStrip::sizeHint() const {
    // Room for the curves to be read: about four lines of text above the chart's 0% line.
    return {600, 170 + fontMetrics().height()};
}

void HitHistoryStrip::setHistory(const HitHistory& history, const QList<int>& periods, const QString& title) {
    m_history = history;
    m_periods = periods;
    m_title = title;
    setAccessibleDescription(u"%1：最近 %2 期，对 %3 期"_s.arg(title)
                                 .arg(history.hits.size())
                                 .arg(std::count(history.hits.begin(), history.hits.end(), true)));
    update();
}

void HitHistoryStrip::clear() {
    m_chanceLine.clear();
    setHistory({}, {}, QString());
}

void HitHistoryStrip::setChanceLine(const QString& line) {
    m_chanceLine = line;
    update();
}

QRectF HitHistoryStrip::cellsArea() const {
    // A column on the left for the chart's percentages; the cells stand above the chart's points.
    const qreal left = Margin + fontMetrics().horizontalAdvance(u"100%"_s) + 6;
    const qreal top = fontMetrics().height() * (m_chanceLine.isEmpty() ? 1 : 2) + Margin;
    return {left, top, qreal(width() - Margin) - left, qreal(fontMetrics().height())};
}

QRectF HitHistoryStrip::chartArea() const {
    const QRectF cells = cellsArea();
    const qreal top = cells.bottom() + 10 + fontMetrics().height() / 2.0; // room for the run marks
    return {cells.left(), top, cells.width(),
            std::max<qreal>(20, height() - top - fontMetrics().height() / 2.0)};
}

int HitHistoryStrip::drawAt(const QPoint& pos) const {
    const int n = static_cast<int>(m_history.hits.size());
    const QRectF cells = cellsArea();
    if (n == 0 || pos.x() < cells.left() || pos.x() >= cells.right())
        return -1;
    return std::clamp(static_cast<int>((pos.x() - cells.left()) / cells.width() * n), 0, n - 1);
}

void HitHistoryStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const int n = static_cast<int>(m_history.hits.size());
    p.setPen(palette().text().color());
    if (n == 0) {
        p.drawText(rect().adjusted(Margin, Margin, -Margin, -Margin), Qt::AlignLeft | Qt::AlignTop,
                   m_title.isEmpty()
                       ? u"用上下方向键移到公式列表中的一行（不改变选中），这里显示该公式最近 100 期的对错；"
                         u"单击一行也会显示，但同时切换该公式的选中"_s
                       : m_title + u"：还没有验算过的期"_s);
        return;
    }
    // Title and legend in one line.
    p.drawText(QRectF(Margin, 2, width() - 2 * Margin, fontMetrics().height()),
               Qt::AlignLeft | Qt::AlignVCenter, m_title + u"　最近 %1 期　"_s.arg(n));
    qreal x = Margin + fontMetrics().horizontalAdvance(m_title + u"　最近 %1 期　"_s.arg(n));
    auto legendItem = [&](const QColor& colour, const QString& mark, const QString& text) {
        p.setPen(colour);
        p.drawText(QPointF(x, 2 + fontMetrics().ascent()), mark);
        x += fontMetrics().horizontalAdvance(mark);
        p.setPen(palette().text().color());
        p.drawText(QPointF(x, 2 + fontMetrics().ascent()), text);
        x += fontMetrics().horizontalAdvance(text + u"　"_s);
    };
    legendItem(GridColours::Blue, u"■"_s, u"对"_s);
    legendItem(GridColours::Green, u"■"_s, u"错"_s);
    legendItem(Line10, u"━"_s, u"近10期"_s);
    legendItem(Line30, u"━"_s, u"近30期"_s);
    legendItem(Line100, u"━"_s, u"近100期正确率"_s);
    if (!m_chanceLine.isEmpty())
        p.drawText(QRectF(Margin, 2 + fontMetrics().height(), width() - 2 * Margin, fontMetrics().height()),
                   Qt::AlignLeft | Qt::AlignVCenter, u"全部历史："_s + m_chanceLine);

    const QRectF cells = cellsArea();
    const qreal w = cells.width() / n;
    for (int i = 0; i < n; ++i) {
        const QRectF cell(cells.left() + i * w, cells.top(), w, cells.height());
        p.fillRect(cell.adjusted(0, 0, w > 3 ? -1 : 0, 0),
                   m_history.hits[static_cast<size_t>(i)] ? GridColours::Blue : GridColours::Green);
    }
    // The runs: a bar under their cells, thick for the run the formula is in now.
    auto mark = [&](const HitHistory::Run& run, const QColor& colour, qreal y, qreal thickness) {
        if (run.length == 0)
            return;
        p.fillRect(QRectF(cells.left() + run.start * w, y, run.length * w, thickness), colour);
    };
    mark(m_history.longestHitRun, GridColours::Blue, cells.bottom() + 2, 3);
    mark(m_history.longestMissRun, GridColours::Green, cells.bottom() + 2, 3);
    mark(m_history.currentRun, palette().text().color(), cells.bottom() + 6, 2);

    const QRectF chart = chartArea();
    p.setPen(QPen(palette().mid().color(), 1, Qt::DotLine));
    for (int percent : {0, 50, 100}) {
        const qreal y = chart.bottom() - chart.height() * percent / 100.0;
        p.drawLine(QPointF(chart.left(), y), QPointF(chart.right(), y));
        p.save();
        p.setPen(palette().text().color());
        p.drawText(QRectF(Margin, y - fontMetrics().height() / 2.0, chart.left() - Margin - 4,
                          fontMetrics().height()),
                   Qt::AlignRight | Qt::AlignVCenter, u"%1%"_s.arg(percent));
        p.restore();
    }
    p.setRenderHint(QPainter::Antialiasing);
    auto line = [&](const std::vector<float>& values, const QColor& colour) {
        QPainterPath path;
        for (int i = 0; i < n; ++i) {
            const QPointF at(cells.left() + (i + 0.5) * w,
                             chart.bottom() - chart.height() * values[static_cast<size_t>(i)] / 100.0);
            if (i == 0)
                path.moveTo(at);
            else
                path.lineTo(at);
        }
        p.setPen(QPen(colour, 1.6));
        p.drawPath(path);
    };
    line(m_history.rolling100, Line100);
    line(m_history.rolling30, Line30);
    line(m_history.rolling10, Line10);
}

bool HitHistoryStrip::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int i = drawAt(help->pos());
        if (i < 0) {
            QToolTip::hideText();
            return true;
        }
        const auto at = static_cast<size_t>(i);
        QToolTip::showText(
            help->globalPos(),
            u"%1 期：%2\n近10期正确率 %3%\n近30期正确率 %4%\n近100期正确率 %5%"_s.arg(m_periods.value(i))
                .arg(m_history.hits[at] ? u"对"_s : u"错"_s)
                .arg(figureText(m_history.rolling10[at]), figureText(m_history.rolling30[at]),
                     figureText(m_history.rolling100[at])),
            this);
        return true;
    }
    return QWidget::event(event);
}

} // namespace talven
