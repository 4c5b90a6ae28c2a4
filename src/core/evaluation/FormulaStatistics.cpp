#include "FormulaStatistics.h"

#include "common/FormulaKind.h"

#include <algorithm>
#include <cmath>

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
    if (!isFormulaKind(kind) || drawCount <= 0) {
        runs([](int) { return 0.0f; });
        perNumberAccuracy = 0;
        return;
    }
    const int k = formulaKindInfo(static_cast<FormulaKind>(kind)).factor;
    if (kind == maTypeOf(FormulaKind::SpecialNumber) || k == 0) {
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

RecentAccuracy recentAccuracy(const std::vector<std::uint8_t>& flags, int window) {
    RecentAccuracy r;
    const int judged = std::max(0, static_cast<int>(flags.size()) - 1);
    r.draws = std::clamp(window, 0, judged);
    for (size_t d = flags.size() - static_cast<size_t>(r.draws); d < flags.size(); ++d)
        r.hits += flags[d] != 0;
    r.accuracy = r.draws > 0 ? static_cast<float>(r.hits) / static_cast<float>(r.draws) * 100.0f : 0.0f;
    return r;
}

HitHistory hitHistory(const std::vector<std::uint8_t>& flags, int last) {
    HitHistory h;
    const int judged = std::max(0, static_cast<int>(flags.size()) - 1);
    const int shown = std::clamp(last, 0, judged);
    h.firstDraw = static_cast<int>(flags.size()) - shown;
    // Running hit counts over the judged draws, so that every window's accuracy is one subtraction.
    std::vector<int> before(flags.size() + 1, 0);
    for (size_t d = 1; d < flags.size(); ++d)
        before[d + 1] = before[d] + (flags[d] != 0);
    auto rolling = [&](int window, size_t d) {
        const size_t from = std::max<size_t>(1, d + 1 >= static_cast<size_t>(window) ? d + 1 - window : 1);
        const int count = static_cast<int>(d + 1 - from);
        return count > 0
                   ? static_cast<float>(before[d + 1] - before[from]) / static_cast<float>(count) * 100.0f
                   : 0.0f;
    };
    HitHistory::Run run;
    for (int i = 0; i < shown; ++i) {
        const size_t d = static_cast<size_t>(h.firstDraw + i);
        const bool hit = flags[d] != 0;
        h.hits.push_back(hit);
        h.rolling10.push_back(rolling(10, d));
        h.rolling30.push_back(rolling(30, d));
        h.rolling100.push_back(rolling(100, d));
        if (i == 0 || hit != run.hit)
            run = {i, 0, hit};
        ++run.length;
        HitHistory::Run& longest = hit ? h.longestHitRun : h.longestMissRun;
        if (run.length > longest.length)
            longest = run;
    }
    h.currentRun = run;
    return h;
}

ChanceFigures chanceFigures(const ChanceSums& s, int hits) {
    ChanceFigures f;
    if (s.draws <= 0 || s.largest <= 0)
        return f;
    const double n = s.largest;
    f.valid = true;
    f.chance = double(s.wins) / n / s.draws * 100.0;
    f.edge = double(hits) / s.draws * 100.0 - f.chance;
    // (hits - sum p) / sqrt(sum p (1 - p)), multiplied through by N.
    if (s.spread > 0)
        f.z = (double(hits) * n - double(s.wins)) / std::sqrt(double(s.spread));
    return f;
}

QString twoDecimals(double value) {
    // No "-0.00" for a value that rounds to zero from below.
    const QString text = QString::number(value, 'f', 2);
    return text == u"-0.00"_s ? u"0.00"_s : text;
}

double twoDecimalValue(double value) {
    return twoDecimals(value).toDouble();
}

QString chanceText(const ChanceFigures& f) {
    return f.valid ? twoDecimals(f.chance) + u"%"_s : QString();
}

QString edgeText(const ChanceFigures& f) {
    return f.valid ? twoDecimals(f.edge) : QString();
}

QString zText(const ChanceFigures& f) {
    return f.z ? twoDecimals(*f.z) : QString();
}

QString chanceLine(const ChanceFigures& f) {
    if (!f.valid)
        return QString();
    const double accuracy = f.chance + f.edge;
    QString line = u"正确率 %1%，随机水平 %2"_s.arg(twoDecimals(accuracy), chanceText(f));
    const QString edge = twoDecimals(std::abs(f.edge));
    if (edge == u"0.00"_s)
        line += u"，与随机持平"_s;
    else
        line += (f.edge > 0 ? u"，高于随机 %1 个百分点"_s : u"，低于随机 %1 个百分点"_s).arg(edge);
    if (f.z)
        line += u"，标准分 "_s + zText(f);
    return line;
}

QString figureText(float value) {
    return QString::number(static_cast<double>(value), 'g', 7);
}

} // namespace talven
