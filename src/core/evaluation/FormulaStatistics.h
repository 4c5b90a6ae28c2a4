#pragma once

#include <QString>

#include <cstdint>
#include <optional>
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

// What chance alone would give a formula's predictions: at each judged draw (every draw but the
// history's first), the share p = c / N of the numbers 1..N that, drawn as that draw's special
// number, would have made the prediction right (0 without a prediction). Kept as whole sums so that
// a draw can be added or taken away exactly.
struct ChanceSums {
    int largest = 0;         // N
    int draws = 0;           // judged draws
    std::int64_t wins = 0;   // sum of c
    std::int64_t spread = 0; // sum of c (N - c), N squared times the variance of the hits

    void add(int winning) {
        ++draws;
        wins += winning;
        spread += std::int64_t(winning) * (largest - winning);
    }
    void remove(int winning) {
        --draws;
        wins -= winning;
        spread -= std::int64_t(winning) * (largest - winning);
    }
    bool operator==(const ChanceSums&) const = default;
};

// The record against chance: 随机水平 (the mean p in percent), 超出随机 (the accuracy over the same
// draws minus that, in percentage points) and 标准分 (hits minus the expected hits, in standard
// deviations). None without a judged draw; no z when chance leaves no doubt (every p is 0 or 1).
struct ChanceFigures {
    bool valid = false;
    double chance = 0;
    double edge = 0;
    std::optional<double> z;
};
ChanceFigures chanceFigures(const ChanceSums& sums, int hits);
// The two-decimal texts every output shows: "97.96%", "-0.34", "-1.40"; empty when absent.
QString chanceText(const ChanceFigures& figures);
QString edgeText(const ChanceFigures& figures);
QString zText(const ChanceFigures& figures);
// A value with two decimals, never "-0.00".
QString twoDecimals(double value);
// The value a two-decimal text shows, for the JSON outputs.
double twoDecimalValue(double value);
// The one line of the record strip and the live preview:
// "正确率 97.62%，随机水平 97.96%，低于随机 0.34 个百分点，标准分 -1.40".
QString chanceLine(const ChanceFigures& figures);

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
