#include "widgets/ErrorValueChart.h"

#include "lottery/NumberModel.h"
#include "models/ErrorValueModel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

constexpr double Margin = 4;

// Grid step 1, 2 or 5 times a power of ten giving at most four steps up to the largest value.
std::pair<int, int> axis(int largest) {
    if (largest <= 0)
        return {1, 1};
    for (int magnitude = 1;; magnitude *= 10)
        for (int factor : {1, 2, 5})
            if (const int step = factor * magnitude; largest <= 4 * step)
                return {(largest + step - 1) / step * step, step};
}

} // namespace

ErrorValueChart::ErrorValueChart(QWidget* parent) : QWidget(parent) {
    setAccessibleName(u"杀留Err值柱状图"_s);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ErrorValueChart::setModel(const ErrorValueModel* model) {
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    if (model)
        connect(model, &QAbstractItemModel::modelReset, this, &ErrorValueChart::refresh);
    refresh();
}

void ErrorValueChart::setCaption(const QString& caption) {
    m_caption = caption;
    update();
}

void ErrorValueChart::refresh() {
    // Readers of the screen get the values in words, in the order the bars stand.
    QStringList values;
    for (const Bar& bar : bars())
        values.append(u"%1：%2"_s.arg(bar.number, 2, 10, QLatin1Char('0')).arg(bar.value));
    setAccessibleDescription(values.join(u"，"_s));
    update();
}

QColor ErrorValueChart::waveColour(int number) {
    switch (NumberModel::waveOf(number)) {
    case 0:
        return QColor(0xd3, 0x2f, 0x2f);
    case 1:
        return QColor(0x19, 0x6c, 0xd2);
    default:
        return QColor(0x2e, 0x8b, 0x3a);
    }
}

QFont ErrorValueChart::labelFont() const {
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() * 0.85);
    return f;
}

ErrorValueChart::Geometry ErrorValueChart::geometry() const {
    Geometry g;
    int largest = 0;
    const qsizetype count = m_model ? m_model->rows().size() : 0;
    if (m_model)
        for (const auto& row : m_model->rows())
            largest = std::max(largest, row.ruledOut);
    std::tie(g.axisMax, g.step) = axis(largest);
    const QFontMetricsF fm(font());
    const QFontMetricsF small(labelFont());
    g.disc = std::max(small.horizontalAdvance(u"00"_s), small.height()) + 2;
    const double left = fm.horizontalAdvance(QString::number(g.axisMax)) + 2 * Margin;
    const double right = width() - Margin;
    g.slot = count > 0 ? (right - left) / static_cast<double>(count) : 0;
    // Discs too wide for their slot stand in two rows.
    g.staggered = g.slot < g.disc + 1;
    const double labels = (g.staggered ? 2 * g.disc + 1 : g.disc) + Margin;
    const double top = fm.height() + fm.height() / 2 + Margin;
    g.plot = QRectF(QPointF(left, top), QPointF(right, height() - labels - Margin));
    return g;
}

QList<ErrorValueChart::Bar> ErrorValueChart::bars() const {
    QList<Bar> out;
    if (!m_model)
        return out;
    const Geometry g = geometry();
    const double barWidth = std::max(1.0, g.slot * 0.7);
    for (qsizetype i = 0; i < m_model->rows().size(); ++i) {
        const NumberErrorValues& row = m_model->rows()[i];
        Bar bar;
        bar.number = row.number;
        bar.value = row.ruledOut;
        bar.kept = row.ruledOut == 0;
        bar.colour = bar.kept ? waveColour(row.number) : grey();
        const double x = g.plot.left() + static_cast<double>(i) * g.slot;
        const double h = g.plot.height() * std::max(0, row.ruledOut) / g.axisMax;
        bar.rect = QRectF(x + (g.slot - barWidth) / 2, g.plot.bottom() - h, barWidth, h);
        const double y = g.plot.bottom() + Margin + (g.staggered && i % 2 ? g.disc + 1 : 0);
        bar.label = QRectF(x + g.slot / 2 - g.disc / 2, y, g.disc, g.disc);
        out.append(bar);
    }
    return out;
}

QString ErrorValueChart::toolTipAt(const QPointF& pos) const {
    const Geometry g = geometry();
    const QList<Bar> all = bars();
    if (all.isEmpty() || pos.y() < g.plot.top() || pos.x() < g.plot.left())
        return {};
    const auto i = static_cast<qsizetype>((pos.x() - g.plot.left()) / g.slot);
    if (i >= all.size() || pos.y() > all[i].label.bottom())
        return {};
    const Bar& bar = all[i];
    return u"号码 %1（%2波）\n杀留Err值：%3\n%4"_s.arg(bar.number, 2, 10, QLatin1Char('0'))
        .arg(NumberModel::waveName(NumberModel::waveOf(bar.number)))
        .arg(bar.value)
        .arg(bar.kept ? u"保留"_s : u"滤杀"_s);
}

QSize ErrorValueChart::sizeHint() const {
    return {600, 12 * fontMetrics().height()};
}

QSize ErrorValueChart::minimumSizeHint() const {
    return {300, 7 * fontMetrics().height()};
}

bool ErrorValueChart::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

void ErrorValueChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Geometry g = geometry();
    const QPalette& pal = palette();
    const QFontMetricsF fm(font());

    p.setPen(pal.color(QPalette::Text));
    p.drawText(QRectF(Margin, Margin, width() - 2 * Margin, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               m_caption);

    // Grid lines and their values.
    for (int v = 0; v <= g.axisMax; v += g.step) {
        const double y = g.plot.bottom() - g.plot.height() * v / g.axisMax;
        p.setPen(QPen(v == 0 ? pal.color(QPalette::Text) : pal.color(QPalette::Midlight), 1));
        p.drawLine(QPointF(g.plot.left(), y), QPointF(g.plot.right(), y));
        p.setPen(pal.color(QPalette::PlaceholderText));
        p.drawText(QRectF(0, y - fm.height() / 2, g.plot.left() - Margin, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }

    p.setFont(labelFont());
    for (const Bar& bar : bars()) {
        p.setPen(bar.kept ? bar.colour : bar.colour.darker(125));
        p.setBrush(bar.colour);
        if (bar.rect.height() > 0)
            p.drawRect(bar.rect);
        // Kept numbers stand out as balls in their wave colour; filtered-out ones in grey text.
        if (bar.kept) {
            p.drawEllipse(bar.label);
            p.setPen(Qt::white);
        } else {
            p.setPen(QColor(128, 128, 128));
        }
        p.drawText(bar.label, Qt::AlignCenter, u"%1"_s.arg(bar.number, 2, 10, QLatin1Char('0')));
    }
}

} // namespace talven
