// Exposure times as a person reads them: a number and one of ns, us, ms, s.
#pragma once
#include <cmath>
#include <cstdio>
#include <string>

namespace exposure_units {

enum Unit { kNs = 0, kUs = 1, kMs = 2, kS = 3 };
constexpr const char *kNames[] = {"ns", "us", "ms", "s"};

// Times above a second are given in seconds; below, in the largest unit that gives a
// whole number of at least 1.
inline int UnitOf(double seconds) {
    if (seconds > 1.0)
        return kS;
    if (seconds >= 0.001)
        return kMs;
    if (seconds >= 0.000001)
        return kUs;
    return kNs;
}

inline double PerSecond(int unit) {
    constexpr double kScale[] = {1e9, 1e6, 1e3, 1.0};
    return unit >= kNs && unit <= kS ? kScale[unit] : 1.0;
}

inline double ToUnit(double seconds, int unit) { return seconds * PerSecond(unit); }
inline double ToSeconds(double value, int unit) { return value / PerSecond(unit); }

// The whole number shown for a time in its own unit (0.0125 s: 12 in ms).
inline long long DisplayValue(double seconds) {
    return static_cast<long long>(std::floor(ToUnit(seconds, UnitOf(seconds))));
}

// A time converted into `unit`, with as many decimals as it needs: three, six or none.
inline std::string Text(double seconds, int unit) {
    // Binary noise of the conversion (12499.999999998 for 12.5 ms) is not a fraction.
    const double value = std::round(ToUnit(seconds, unit) * 1e6) / 1e6;
    const double whole = std::floor(value);
    const double fraction = value - whole;
    char text[48];
    if (fraction >= 0.001)
        std::snprintf(text, sizeof text, "%.3f", value);
    else if (fraction >= 0.000001)
        std::snprintf(text, sizeof text, "%.6f", value);
    else
        std::snprintf(text, sizeof text, "%.0f", whole);
    return text;
}

} // namespace exposure_units
