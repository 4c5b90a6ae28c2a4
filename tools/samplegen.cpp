// Writes a synthetic draw history to standard output, one draw per line, in the forms the history
// import reads. The generator is seeded with a fixed value and draws its uniform numbers itself,
// so the output is the same on every platform and standard library.
#include <array>
#include <cstdint>
#include <cstdio>
#include <random>

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

void writeLine(std::mt19937& rng, int period, bool firstOfYear, const std::array<int, 7>& n) {
    const int form = uniform(rng, 100);
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

} // namespace

int main() {
    std::mt19937 rng(Seed);
    for (int year = FirstYear; year <= LastYear; ++year) {
        const int draws = 147 + uniform(rng, 7); // 147..153 draws a year
        for (int d = 1; d <= draws; ++d)
            writeLine(rng, year * 1000 + d, d == 1, drawNumbers(rng));
    }
    return 0;
}
