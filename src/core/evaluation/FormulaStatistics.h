#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace talven {

// The ten figures of one formula over the history's hit flags: hits and runs, accuracy, and the
// same scaled per number by the kind's factor K.
struct FormulaFigures {
    int hits = 0;
    int longestMissRun = 0; // 最大连错
    int longestHitRun = 0;  // 最大连对
    int currentMissRun = 0; // 最后连错
    int currentHitRun = 0;  // 最后连对
    float accuracy = 0;     // 正确率, hits / draw count * 100
    float perNumberAccuracy = 0;
    float perNumberLongestMiss = 0;
    float perNumberLongestHit = 0;
    float perNumberCurrentMiss = 0;
    float perNumberCurrentHit = 0;

    // Counts the flag of the next draw (oldest first) into hits and runs.
    void add(bool hit);
    // Accuracy and per-number figures for the draw count, by the formula's kind and kill flag:
    // kind 0 copies, a keep formula divides by K, a kill formula multiplies by K and takes the
    // per-number accuracy from the misses. A kind outside 0..15 and an empty history give 0.
    void finish(int kind, bool kill, int drawCount);

    // "62.5% (25/40)"
    QString accuracyText(int drawCount) const;
    // "5.208333%"
    QString perNumberAccuracyText() const;

    bool operator==(const FormulaFigures&) const = default;
};

// The figures of a whole run of flags (1 = right), oldest first.
FormulaFigures figuresOf(const std::vector<std::uint8_t>& flags, int kind, bool kill);

// A figure as the formula list shows it: at most seven significant digits, no trailing zeros
// (71.42857, 12.5, 0).
QString figureText(float value);

} // namespace talven
