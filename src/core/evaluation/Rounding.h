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

// Non-negative remainder of a whole value by m > 0; integer arithmetic where it is exact.
inline int wholeRemainder(double whole, int m) {
    if (std::fabs(whole) <= 2147483647.0) {
        const int r = static_cast<int>(whole) % m;
        return r < 0 ? r + m : r;
    }
    if (std::fabs(whole) < 9.0e15) {
        const long long r = static_cast<long long>(whole) % m;
        return static_cast<int>(r < 0 ? r + m : r);
    }
    double x = std::fmod(whole, static_cast<double>(m));
    if (x < 0)
        x += m;
    return static_cast<int>(x);
}

} // namespace talven
