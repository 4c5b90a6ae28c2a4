#pragma once

#include "evaluation/Figures.h"
#include "evaluation/FormulaStatistics.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace talven {

// The formula filter: ten ranges over the figures of the formula list. A shown formula whose
// figure lies outside any range loses its selection; the filter never selects a formula.
namespace FormulaFilter {

// The figures every filter applies, in the table's order: the five figures, then the five
// per-number figures.
using Figure = Figures::Figure;
inline constexpr int FigureCount = Figures::rangedCount;

struct Range {
    double lower = 0;
    double upper = 0;
};
using Ranges = std::array<Range, FigureCount>;

struct BoundTexts {
    QString lower;
    QString upper;
};
using Bounds = std::array<BoundTexts, FigureCount>;

// The smallest and largest value of every figure over the given formulas (ordinals into
// figures, 1-based), written so that each text reads back as exactly that value; "0" when none.
Bounds bounds(const std::vector<FormulaFigures>& figures, const QList<int>& ordinals);
// The shortest text of at least seven significant digits that reads back as the same float.
QString floatText(float value);

// The leading number of a typed bound ("50%" reads 50, full-width digits too); none when the
// text does not begin with a number.
std::optional<double> parseBound(const QString& text);

// True when the figure lies in the range; fractional figures compare as single floats.
inline bool inRange(const FormulaFigures& figures, int figure, const Range& range) {
    const double value = Figures::recordValue(figures, static_cast<Figure>(figure));
    if (Figures::isFractional(static_cast<Figure>(figure))) {
        const auto v = static_cast<float>(value);
        return v >= static_cast<float>(range.lower) && v <= static_cast<float>(range.upper);
    }
    return value >= range.lower && value <= range.upper;
}
// The selection (by ordinal - 1) after filtering the given ordinals; others keep their flag.
std::vector<bool> apply(std::vector<bool> selection, const std::vector<FormulaFigures>& figures,
                        const Ranges& ranges, const QList<int>& ordinals);

// The optional range on one recent accuracy (over the newest 10, 30 or 100 judged draws):
// recents[ordinal - 1] is each formula's value; shown formulas outside the range lose their
// selection.
std::vector<bool> applyRecent(std::vector<bool> selection, const std::vector<float>& recents,
                              const Range& range, const QList<int>& ordinals);
// The smallest and largest of the values of the given ordinals, as texts that read back exactly.
BoundTexts recentBounds(const std::vector<float>& recents, const QList<int>& ordinals);

// A recent accuracy inside its range, compared as single floats.
bool inRecentRange(float recent, const Range& range);
// A z-score inside its range (bounds inclusive); a formula without one is outside.
bool inZRange(std::optional<double> z, const Range& range);

// The optional range on the z-score (标准分), zs[ordinal - 1] each formula's: shown formulas
// outside the range, and those without a z-score, lose their selection. Bounds are inclusive.
std::vector<bool> applyZ(std::vector<bool> selection, const std::vector<std::optional<double>>& zs,
                         const Range& range, const QList<int>& ordinals);
// Two-decimal bounds that take in every z-score of the given ordinals; "0" when none has one.
BoundTexts zBounds(const std::vector<std::optional<double>>& zs, const QList<int>& ordinals);

// The recent-accuracy range of the filter window: the accuracy over the newest `window` judged draws.
struct RecentRange {
    int window = 10;
    Range range;
};

// Everything "确定" applies: the ten ranges, then the recent-accuracy and z-score ranges when ticked.
struct Criteria {
    Ranges ranges;
    std::optional<RecentRange> recent;
    std::optional<Range> z;

    // Ten ranges that every figure lies in, and neither optional range.
    static Criteria unbounded();
};

// True when a selected formula with these figures stays selected under the criteria. recent is its
// accuracy over the criteria's recent window (read only when that range is on), z its z-score.
bool passes(const Criteria& criteria, const FormulaFigures& figures, float recent, std::optional<double> z);

} // namespace FormulaFilter

} // namespace talven
