#include "KindRules.h"

#include "common/FormulaKind.h"
#include "evaluation/Rounding.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

int digitSum(int n) {
    return n / 10 + n % 10;
}

// Interned texts of the kinds whose values are names, so that no cell builds its own string.
struct KindTexts {
    std::array<QString, 12> zodiac;
    std::array<QString, 3> wave;
    std::array<QString, 5> element;
    std::array<QString, 2> parity;      // 双 单
    std::array<QString, 2> digitParity; // 合双 合单
    std::array<QString, 2> bigSmall;    // 小 大
    std::array<QString, 2> group;       // 野兽 家畜
    std::array<QString, 6> halfWave;    // 红双 红单 蓝双 ...
    std::array<QString, 4> halfParity;  // 小双 小单 大双 大单
    std::array<QString, 10> halfHead;   // 0头双 0头单 1头双 ...
    // Words of the formula list's next-period result where they differ from the values.
    std::array<QString, 2> resultParity;      // 码双 码单
    std::array<QString, 2> resultDigitParity; // 和双 和单
    std::array<QString, 2> resultBigSmall;    // 码小 码大
    std::array<QString, 2> resultGroup;       // 野兽 牲畜
};

const KindTexts& texts() {
    static const KindTexts t = [] {
        KindTexts k;
        for (int i = 0; i < 12; ++i)
            k.zodiac[i] = NumberModel::zodiacName(i);
        for (int i = 0; i < 3; ++i)
            k.wave[i] = NumberModel::waveName(i);
        for (int i = 0; i < 5; ++i)
            k.element[i] = NumberModel::elementName(i);
        k.parity = {u"双"_s, u"单"_s};
        k.digitParity = {u"合双"_s, u"合单"_s};
        k.bigSmall = {u"小"_s, u"大"_s};
        k.group = {u"野兽"_s, u"家畜"_s};
        for (int w = 0; w < 3; ++w)
            for (int par = 0; par < 2; ++par)
                k.halfWave[w * 2 + par] = k.wave[w] + k.parity[par];
        for (int big = 0; big < 2; ++big)
            for (int par = 0; par < 2; ++par)
                k.halfParity[big * 2 + par] = k.bigSmall[big] + k.parity[par];
        for (int h = 0; h < 5; ++h)
            for (int par = 0; par < 2; ++par)
                k.halfHead[h * 2 + par] = QString::number(h) + u"头"_s + k.parity[par];
        k.resultParity = {u"码双"_s, u"码单"_s};
        k.resultDigitParity = {u"和双"_s, u"和单"_s};
        k.resultBigSmall = {u"码小"_s, u"码大"_s};
        k.resultGroup = {u"野兽"_s, u"牲畜"_s};
        return k;
    }();
    return t;
}

} // namespace

KindRules::KindRules(const NumberModel& model) : m_model(model), m_bit(std::max(1, model.options().bit)) {
    const int size = std::max(m_bit, 49) + 2;
    m_wave.resize(size);
    m_element.resize(size);
    for (int n = 0; n < size; ++n) {
        m_wave[n] = static_cast<signed char>(NumberModel::waveOf(n));
        m_element[n] = static_cast<signed char>(m_model.elementOf(n));
    }
    // 2400 is a multiple of 12, so year 2400 + r stands for every year with remainder r.
    for (int r = 0; r < 12; ++r) {
        m_zodiacByYear[r].resize(size);
        for (int n = 0; n < size; ++n)
            m_zodiacByYear[r][n] = static_cast<signed char>(NumberModel::zodiacOf(n, 2400 + r));
    }
    for (int code = 0; code < 12; ++code)
        m_zodiacOfCode[code] = static_cast<signed char>(m_model.zodiacOfAttributeCode(code));
    m_numberTexts.reserve(size + 1);
    for (int v = 0; v <= size; ++v)
        m_numberTexts.push_back(QString::number(v));

    // Every value a kind predicts lies below its bound: the number itself up to N, digit sums up
    // to 18, the other kinds' remainders and names below 13. A value beyond is counted directly.
    int offset = 0;
    for (int kind = 0; kind < static_cast<int>(m_countTables.size()); ++kind) {
        CountTable& t = m_countTables[static_cast<size_t>(kind)];
        t.offset = offset;
        t.years = kind == 1 || kind == 7 ? 12 : 1;
        t.values = kind == 0 ? m_bit + 2 : kind == 4 ? 19 : 13;
        offset += t.years * t.values * 2;
    }
    m_keepCounts.resize(static_cast<size_t>(offset));
    for (int kind = 0; kind < static_cast<int>(m_countTables.size()); ++kind) {
        const CountTable& t = m_countTables[static_cast<size_t>(kind)];
        for (int y = 0; y < t.years; ++y)
            for (int v = 0; v < t.values; ++v)
                for (int parity = 0; parity < 2; ++parity)
                    m_keepCounts[static_cast<size_t>(t.offset + (y * t.values + v) * 2 + parity)] =
                        static_cast<std::uint16_t>(countKeepRight(kind, {true, v, parity}, 2400 + y));
    }
}

