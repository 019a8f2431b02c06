#include "export/decimal.h"

#include <charconv>
#include <cmath>

namespace kerfline {

std::string millimetreText(std::int64_t units) {
    // units / 40 = units * 25 / 1000; the magnitude is taken unsigned so that
    // the smallest 64-bit value has one too.
    const bool negative = units < 0;
    const std::uint64_t magnitude =
        negative ? std::uint64_t{0} - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    const std::uint64_t whole = magnitude / 40;
    std::uint64_t thousandths = (magnitude % 40) * 25;
    std::string text = negative && magnitude != 0 ? "-" : "";
    text += std::to_string(whole);
    if (thousandths != 0) {
        text += '.';
        for (std::uint64_t digit = 100; thousandths != 0; digit /= 10) {
            text += static_cast<char>('0' + thousandths / digit);
            thousandths %= digit;
        }
    }
    return text;
}

std::string decimalText(double value, int places) {
    if (!std::isfinite(value)) return "0";
    char digits[400];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, places);
    std::string text(digits, result.ec == std::errc() ? result.ptr : digits);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    if (text == "-0" || text.empty()) return "0";
    return text;
}

}  // namespace kerfline
