#include "drawing/figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace kerfline {

namespace {

// The numbers of an instruction's parameter text: separated by commas or
// blanks, each an optional sign, digits and a decimal point. Whatever is
// not such a number ends the list.
std::vector<double> numbersOf(const char* text) {
    std::vector<double> numbers;
    if (!text) return numbers;
    const char* p = text;
    const char* const end = text + std::strlen(text);
    while (p < end) {
        while (p < end && (*p == ',' || *p == ' ' || *p == '\t')) ++p;
        if (p == end) break;
        if (*p == '+') ++p;
        double value = 0;
        const auto [next, ec] = std::from_chars(p, end, value, std::chars_format::fixed);
        if (ec != std::errc() || next == p) break;
        numbers.push_back(value);
        p = next;
    }
    return numbers;
}

constexpr MnemonicCode kVS = makeMnemonic('V', 'S');
constexpr MnemonicCode kSP = makeMnemonic('S', 'P');

}  // namespace

void SpeedState::reset() {
    all_ = 0;
    pens_.clear();
    pen_ = 0;
}

void SpeedState::apply(const PlotCommand& command) {
    const MnemonicCode code = command.mnemonic();
    if (code == mnemonic::IN) {
        reset();
    } else if (code == kSP) {
        const std::vector<double> numbers = numbersOf(command.text());
        pen_ = numbers.empty() || !(std::fabs(numbers[0]) < 1e9)
                   ? 0
                   : static_cast<std::int64_t>(numbers[0]);
    } else if (code == kVS) {
        const std::vector<double> numbers = numbersOf(command.text());
        const double speed =
            !numbers.empty() && numbers[0] > 0 && std::isfinite(numbers[0]) ? numbers[0] : 0;
        if (numbers.size() >= 2 && std::fabs(numbers[1]) < 1e9) {
            pens_[static_cast<std::int64_t>(numbers[1])] = speed;
        } else {
            all_ = speed;
            pens_.clear();
        }
    }
}

double SpeedState::speed() const {
    const auto pen = pens_.find(pen_);
    if (pen != pens_.end() && pen->second > 0) return pen->second;
    if (pen == pens_.end() && all_ > 0) return all_;
    return default_;
}

std::string mnemonicText(const PlotCommand& command) {
    if (command.entry()) {
        const MnemonicCode code = command.mnemonic();
        return {static_cast<char>(code & 0xFF), static_cast<char>(code >> 8)};
    }
    const char* text = command.text();
    if (!text) return {};
    return std::string(text, std::min<std::size_t>(2, std::strlen(text)));
}

}  // namespace kerfline