int KindRules::waveOf(int n) const {
    return n >= 0 && n < static_cast<int>(m_wave.size()) ? m_wave[n] : NumberModel::waveOf(n);
}

int KindRules::elementOf(int n) const {
    return n >= 0 && n < static_cast<int>(m_element.size()) ? m_element[n] : m_model.elementOf(n);
}

int KindRules::zodiacOf(int n, int year) const {
    const auto& table = m_zodiacByYear[static_cast<size_t>(((year % 12) + 12) % 12)];
    return n >= 0 && n < static_cast<int>(table.size()) ? table[n] : NumberModel::zodiacOf(n, year);
}

QString KindRules::numberText(int v) const {
    return v >= 0 && v < static_cast<int>(m_numberTexts.size()) ? m_numberTexts[v] : QString::number(v);
}

int KindRules::period(int kind) const {
    switch (static_cast<FormulaKind>(kind)) {
    case FormulaKind::Zodiac:
    case FormulaKind::ZodiacPosition:
        return 12;
    case FormulaKind::Head:
        return 5;
    case FormulaKind::Tail:
    case FormulaKind::HalfHead:
        return 10;
    case FormulaKind::OddEven:
    case FormulaKind::SumOddEven:
    case FormulaKind::BigSmall:
        return 2;
    case FormulaKind::HalfWave:
        return m_bit % 2 == 0 ? m_bit : 2 * m_bit;
    case FormulaKind::Segment:
        return 7;
    case FormulaKind::HalfOddEven:
        return 4;
    default:
        return m_bit;
    }
}

KindPrediction KindRules::predict(int kind, double parameter, int judgedYear) const {
    if (!isFormulaKind(kind) || !std::isfinite(parameter))
        return {};
    // The default floating-point rounding mode rounds halves to the even neighbour.
    const double p = roundHalfEven(parameter);
    const int rn = wholeRemainder(p, m_bit);
    const int num = rn == 0 ? m_bit : rn;
    const Options& o = m_model.options();
    KindPrediction pr;
    pr.valid = true;
    switch (static_cast<FormulaKind>(kind)) {
    case FormulaKind::SpecialNumber:
        pr.value = o.maAddIni ? rn + 1 : num;
        break;
    case FormulaKind::Zodiac:
    case FormulaKind::ZodiacPosition:
        pr.value = wholeRemainder(p, 12);
        break;
    case FormulaKind::Head:
        pr.value = wholeRemainder(p, 5);
        break;
    case FormulaKind::Tail:
        pr.value = wholeRemainder(p, 10);
        break;
    case FormulaKind::DigitSum:
        pr.value = digitSum(num);
        break;
    case FormulaKind::OddEven:
    case FormulaKind::SumOddEven:
    case FormulaKind::BigSmall:
        pr.value = wholeRemainder(p, 2);
        break;
    case FormulaKind::DomesticWild:
        pr.value = NumberModel::isDomestic(zodiacOf(num, judgedYear)) ? 1 : 0;
        break;
    case FormulaKind::HalfWave:
        pr.value = waveOf(num);
        pr.parity = wholeRemainder(p, 2);
        break;
    case FormulaKind::Segment: {
        const int r7 = wholeRemainder(p, 7);
        pr.value = o.dsIni != 0 && r7 == 0 ? 7 : r7;
        break;
    }
    case FormulaKind::Wave:
        pr.value = waveOf(num);
        break;
    case FormulaKind::Element:
        pr.value = elementOf(num);
        break;
    case FormulaKind::HalfOddEven:
        pr.value = wholeRemainder(p, 4) >= 2 ? 1 : 0;
        pr.parity = wholeRemainder(p, 2);
        break;
    case FormulaKind::HalfHead:
        pr.value = wholeRemainder(p, 10) / 2;
        pr.parity = wholeRemainder(p, 2);
        break;
    }
    return pr;
}

bool KindRules::keepRight(int kind, const KindPrediction& pr, const SpecialNumber& sp) const {
    if (!pr.valid)
        return false;
    const int s = sp.number;
    const int v = pr.value;
    const Options& o = m_model.options();
    // Remainders and quotients of the stored attributes follow the dialect (sign of the dividend).
    switch (static_cast<FormulaKind>(kind)) {
    case FormulaKind::SpecialNumber:
        return s == v;
    case FormulaKind::Zodiac:
        return sp.zodiacCode % 12 == v;
    case FormulaKind::Head:
        return s / 10 == v;
    case FormulaKind::Tail:
        return s % 10 == v;
    case FormulaKind::DigitSum:
        return digitSum(s) == v;
    case FormulaKind::OddEven:
        return s % 2 == v;
    case FormulaKind::SumOddEven:
        return digitSum(s) % 2 == v;
    case FormulaKind::DomesticWild: {
        const int z = m_zodiacOfCode[static_cast<size_t>(((sp.zodiacCode % 12) + 12) % 12)];
        return z >= 0 && (NumberModel::isDomestic(z) ? 1 : 0) == v;
    }
    case FormulaKind::HalfWave:
        return sp.waveCode == o.bsIni + v && s % 2 == pr.parity;
    case FormulaKind::Segment:
        return (s - 1) / 7 + (o.dsIni != 0 ? 1 : 0) == v;
    case FormulaKind::BigSmall:
        return v == 1 ? s >= 25 : s > 0 && s < 25;
    case FormulaKind::Wave:
        return sp.waveCode == o.bsIni + v;
    case FormulaKind::Element:
        return sp.elementCode == o.wxIni + v;
    case FormulaKind::ZodiacPosition:
        return s % 12 == v;
    case FormulaKind::HalfOddEven:
        return (s >= 25 ? 1 : 0) == v && s % 2 == pr.parity;
    case FormulaKind::HalfHead:
        return s / 10 == v && s % 2 == pr.parity;
    default:
        return false;
    }
}

