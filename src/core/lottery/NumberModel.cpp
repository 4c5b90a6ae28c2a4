#include "NumberModel.h"

#include "common/Period.h"

#include <QDate>

#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

constexpr int ZodiacCount = 12;
constexpr int ElementCount = 5;
constexpr int Pig = 11;
constexpr int Earth = 4;
constexpr int NoElement = -1;           // number in none of the element lists
constexpr int LargestZodiacNumber = 49; // the zodiac lists hold 01..49 whatever the largest number
constexpr int BaseYear = 1972;          // year of 鼠, zodiac index 0
constexpr int MaxNumber = 99;           // numbers are written with two digits

const char16_t* const ZodiacNames[ZodiacCount] = {u"鼠", u"牛", u"虎", u"兔", u"龙", u"蛇",
                                                  u"马", u"羊", u"猴", u"鸡", u"狗", u"猪"};
const char16_t* const WaveNames[3] = {u"红", u"蓝", u"绿"};
const char16_t* const ElementNames[ElementCount] = {u"金", u"木", u"水", u"火", u"土"};
constexpr bool Domestic[ZodiacCount] = {false, true, false, false, false, false,
                                        true,  true, false, true,  true,  true};

// Numbers of each wave in ascending order; 0 fills the empty slots.
constexpr std::array<std::array<int, 17>, 3> Waves = {{
    {1, 2, 7, 8, 12, 13, 18, 19, 23, 24, 29, 30, 34, 35, 40, 45, 46},
    {3, 4, 9, 10, 14, 15, 20, 25, 26, 31, 36, 37, 41, 42, 47, 48, 0},
    {5, 6, 11, 16, 17, 21, 22, 27, 28, 32, 33, 38, 39, 43, 44, 49, 0},
}};

// Element of the base years of the 60-year cycle in pairs from (2000, 1999) down to (1942, 1941).
constexpr int CycleNewestYear = 2000;
constexpr int CycleOldestYear = 1941;
constexpr int CyclePairs[30] = {0, 4, 2, 3, 0, 4, 1, 3, 0, 2, 1, 3, 4, 2, 1,
                                0, 4, 2, 3, 0, 4, 1, 3, 0, 2, 1, 3, 4, 2, 1};

// Element table in force while the current year is unknown (empty history).
constexpr std::array<std::array<int, 12>, ElementCount> DefaultElements = {{
    {4, 5, 12, 13, 20, 21, 34, 35, 42, 43},
    {2, 3, 16, 17, 24, 25, 32, 33, 46, 47},
    {1, 8, 9, 22, 23, 30, 31, 38, 39},
    {10, 11, 18, 19, 26, 27, 40, 41, 48, 49},
    {6, 7, 14, 15, 28, 29, 36, 37, 44, 45},
}};

// Remainder in 0..m-1 so that years before the reference years still map into the tables.
constexpr int floorMod(int a, int m) {
    const int r = a % m;
    return r < 0 ? r + m : r;
}

int digitSum(int value) {
    // Unsigned, so that the most negative int has a magnitude too.
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    int sum = 0;
    for (; magnitude > 0; magnitude /= 10)
        sum += static_cast<int>(magnitude % 10);
    return sum;
}

