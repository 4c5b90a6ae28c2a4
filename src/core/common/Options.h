#pragma once

#include <array>

namespace talven {

// One of the user's options, in the order the settings list shows them.
enum class OptionKey : int {
    LargestNumber,  // largest number of the game
    PeriodYear,     // period digit sum over all seven digits
    ElementBase,    // element codes from 0 or from 1
    WaveBase,       // wave codes from 0 or from 1
    ZodiacBase,     // zodiac codes from 0 or from 1
    SegmentBase,    // segment codes from 0 or from 1
    SpecialPlusOne, // special-number result plus one
    ZodiacByOrder,  // zodiac codes by order (on) or by age (off)
};

inline constexpr std::array<OptionKey, 8> optionKeys = {
    OptionKey::LargestNumber, OptionKey::PeriodYear,  OptionKey::ElementBase,    OptionKey::WaveBase,
    OptionKey::ZodiacBase,    OptionKey::SegmentBase, OptionKey::SpecialPlusOne, OptionKey::ZodiacByOrder};

// The user's options.
struct Options {
    int bit = 49;          // largest number of the game
    bool year = false;     // period digit sum over all seven digits
    int wxIni = 0;         // element code base
    int bsIni = 0;         // wave code base
    int sxIni = 1;         // zodiac code base
    int dsIni = 1;         // segment code base
    bool maAddIni = false; // special-number result plus one
    bool sxSetup = false;  // zodiac codes by order (true) or by age (false)

    // One option as a whole number; an on/off option is 1 or 0.
    constexpr int value(OptionKey key) const {
        switch (key) {
        case OptionKey::LargestNumber:
            return bit;
        case OptionKey::PeriodYear:
            return year ? 1 : 0;
        case OptionKey::ElementBase:
            return wxIni;
        case OptionKey::WaveBase:
            return bsIni;
        case OptionKey::ZodiacBase:
            return sxIni;
        case OptionKey::SegmentBase:
            return dsIni;
        case OptionKey::SpecialPlusOne:
            return maAddIni ? 1 : 0;
        case OptionKey::ZodiacByOrder:
            return sxSetup ? 1 : 0;
        }
        return 0;
    }
    constexpr void setValue(OptionKey key, int v) {
        switch (key) {
        case OptionKey::LargestNumber:
            bit = v;
            break;
        case OptionKey::PeriodYear:
            year = v != 0;
            break;
        case OptionKey::ElementBase:
            wxIni = v;
            break;
        case OptionKey::WaveBase:
            bsIni = v;
            break;
        case OptionKey::ZodiacBase:
            sxIni = v;
            break;
        case OptionKey::SegmentBase:
            dsIni = v;
            break;
        case OptionKey::SpecialPlusOne:
            maAddIni = v != 0;
            break;
        case OptionKey::ZodiacByOrder:
            sxSetup = v != 0;
            break;
        }
    }

    bool operator==(const Options&) const = default;
};

} // namespace talven
