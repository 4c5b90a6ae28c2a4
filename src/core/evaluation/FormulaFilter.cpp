#include "FormulaFilter.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace talven::FormulaFilter {

namespace {

QString valueText(int figure, double value) {
    return Figures::isFractional(static_cast<Figure>(figure)) ? floatText(static_cast<float>(value))
                                                              : QString::number(static_cast<qint64>(value));
}

} // namespace

QString floatText(float value) {
    // Seven digits are what the list shows; a few floats need eight or nine to read back exactly.
    for (int digits = 7; digits < 9; ++digits) {
        const QString text = QString::number(static_cast<double>(value), 'g', digits);
        if (static_cast<float>(text.toDouble()) == value)
            return text;
    }
    return QString::number(static_cast<double>(value), 'g', 9);
}

Bounds bounds(const std::vector<FormulaFigures>& figures, const QList<int>& ordinals) {
    Bounds out;
    for (int figure = 0; figure < FigureCount; ++figure) {
        std::optional<double> low, high;
        for (int ordinal : ordinals) {
            if (ordinal < 1 || ordinal > static_cast<int>(figures.size()))
                continue;
            const double v =
                Figures::recordValue(figures[static_cast<size_t>(ordinal - 1)], static_cast<Figure>(figure));
            low = low ? std::min(*low, v) : v;
            high = high ? std::max(*high, v) : v;
        }
        out[static_cast<size_t>(figure)] = {valueText(figure, low.value_or(0)),
                                            valueText(figure, high.value_or(0))};
    }
    return out;
}

std::optional<double> parseBound(const QString& text) {
    static const QRegularExpression leadingNumber(u"^\\s*[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?"_s);
    // Compatibility folding turns full-width digits, point and minus into their ASCII forms.
    const QRegularExpressionMatch match = leadingNumber.match(text.normalized(QString::NormalizationForm_KC));
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = match.captured().trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::vector<bool> apply(std::vector<bool> selection, const std::vector<FormulaFigures>& figures,
                        const Ranges& ranges, const QList<int>& ordinals) {
    const int count = static_cast<int>(std::min(selection.size(), figures.size()));
    for (int ordinal : ordinals) {
        if (ordinal < 1 || ordinal > count)
            continue;
        const FormulaFigures& f = figures[static_cast<size_t>(ordinal - 1)];
        for (int figure = 0; figure < FigureCount; ++figure)
            if (!inRange(f, figure, ranges[static_cast<size_t>(figure)]))
                selection[static_cast<size_t>(ordinal - 1)] = false;
    }
    return selection;
}

bool inRecentRange(float recent, const Range& range) {
    return recent >= static_cast<float>(range.lower) && recent <= static_cast<float>(range.upper);
}

bool inZRange(std::optional<double> z, const Range& range) {
    return z && *z >= range.lower && *z <= range.upper;
}

std::vector<bool> applyRecent(std::vector<bool> selection, const std::vector<float>& recents,
                              const Range& range, const QList<int>& ordinals) {
    const int count = static_cast<int>(std::min(selection.size(), recents.size()));
    for (int ordinal : ordinals) {
        if (ordinal < 1 || ordinal > count)
            continue;
        if (!inRecentRange(recents[static_cast<size_t>(ordinal - 1)], range))
            selection[static_cast<size_t>(ordinal - 1)] = false;
    }
    return selection;
}

BoundTexts recentBounds(const std::vector<float>& recents, const QList<int>& ordinals) {
    std::optional<float> low, high;
    for (int ordinal : ordinals) {
        if (ordinal < 1 || ordinal > static_cast<int>(recents.size()))
            continue;
        const float v = recents[static_cast<size_t>(ordinal - 1)];
        low = low ? std::min(*low, v) : v;
        high = high ? std::max(*high, v) : v;
    }
    return {floatText(low.value_or(0)), floatText(high.value_or(0))};
}

std::vector<bool> applyZ(std::vector<bool> selection, const std::vector<std::optional<double>>& zs,
                         const Range& range, const QList<int>& ordinals) {
    const int count = static_cast<int>(std::min(selection.size(), zs.size()));
    for (int ordinal : ordinals) {
        if (ordinal < 1 || ordinal > count)
            continue;
        if (!inZRange(zs[static_cast<size_t>(ordinal - 1)], range))
            selection[static_cast<size_t>(ordinal - 1)] = false;
    }
    return selection;
}

BoundTexts zBounds(const std::vector<std::optional<double>>& zs, const QList<int>& ordinals) {
    std::optional<double> low, high;
    for (int ordinal : ordinals) {
        if (ordinal < 1 || ordinal > static_cast<int>(zs.size()))
            continue;
        if (const std::optional<double>& z = zs[static_cast<size_t>(ordinal - 1)]) {
            low = low ? std::min(*low, *z) : *z;
            high = high ? std::max(*high, *z) : *z;
        }
    }
    if (!low)
        return {u"0"_s, u"0"_s};
    // Outward to two decimals, so that the shown bounds keep every formula in.
    return {twoDecimals(std::floor(*low * 100) / 100), twoDecimals(std::ceil(*high * 100) / 100)};
}

Criteria Criteria::unbounded() {
    Criteria c;
    for (Range& r : c.ranges)
        r = {-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    return c;
}

bool passes(const Criteria& criteria, const FormulaFigures& figures, float recent, std::optional<double> z) {
    // The order of "确定": the ten ranges, then the recent accuracy, then the z-score.
    for (int figure = 0; figure < FigureCount; ++figure)
        if (!inRange(figures, figure, criteria.ranges[static_cast<size_t>(figure)]))
            return false;
    if (criteria.recent && !inRecentRange(recent, criteria.recent->range))
        return false;
    return !criteria.z || inZRange(z, *criteria.z);
}

} // namespace talven::FormulaFilter
