#pragma once

#include "common/Options.h"
#include "lottery/DrawColumns.h"

#include <QList>
#include <QString>

#include <array>
#include <vector>

namespace talven {

// The attributes of the numbers for one current year and one set of options: zodiac, wave and
// element tables, the codes written into draws, draw sums and period values.
class NumberModel {
public:
    // A current year of 0 (or below) means "not known yet" (empty history): the element table is
    // then the fixed default and zodiac attribute codes follow the order codes.
    NumberModel(const Options& options, int currentYear);

    const Options& options() const { return m_options; }
    int currentYear() const { return m_currentYear; }
    bool hasCurrentYear() const { return m_currentYear > 0; }

    // Zodiac index k = 0..11: 鼠 牛 虎 兔 龙 蛇 马 羊 猴 鸡 狗 猪.
    static QString zodiacName(int k);
    // Wave 0..2: 红 蓝 绿.
    static QString waveName(int wave);
    // Element 0..4: 金 木 水 火 土.
    static QString elementName(int element);
    static bool isDomestic(int zodiac); // 家畜: 牛 马 羊 鸡 狗 猪

    int orderCode(int zodiac) const;     // zodiac base + k
    int attributeCode(int zodiac) const; // by order or by age of the current year
    // The zodiac whose attribute code, taken mod 12, equals code mod 12; -1 when none does.
    int zodiacOfAttributeCode(int code) const;

    // Zodiac index of number n in year y (base list (y - 1972 - k) mod 12, non-negative);
    // numbers in no list (0, above 49) get 猪.
    static int zodiacOf(int n, int year);
    static QString zodiacList(int zodiac, int year);       // "01、13、25、37、49"
    static QList<int> zodiacNumbers(int zodiac, int year); // ascending

    static int waveOf(int n); // 0 red, 1 blue, 2 green (also for 0 and numbers above 49)
    int waveCode(int n) const { return m_options.bsIni + waveOf(n); }
    // Numbers of a wave in ascending order (17 slots, 0 in empty ones).
    static const std::array<std::array<int, 17>, 3>& waveTable();

    // Element 0..4 of number n in the current year's lists; 土 for numbers in no list.
    int elementOf(int n) const;
    int elementCode(int n) const { return m_options.wxIni + elementOf(n); }
    QString elementList(int element) const;       // "07|08|15|..."
    QList<int> elementNumbers(int element) const; // ascending
    // Element of a base year of the 60-year cycle, for any year (non-negative remainders).
    static int elementOfYear(int year);

    // Value of attribute letter A..Q (no O) of number n, the zodiac taken from the lists of year
    // zodiacYear. The stored letters are A B C D G H I J; E F K L M N P Q are the values their
    // formula expansions give (true counted as 1 where the expansion negates a comparison).
    // -1 for any other letter.
    int attribute(int n, char letter, int zodiacYear) const;

    // All stored columns of a draw: numbers in drawn order (six flat, then the special number),
    // zodiac lists of the period's own year. The following-draw columns describe period + 1.
    DrawValues computeDraw(int period, const std::array<int, 7>& numbers) const;

    // QHH of a period: all seven digits when allDigits, else the last three.
    static int periodDigitSum(int period, bool allDigits);

private:
    Options m_options;
    int m_currentYear;
    std::array<int, 12> m_attributeCodes{};
    std::array<int, 100> m_elementOf{}; // number 0..99 -> element
};

// The current year a history implies: the year of the period after its newest draw; this year for
// an empty history.
int currentYearOf(const std::vector<DrawValues>& draws);

// Every draw as an import under this model writes it: each row but the newest also describes the
// draw after it.
std::vector<DrawValues> computeDraws(const NumberModel& model, const std::vector<DrawValues>& draws);

} // namespace talven
