// The lexical side of HP-GL and HP-GL/2 as plotters accept it: mnemonics in
// either case, ended by ";", by a line end or simply by the next mnemonic;
// numbers with blanks, commas, signs and decimals; PCL and PJL wrappers,
// device-control escapes and NUL padding passed over.
#pragma once

#include <cstddef>
#include <string_view>

#include "hpgl/mnemonics.h"

namespace kerfline::dialect {

// The place of a mnemonic of two upper-case letters among all 676 of them,
// AA first and ZZ last (the first letter is MnemonicCode's low byte).
constexpr std::size_t letterPairIndex(MnemonicCode code) {
    return static_cast<std::size_t>(((code & 0xFF) - 'A') * 26 + ((code >> 8) - 'A'));
}
inline constexpr std::size_t kLetterPairs = 26 * 26;

class Scanner {
public:
    explicit Scanner(std::string_view input) : data_(input.data()), size_(input.size()) {}

    // Passes over everything up to the next two letters and returns them as
    // an upper-case mnemonic; false at the end of the input.
    bool next(MnemonicCode& code);

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
