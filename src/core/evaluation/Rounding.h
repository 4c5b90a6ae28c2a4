#pragma once

#include <cmath>
#include <cstdint>

namespace talven {

// Rounds half to even as std::nearbyint does under the default rounding mode; a value that is
// already whole, the usual case, is returned without the library call.
inline double roundHalfEven(double v) {
    constexpr double WholeBeyond = 4503599627370496.0; // 2^52: every double from here on is whole
    if (std::fabs(v) < WholeBeyond && static_cast<double>(static_cast<std::int64_t>(v)) == v)
        return v;
    return std::nearbyint(v);
}

} // namespace talven
