// The lexical side of HP-GL and HP-GL/2 as plotters accept it: mnemonics in
// either case, ended by ";", by a line end or simply by the next mnemonic;
// numbers with blanks, commas, signs and decimals; PCL and PJL wrappers,
// device-control escapes and NUL padding passed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kerfline::dialect {

// Two upper-case letters, the first in the high byte ('P' 'A' -> 0x5041).
using Mnemonic = std::uint16_t;
constexpr Mnemonic mnemonic(char a, char b) {
    return static_cast<Mnemonic>((static_cast<unsigned char>(a) << 8) | static_cast<unsigned char>(b));
}

class Scanner {
public:
    explicit Scanner(std::string_view input) : data_(input.data()), size_(input.size()) {}

    // Passes over everything up to the next two letters and returns them as
    // an upper-case mnemonic; false at the end of the input.
    bool next(Mnemonic& code);

    // The next parameter when it is a number (separators before it are
    // skipped); false, reading nothing more, at anything else.
    bool number(double& value);
    // Reads up to `max` numbers; returns how many.
    int numbers(double* values, int max);
    // Passes over the parameters of an instruction that is not interpreted:
    // numbers, separators and quoted strings.
    void skipParameters();

    // Byte-level access for the instructions whose parameters are not
    // numbers (LB, DT, SM, PE): -1 at the end.
    int peek() const { return pos_ < size_ ? static_cast<unsigned char>(data_[pos_]) : -1; }
    void advance() { ++pos_; }
    // Passes over blanks (not commas or ";").
    void skipBlanks();
    // Everything from here up to `terminator`, which is consumed; `found` is
    // false when the input ended first.
    std::string_view until(char terminator, bool& found);

    std::size_t position() const { return pos_; }

private:
    void skipEscape();

    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace kerfline::dialect