QString twoDigits(int n) {
    return u"%1"_s.arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

NumberModel::NumberModel(const Options& options, int currentYear)
    : m_options(options), m_currentYear(currentYear) {
    for (int k = 0; k < ZodiacCount; ++k)
        m_attributeCodes[k] = options.sxSetup || !hasCurrentYear()
                                  ? orderCode(k)
                                  : floorMod(currentYear - BaseYear - k, ZodiacCount) + options.sxIni;

    const int largest = std::clamp(options.bit, 1, MaxNumber);
    m_elementOf.fill(NoElement);
    if (hasCurrentYear()) {
        for (int n = 1; n <= largest; ++n)
            m_elementOf[n] = elementOfYear(currentYear - n);
    } else {
        for (int e = 0; e < ElementCount; ++e)
            for (int n : DefaultElements[e])
                if (n > 0 && n <= largest)
                    m_elementOf[n] = e;
    }
}

QString NumberModel::zodiacName(int k) {
    return k >= 0 && k < ZodiacCount ? QString::fromUtf16(ZodiacNames[k]) : QString();
}

QString NumberModel::waveName(int wave) {
    return wave >= 0 && wave < 3 ? QString::fromUtf16(WaveNames[wave]) : QString();
}

QString NumberModel::elementName(int element) {
    return element >= 0 && element < ElementCount ? QString::fromUtf16(ElementNames[element]) : QString();
}

bool NumberModel::isDomestic(int zodiac) {
    return zodiac >= 0 && zodiac < ZodiacCount && Domestic[zodiac];
}

int NumberModel::orderCode(int zodiac) const {
    return m_options.sxIni + zodiac;
}

int NumberModel::attributeCode(int zodiac) const {
    return zodiac >= 0 && zodiac < ZodiacCount ? m_attributeCodes[zodiac] : -1;
}

int NumberModel::zodiacOfAttributeCode(int code) const {
    for (int k = 0; k < ZodiacCount; ++k)
        if (floorMod(m_attributeCodes[k], ZodiacCount) == floorMod(code, ZodiacCount))
            return k;
    return -1;
}

int NumberModel::zodiacOf(int n, int year) {
    if (n < 1 || n > LargestZodiacNumber)
        return Pig;
    return floorMod(year - BaseYear - (n - 1) % ZodiacCount, ZodiacCount);
}

QList<int> NumberModel::zodiacNumbers(int zodiac, int year) {
    QList<int> numbers;
    if (zodiac < 0 || zodiac >= ZodiacCount)
        return numbers;
    for (int n = floorMod(year - BaseYear - zodiac, ZodiacCount) + 1; n <= LargestZodiacNumber;
         n += ZodiacCount)
        numbers.append(n);
    return numbers;
}

QString NumberModel::zodiacList(int zodiac, int year) {
    QStringList texts;
    for (int n : zodiacNumbers(zodiac, year))
        texts.append(twoDigits(n));
    return texts.join(u'、');
}

int NumberModel::waveOf(int n) {
    for (int wave = 0; wave < 2; ++wave)
        if (n > 0 && std::find(Waves[wave].begin(), Waves[wave].end(), n) != Waves[wave].end())
            return wave;
    return 2;
}

const std::array<std::array<int, 17>, 3>& NumberModel::waveTable() {
    return Waves;
}

int NumberModel::elementOfYear(int year) {
    const int base = CycleOldestYear + floorMod(year - CycleOldestYear, 60);
    return CyclePairs[(CycleNewestYear - base) / 2];
}

int NumberModel::elementOf(int n) const {
    // Numbers in no list count as 土, as the lists of 金 木 水 火 are searched first.
    return n >= 0 && n <= MaxNumber && m_elementOf[n] != NoElement ? m_elementOf[n] : Earth;
}

QList<int> NumberModel::elementNumbers(int element) const {
    QList<int> numbers;
    for (int n = 1; n <= MaxNumber; ++n)
        if (m_elementOf[n] == element)
            numbers.append(n);
    return numbers;
}

QString NumberModel::elementList(int element) const {
    QString text;
    for (int n : elementNumbers(element))
        text += twoDigits(n) + u'|';
    return text;
}

int NumberModel::attribute(int n, char letter, int zodiacYear) const {
    const int odd = n % 2 != 0 ? 1 : 0;
    const int big = n >= 25 ? 1 : 0;
    const int g = n / 10 + n % 10;
    switch (letter) {
    case 'A':
        return n;
    case 'B':
        return attributeCode(zodiacOf(n, zodiacYear));
    case 'C':
        return waveCode(n);
    case 'D':
        return elementCode(n);
    case 'E':
        return n / 10;
    case 'F':
        return n % 10;
    case 'G':
        return g;
    case 'H':
        return (n - 1) / 7 + m_options.dsIni;
    case 'I':
        return n % 12;
    case 'J':
        return g % 10;
    case 'K':
        return n % 2;
    case 'L':
        return g % 2;
    case 'M':
        return big;
    case 'N':
        return big * 2 + odd;
    case 'P':
        return waveCode(n) * 2 + odd;
    case 'Q':
        return (n / 10) * 2 + odd;
    default:
        return -1;
    }
}

DrawValues NumberModel::computeDraw(int period, const std::array<int, 7>& numbers) const {
    using namespace DrawColumns;
    DrawValues row{};
    const int year = period / 1000;

    // Sorted order: the six flat numbers ascending, the special number stays last.
    const std::array<int, 7> sorted = [&] {
        std::array<int, 7> s = numbers;
        std::sort(s.begin(), s.begin() + 6);
        return s;
    }();

    constexpr char letters[] = "ABCDGHIJ";
    for (const auto& [order, values] : {std::pair{'L', &numbers}, std::pair{'D', &sorted}})
        for (int pos = 1; pos <= 7; ++pos)
            for (int li = 0; li < AttributeLetterCount; ++li)
                row[DrawColumns::attribute(order, pos, letters[li])] =
                    attribute((*values)[pos - 1], letters[li], year);

    int flatDigitSum = 0, flatSum = 0;
    for (int i = 0; i < 6; ++i) {
        flatDigitSum += attribute(numbers[i], 'G', year);
        flatSum += numbers[i];
    }
    const int allDigitSum = flatDigitSum + attribute(numbers[6], 'G', year);
    const int allSum = flatSum + numbers[6];
    row[PH] = flatDigitSum;
    row[PF] = flatSum;
    row[PHW] = flatDigitSum % 10;
    row[PFW] = flatSum % 10;
    row[PFH] = digitSum(flatDigitSum);
    row[PFHW] = row[PFH] % 10;
    row[ZH] = allDigitSum;
    row[ZF] = allSum;
    row[ZHW] = allDigitSum % 10;
    row[ZFW] = allSum % 10;
    row[ZFH] = digitSum(allDigitSum);
    row[ZFHW] = row[ZFH] % 10;

    row[QQH] = period;
    row[QHH] = periodDigitSum(period, m_options.year);
    row[QHW] = period % 10;
    // The following draw's values always sum all seven digits, whatever the year setting. A period
    // beyond the int range only comes from a damaged file; it must not overflow here.
    const int following = static_cast<int>(static_cast<qint64>(period) + 1);
    row[SQQH] = following;
    row[SQHH] = periodDigitSum(following, true);
    row[SQHW] = following % 10;
    return row;
}

int NumberModel::periodDigitSum(int period, bool allDigits) {
    return allDigits ? digitSum(period) : digitSum(period % 1000);
}

int currentYearOf(const std::vector<DrawValues>& draws) {
    if (draws.empty())
        return QDate::currentDate().year();
    const Period newest(draws.back()[DrawColumns::QQH]);
    const auto next = newest.next();
    return next ? next->year() : newest.year();
}

std::vector<DrawValues> computeDraws(const NumberModel& model, const std::vector<DrawValues>& draws) {
    std::vector<DrawValues> out;
    out.reserve(draws.size());
    for (const DrawValues& d : draws) {
        std::array<int, 7> numbers{};
        for (int p = 1; p <= 7; ++p)
            numbers[static_cast<size_t>(p - 1)] = d[static_cast<size_t>(DrawColumns::attribute('L', p, 'A'))];
        out.push_back(model.computeDraw(d[DrawColumns::QQH], numbers));
    }
    for (size_t i = 0; i + 1 < out.size(); ++i) {
        out[i][DrawColumns::SQQH] = out[i + 1][DrawColumns::QQH];
        out[i][DrawColumns::SQHH] = out[i + 1][DrawColumns::QHH];
        out[i][DrawColumns::SQHW] = out[i + 1][DrawColumns::QHW];
    }
    return out;
}

} // namespace talven
