#pragma once

#include "lottery/NumberModel.h"

#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace talven {

// What a formula predicts for the draw after the one its parameter was computed on.
// value by kind: SpecialNumber the number; Zodiac, ZodiacPosition r(12); Head r(5); Tail r(10);
// DigitSum a digit sum; OddEven, SumOddEven r(2); DomesticWild 1 for 家畜 and 0 for 野兽; HalfWave,
// Wave the wave 0..2 (红 蓝 绿); Segment the segment; BigSmall, HalfOddEven 1 for big and 0 for
// small; Element the element 0..4 (金 木 水 火 土); HalfHead the half head r(10) \ 2.
struct KindPrediction {
    bool valid = false; // false when there is no parameter (first draw, empty parameter)
    int value = 0;      // V of the kind
    int parity = 0;     // r(2), the second component of HalfWave, HalfOddEven and HalfHead

    bool operator==(const KindPrediction&) const = default;
};

// The special number of a judged draw, as stored: L7A, L7B, L7C, L7D.
struct SpecialNumber {
    int number = 0;
    int zodiacCode = 0;
    int waveCode = 0;
    int elementCode = 0;
};

// One rule per formula kind, shared by the back-test, the list's next-period result and the
// prediction: the parameter p rounded half to even, r(m) its non-negative remainder by m,
// num = r(N) with 0 read as N.
class KindRules {
public:
    explicit KindRules(const NumberModel& model);

    // judgedYear: the year of the draw being predicted (DomesticWild takes its zodiac from it).
    // A NaN parameter is an empty one; an infinite one cannot be reduced; both give no prediction.
    KindPrediction predict(int kind, double parameter, int judgedYear) const;
    // A kind's prediction depends on the rounded parameter only through its remainder by this
    // number (and on the year): the whole values 0 .. period - 1 stand for every parameter.
    int period(int kind) const;
    bool keepRight(int kind, const KindPrediction& prediction, const SpecialNumber& special) const;
    // Right in the formula's own sense; never right without a valid prediction.
    bool right(int kind, bool kill, const KindPrediction& prediction, const SpecialNumber& special) const {
        if (!prediction.valid)
            return false;
        return keepRight(kind, prediction, special) != kill;
    }
    // Predicted value as the history grid shows it (17, 鼠, 红单, 小双, 3头单, 家畜); empty when invalid.
    QString valueText(int kind, const KindPrediction& prediction) const;
    // Next-period result words of the formula list (码单, 和双, 牲畜, 码大, 49 ...); empty when invalid.
    QString resultText(int kind, const KindPrediction& prediction) const;
    // The special number n as the current year's model would store it.
    SpecialNumber specialOf(int n) const;
    // The special number n as an import under this model stores it for a draw of `year`.
    SpecialNumber specialOf(int n, int year) const;
    // How many of the numbers 1..N, drawn as the special number of a draw of `year`, would make
    // the prediction right in the formula's own sense; 0 without a valid prediction.
    int winningCount(int kind, bool kill, const KindPrediction& prediction, int year) const {
        if (!prediction.valid)
            return 0;
        const int keep = keepCount(kind, prediction, year);
        return kill ? m_bit - keep : keep;
    }
    int largestNumber() const { return m_bit; }
    // The numbers 1..N for which a keep formula would be right if n were the special number.
    QList<int> keepClass(int kind, const KindPrediction& prediction) const;

    const NumberModel& model() const { return m_model; }

private:
    int waveOf(int n) const;
    int elementOf(int n) const;
    int zodiacOf(int n, int year) const;
    QString numberText(int v) const;
    int keepCount(int kind, const KindPrediction& prediction, int year) const;
    int countKeepRight(int kind, const KindPrediction& prediction, int year) const;

    NumberModel m_model;
    int m_bit;
    // Attributes of the numbers 0..max(N, 49), looked up in the hot loop of the back-test.
    std::vector<signed char> m_wave;
    std::vector<signed char> m_element;
    // Zodiac of each number by the year's remainder mod 12 (the lists repeat every twelve years).
    std::array<std::vector<signed char>, 12> m_zodiacByYear;
    // Zodiac of each attribute code mod 12 (-1 when none), for the stored L7B.
    std::array<signed char, 12> m_zodiacOfCode{};
    // Keep counts of every prediction a kind makes, looked up per judged draw: by kind, then the
    // year's remainder mod 12 for the kinds the zodiac decides (one slot for the others), then
    // value * 2 + parity.
    struct CountTable {
        int offset = 0;
        int years = 1;
        int values = 0;
    };
    std::array<CountTable, 16> m_countTables{};
    std::vector<std::uint16_t> m_keepCounts;
    // Shared texts of small numbers so that the history grid does not allocate per cell.
    std::vector<QString> m_numberTexts;
};

} // namespace talven
