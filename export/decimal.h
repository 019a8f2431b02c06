// Numbers written for people and other programs: plain decimals, the same
// whatever the locale.
#pragma once

#include <cstdint>
#include <string>

namespace kerfline {

// Plotter units as millimetres, exactly: 40 units to the millimetre makes
// every length a decimal of at most three places ("297", "12.5", "-0.025").
std::string millimetreText(std::int64_t units);

// `value` rounded to `places` decimals, without trailing zeros or a
// trailing point ("3.25", "20", "-0.5"); "0" for anything not finite.
std::string decimalText(double value, int places);

}  // namespace kerfline
