#pragma once

#include <QString>

namespace talven {

// The user's options, as stored in the settings group "IniSetting".
struct Options {
    int bit = 49;          // "BIT": largest number of the game
    bool year = false;     // "YEAR": period digit sum over all seven digits
    int wxIni = 0;         // "WxIni": element code base
    int bsIni = 0;         // "BsIni": wave code base
    int sxIni = 1;         // "SxIni": zodiac code base
    int dsIni = 1;         // "DsIni": segment code base
    bool maAddIni = false; // "MaAddIni": special-number result plus one
    bool sxSetup = false;  // "SxSetup": zodiac codes by order (true) or by age (false)

    bool operator==(const Options&) const = default;
};

} // namespace talven
