#include "FormulaStatistics.h"

#include "formula/FormulaKinds.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven {

void FormulaFigures::add(bool hit) {
    if (hit) {
        currentMissRun = 0;
        ++hits;
        ++currentHitRun;
        longestHitRun = std::max(longestHitRun, currentHitRun);
    } else {
        currentHitRun = 0;
        ++currentMissRun;
        longestMissRun = std::max(longestMissRun, currentMissRun);
    }
}

void FormulaFigures::finish(int kind, bool kill, int drawCount) {
    // Single-precision arithmetic throughout, as the figures are shown from single floats.
    accuracy = drawCount > 0 ? static_cast<float>(hits) / static_cast<float>(drawCount) * 100.0f : 0.0f;
    const auto runs = [this](auto scale) {
        perNumberLongestMiss = scale(longestMissRun);
        perNumberLongestHit = scale(longestHitRun);
        perNumberCurrentMiss = scale(currentMissRun);
        perNumberCurrentHit = scale(currentHitRun);
    };
    if (!FormulaKinds::isValid(kind) || drawCount <= 0) {
        runs([](int) { return 0.0f; });
        perNumberAccuracy = 0;
        return;
    }
    const int k = FormulaKinds::kind(kind).factor;
    if (kind == 0 || k == 0) {
        runs([](int run) { return static_cast<float>(run); });
        perNumberAccuracy = accuracy;
    } else if (!kill) {
        runs([k](int run) { return static_cast<float>(run) / static_cast<float>(k); });
        perNumberAccuracy = accuracy / static_cast<float>(k);
    } else {
        // The product is an exact integer; it is not cut to 16 bits.
        runs([k](int run) { return static_cast<float>(run * k); });
        perNumberAccuracy = (100.0f - accuracy) * static_cast<float>(k);
    }
}

QString FormulaFigures::accuracyText(int drawCount) const {
    return figureText(accuracy) + u"% ("_s + QString::number(hits) + u"/"_s + QString::number(drawCount) +
           u")"_s;
}

QString FormulaFigures::perNumberAccuracyText() const {
    return figureText(perNumberAccuracy) + u"%"_s;
}

FormulaFigures figuresOf(const std::vector<std::uint8_t>& flags, int kind, bool kill) {
    FormulaFigures f;
    for (std::uint8_t flag : flags)
        f.add(flag != 0);
    f.finish(kind, kill, static_cast<int>(flags.size()));
    return f;
}

QString figureText(float value) {
    return QString::number(static_cast<double>(value), 'g', 7);
}

} // namespace talven
