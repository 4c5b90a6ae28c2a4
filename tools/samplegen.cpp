// Writes a synthetic draw history to standard output, one draw per line, in the forms the history
// import reads. The generator is seeded with a fixed value and draws its uniform numbers itself,
// so the output is the same on every platform and standard library.
// With --csv the same draws come as a published table does: "Draw Date,num1,…,num7", dates
// dd/mm/yyyy on Tuesdays, Thursdays and Saturdays, numbers without leading zeros, years oldest
// first but the draws of each year newest first.
#include <QDate>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr std::uint32_t Seed = 20070101u;
constexpr int FirstYear = 2000;
constexpr int LastYear = 2026;
constexpr int LargestNumber = 49;

// Uniform value in 0..bound-1 by rejection, independent of std::uniform_int_distribution.
int uniform(std::mt19937& rng, std::uint32_t bound) {
    const std::uint32_t limit = 0xFFFFFFFFu - (0xFFFFFFFFu % bound + 1) % bound;
    std::uint32_t value = rng();
    while (value > limit)
        value = rng();
    return int(value % bound);
}

// Seven different numbers in 1..LargestNumber: six flat numbers, then the special number.
std::array<int, 7> drawNumbers(std::mt19937& rng) {
    std::array<int, LargestNumber> pool{};
    for (int i = 0; i < LargestNumber; ++i)
        pool[i] = i + 1;
    std::array<int, 7> numbers{};
    for (int i = 0; i < 7; ++i) {
        const int j = i + uniform(rng, std::uint32_t(LargestNumber - i));
        std::swap(pool[i], pool[j]);
        numbers[i] = pool[i];
    }
    return numbers;
}

void writeLine(std::mt19937& rng, int period, bool firstOfYear, const std::array<int, 7>& n, bool print) {
    const int form = uniform(rng, 100);
    if (!print)
        return;
    if (form < 80) {
        std::printf("%07d %02d %02d %02d %02d %02d %02d %02d\n", period, n[0], n[1], n[2], n[3], n[4], n[5],
                    n[6]);
    } else if (form < 90) {
        std::printf("%07d,%02d,%02d,%02d,%02d,%02d,%02d+%02d\n", period, n[0], n[1], n[2], n[3], n[4], n[5],
                    n[6]);
    } else if (form < 96 || firstOfYear) {
        // The first line of a year always carries its period: a line without one continues the
        // previous year's numbering.
        std::printf("%07d\t%02d-%02d-%02d-%02d-%02d-%02d  %02d\n", period, n[0], n[1], n[2], n[3], n[4], n[5],
                    n[6]);
    } else {
        std::printf("%02d %02d %02d %02d %02d %02d %02d\n", n[0], n[1], n[2], n[3], n[4], n[5], n[6]);
    }
}

// The date of a year's n-th draw (1-based), counting Tuesdays, Thursdays and Saturdays.
QDate drawDate(int year, int n) {
    QDate day(year, 1, 1);
    for (;;) {
        const int weekday = day.dayOfWeek();
        if ((weekday == 2 || weekday == 4 || weekday == 6) && --n == 0)
            return day;
        day = day.addDays(1);
    }
}

void writeCsvYear(int year, const std::vector<std::array<int, 7>>& draws) {
    for (int d = int(draws.size()); d >= 1; --d) {
        const QDate date = drawDate(year, d);
        const auto& n = draws[size_t(d - 1)];
        std::printf("%02d/%02d/%04d,%d,%d,%d,%d,%d,%d,%d\n", date.day(), date.month(), year, n[0], n[1], n[2],
                    n[3], n[4], n[5], n[6]);
    }
}

} // namespace

int main(int argc, char** argv) {
    const bool csv = argc > 1 && std::strcmp(argv[1], "--csv") == 0;
    std::mt19937 rng(Seed);
    if (csv)
        std::printf("Draw Date,num1,num2,num3,num4,num5,num6,num7\n");
    for (int year = FirstYear; year <= LastYear; ++year) {
        const int draws = 147 + uniform(rng, 7); // 147..153 draws a year
        std::vector<std::array<int, 7>> numbers;
        for (int d = 1; d <= draws; ++d) {
            numbers.push_back(drawNumbers(rng));
            // The line's form is drawn in either mode, so that both give the same numbers.
            writeLine(rng, year * 1000 + d, d == 1, numbers.back(), !csv);
        }
        if (csv)
            writeCsvYear(year, numbers);
    }
    return 0;
}