QString KindRules::valueText(int kind, const KindPrediction& pr) const {
    if (!pr.valid)
        return {};
    const KindTexts& t = texts();
    const auto bit = [](int x) { return static_cast<size_t>(x != 0 ? 1 : 0); };
    const size_t v = static_cast<size_t>(pr.value);
    switch (static_cast<FormulaKind>(kind)) {
    case FormulaKind::SpecialNumber:
    case FormulaKind::Head:
    case FormulaKind::Tail:
    case FormulaKind::DigitSum:
    case FormulaKind::Segment:
    case FormulaKind::ZodiacPosition:
        return numberText(pr.value);
    case FormulaKind::Zodiac: {
        const int z = pr.value >= 0 && pr.value < 12 ? m_zodiacOfCode[v] : -1;
        return z >= 0 ? t.zodiac[static_cast<size_t>(z)] : QString();
    }
    case FormulaKind::OddEven:
        return t.parity[bit(pr.value)];
    case FormulaKind::SumOddEven:
        return t.digitParity[bit(pr.value)];
    case FormulaKind::DomesticWild:
        return t.group[bit(pr.value)];
    case FormulaKind::HalfWave:
        return pr.value >= 0 && pr.value < 3 ? t.halfWave[v * 2 + bit(pr.parity)] : QString();
    case FormulaKind::BigSmall:
        return t.bigSmall[bit(pr.value)];
    case FormulaKind::Wave:
        return pr.value >= 0 && pr.value < 3 ? t.wave[v] : QString();
    case FormulaKind::Element:
        return pr.value >= 0 && pr.value < 5 ? t.element[v] : QString();
    case FormulaKind::HalfOddEven:
        return t.halfParity[bit(pr.value) * 2 + bit(pr.parity)];
    case FormulaKind::HalfHead:
        return pr.value >= 0 && pr.value < 5 ? t.halfHead[v * 2 + bit(pr.parity)] : QString();
    default:
        return {};
    }
}

QString KindRules::resultText(int kind, const KindPrediction& pr) const {
    if (!pr.valid)
        return {};
    const KindTexts& t = texts();
    const size_t b = static_cast<size_t>(pr.value != 0 ? 1 : 0);
    switch (static_cast<FormulaKind>(kind)) {
    case FormulaKind::OddEven:
        return t.resultParity[b];
    case FormulaKind::SumOddEven:
        return t.resultDigitParity[b];
    case FormulaKind::DomesticWild:
        return t.resultGroup[b];
    case FormulaKind::BigSmall:
        return t.resultBigSmall[b];
    case FormulaKind::ZodiacPosition:
        return pr.value == 0 ? numberText(12) : numberText(pr.value);
    default:
        return valueText(kind, pr);
    }
}

SpecialNumber KindRules::specialOf(int n) const {
    const int zodiac = NumberModel::zodiacOf(n, m_model.currentYear());
    return {n, m_model.attributeCode(zodiac), m_model.waveCode(n), m_model.elementCode(n)};
}

SpecialNumber KindRules::specialOf(int n, int year) const {
    return {n, m_model.attributeCode(zodiacOf(n, year)), m_model.waveCode(n), m_model.elementCode(n)};
}

int KindRules::countKeepRight(int kind, const KindPrediction& prediction, int year) const {
    int count = 0;
    for (int n = 1; n <= m_bit; ++n)
        count += keepRight(kind, prediction, specialOf(n, year)) ? 1 : 0;
    return count;
}

int KindRules::keepCount(int kind, const KindPrediction& p, int year) const {
    if (kind < 0 || kind >= static_cast<int>(m_countTables.size()))
        return 0;
    const CountTable& t = m_countTables[static_cast<size_t>(kind)];
    if (p.value < 0 || p.value >= t.values || p.parity < 0 || p.parity > 1)
        return countKeepRight(kind, p, year);
    const int y = t.years == 1 ? 0 : ((year % 12) + 12) % 12;
    return m_keepCounts[static_cast<size_t>(t.offset + (y * t.values + p.value) * 2 + p.parity)];
}

QList<int> KindRules::keepClass(int kind, const KindPrediction& prediction) const {
    QList<int> numbers;
    if (!prediction.valid)
        return numbers;
    for (int n = 1; n <= m_bit; ++n)
        if (keepRight(kind, prediction, specialOf(n)))
            numbers.append(n);
    return numbers;
}

} // namespace talven
