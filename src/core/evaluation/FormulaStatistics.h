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

// Accuracy over the newest judged draws: hits among the last `window` draws that had a prediction
// (the first draw never has one), as a percentage; a shorter history counts all its judged draws.
struct RecentAccuracy {
    int hits = 0;
    int draws = 0;
    float accuracy = 0;
};
RecentAccuracy recentAccuracy(const std::vector<std::uint8_t>& flags, int window);

// The record of a formula over its newest judged draws, oldest first: right or wrong at each, the
// longest runs of hits and of misses among them and the run it is in now, and its accuracy over
// the `window` judged draws that end at each of them (fewer at the start of the history).
struct HitHistory {
    int firstDraw = 0;      // index in the history of the first draw shown
    std::vector<bool> hits; // one per draw shown
    struct Run {
        int start = 0; // position in `hits`
        int length = 0;
        bool hit = false;
    };
    Run longestHitRun;
    Run longestMissRun;
    Run currentRun;
    std::vector<float> rolling10, rolling30, rolling100; // one per draw shown
};
HitHistory hitHistory(const std::vector<std::uint8_t>& flags, int last);

// A figure as the formula list shows it: at most seven significant digits, no trailing zeros
// (71.42857, 12.5, 0).
QString figureText(float value);

} // namespace talven
