#include "cutting/pen_state.h"

#include <charconv>
#include <cmath>

namespace kerfline {

namespace {

// A parameter as a pen number, or none for one that is not a number or
// is far beyond any pen.
std::optional<std::int64_t> penNumber(double value) {
    if (!(std::fabs(value) < 1e9)) return std::nullopt;
    return static_cast<std::int64_t>(value);
}

}  // namespace

MnemonicCode textMnemonic(std::string_view instruction) {
    if (instruction.size() < 2) return 0;
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    return makeMnemonic(static_cast<unsigned char>(upper(instruction[0])),
                        static_cast<unsigned char>(upper(instruction[1])));
}

std::vector<double> textParameters(std::string_view instruction) {
    std::vector<double> numbers;
    if (instruction.size() < 2) return numbers;
    std::string_view text = instruction.substr(2);
    if (!text.empty() && text.back() == ';') text.remove_suffix(1);
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i])) ++i;
        if (i == text.size()) break;
        std::size_t end = i;
        while (end < text.size() && text[end] != ',' && !isBlank(text[end])) ++end;
        std::string_view token = text.substr(i, end - i);
        if (!token.empty() && token.front() == '+') token.remove_prefix(1);
        double value = std::nan("");
        const auto [next, ec] =
            std::from_chars(token.data(), token.data() + token.size(), value, std::chars_format::fixed);
        if (ec != std::errc() || next != token.data() + token.size()) value = std::nan("");
        numbers.push_back(value);
        while (end < text.size() && isBlank(text[end])) ++end;
        i = end < text.size() && text[end] == ',' ? end + 1 : end;
    }
    return numbers;
}

void PenState::PerPen::set(std::string_view instruction) {
    const std::vector<double> numbers = textParameters(instruction);
    Given given{std::string(instruction), 0};
    if (!numbers.empty() && numbers[0] > 0 && std::isfinite(numbers[0])) given.value = numbers[0];
    if (numbers.size() >= 2) {
        if (const std::optional<std::int64_t> pen = penNumber(numbers[1])) {
            pens[*pen] = std::move(given);
            return;
        }
    }
    all.reset();
    if (!numbers.empty()) all = std::move(given);
    pens.clear();
    known = true;
}

void PenState::PerPen::initialize() {
    if (all || !pens.empty()) known = false;
    all.reset();
    pens.clear();
}

bool PenState::PerPen::sameAs(const PerPen& other) const {
    if (!known || !other.known || all.has_value() != other.all.has_value() ||
        (all && all->text != other.all->text) || pens.size() != other.pens.size())
        return false;
    for (const auto& [pen, given] : pens) {
        const auto match = other.pens.find(pen);
        if (match == other.pens.end() || match->second.text != given.text) return false;
    }
    return true;
}

void PenState::PerPen::restore(const PerPen& start, const char* reset, std::vector<std::string>& out) const {
    if (sameAs(start)) return;
    // Only pens set apart since, each with one of its own at the start: just theirs.
    bool onlyPens = known && start.known && all.has_value() == start.all.has_value() &&
                    (!all || all->text == start.all->text);
    for (const auto& entry : pens) onlyPens = onlyPens && start.pens.count(entry.first) != 0;
    if (!onlyPens) out.push_back(start.all ? start.all->text : std::string(reset));
    for (const auto& [pen, given] : start.pens) {
        const auto now = pens.find(pen);
        if (onlyPens && now != pens.end() && now->second.text == given.text) continue;
        out.push_back(given.text);
    }
}

void PenState::apply(std::string_view instruction) {
    // SP and FS are not among the mnemonics the program knows, so the text decides.
    const MnemonicCode code = textMnemonic(instruction);
    if (code == mnemonic::SP) {
        const std::vector<double> numbers = textParameters(instruction);
        pen_ = numbers.empty() ? 0 : penNumber(numbers[0]).value_or(0);
        penKnown_ = true;
        chosen_ = instruction;
    } else if (code == mnemonic::VS) {
        speed_.set(instruction);
    } else if (code == mnemonic::FS) {
        force_.set(instruction);
    } else if (code == mnemonic::IN) {
        if (pen_ != 0) penKnown_ = false;
        speed_.initialize();
        force_.initialize();
    }
}

double PenState::speed() const {
    const auto pen = speed_.pens.find(penKnown_ ? pen_ : 0);
    if (pen != speed_.pens.end()) return pen->second.value;
    return speed_.all ? speed_.all->value : 0;
}

std::vector<std::string> PenState::restoring(const PenState& start) const {
    std::vector<std::string> out;
    if (!(penKnown_ && start.penKnown_ && pen_ == start.pen_))
        out.push_back(start.chosen_.empty() ? std::string("SP0;") : start.chosen_);
    speed_.restore(start.speed_, "VS;", out);
    force_.restore(start.force_, "FS;", out);
    return out;
}

}  // namespace kerfline
