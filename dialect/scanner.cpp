#include "dialect/scanner.h"

#include <cstring>

namespace kerfline::dialect {

namespace {

constexpr char kEscape = 27;

bool isLetter(unsigned char c) { return static_cast<unsigned char>((c | 0x20) - 'a') < 26; }
bool isDigit(unsigned char c) { return static_cast<unsigned char>(c - '0') < 10; }
bool isBlank(unsigned char c) { return c == ' ' || (c >= 9 && c <= 13) || c == 0; }

// Powers of ten for the fraction of a number; beyond the table the digits
// no longer change a double.
constexpr double kTenths[] = {1.0,  1e-1, 1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,  1e-8,
                              1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15, 1e-16, 1e-17};

}  // namespace

void Scanner::skipEscape() {
    // At the ESC. Three families: two-character sequences (ESC E), PCL's
    // parameterised ones (ESC % -12345 X, ESC & l 1 o 2 A, ESC * b 20 W and
    // its data bytes), and the serial plotters' device control (ESC . I 81;;17:).
    ++pos_;
    if (pos_ >= size_) return;
    const unsigned char first = static_cast<unsigned char>(data_[pos_++]);
    if (first == '.') {
        if (pos_ < size_) ++pos_;  // the device-control letter
        std::size_t p = pos_;
        while (p < size_ && (isDigit(static_cast<unsigned char>(data_[p])) || data_[p] == ';')) ++p;
        if (p < size_ && data_[p] == ':') pos_ = p + 1;
        return;
    }
    if (first < 0x21 || first > 0x2F) return;  // two characters, done
    if (pos_ < size_) {
        const unsigned char group = static_cast<unsigned char>(data_[pos_]);
        if (group >= 0x60 && group <= 0x7E) ++pos_;
    }
    while (pos_ < size_) {
        // A value field, then a parameter character: lower case goes on
        // with the next value, upper case ends the sequence.
        std::size_t value = 0;
        bool haveValue = false;
        while (pos_ < size_ && (data_[pos_] == '+' || data_[pos_] == '-')) ++pos_;
        while (pos_ < size_ && (isDigit(static_cast<unsigned char>(data_[pos_])) || data_[pos_] == '.')) {
            if (data_[pos_] != '.' && value < 100'000'000) {
                value = value * 10 + static_cast<std::size_t>(data_[pos_] - '0');
                haveValue = true;
            }
            ++pos_;
        }
        if (pos_ >= size_) return;
        const unsigned char c = static_cast<unsigned char>(data_[pos_]);
        if (c < 0x40 || c > 0x7E) return;  // not PCL after all
        ++pos_;
        if ((c | 0x20) == 'w' && haveValue) {
            // Binary data follows; it may hold any byte.
            pos_ += value < size_ - pos_ ? value : size_ - pos_;
        }
        if (c <= 0x5E) return;
    }
}

bool Scanner::next(MnemonicCode& code) {
    while (pos_ < size_) {
        const unsigned char c = static_cast<unsigned char>(data_[pos_]);
        if (isLetter(c)) {
            if (pos_ + 1 < size_ && isLetter(static_cast<unsigned char>(data_[pos_ + 1]))) {
                code = makeMnemonic(static_cast<unsigned char>(c & ~0x20),
                                    static_cast<unsigned char>(data_[pos_ + 1] & ~0x20));
                pos_ += 2;
                return true;
            }
            ++pos_;  // a stray letter
        } else if (c == kEscape) {
            skipEscape();
        } else if (c == '@' && size_ - pos_ >= 4 && (data_[pos_ + 1] | 0x20) == 'p' &&
                   (data_[pos_ + 2] | 0x20) == 'j' && (data_[pos_ + 3] | 0x20) == 'l') {
            // A PJL command runs to its line end.
            const void* lf = std::memchr(data_ + pos_, '\n', size_ - pos_);
            pos_ = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data_) + 1 : size_;
        } else {
            ++pos_;  // separators, terminators, padding, stray numbers
        }
    }
    return false;
}

bool Scanner::number(double& value) {
    while (pos_ < size_ && (isBlank(static_cast<unsigned char>(data_[pos_])) || data_[pos_] == ','))
        ++pos_;
    std::size_t p = pos_;
    bool negative = false;
    if (p < size_ && (data_[p] == '-' || data_[p] == '+')) negative = data_[p++] == '-';
    std::uint64_t whole = 0;
    int digits = 0;
    double scale = 1.0;  // for whole parts beyond 18 digits
    while (p < size_ && isDigit(static_cast<unsigned char>(data_[p]))) {
        if (digits < 18) {
            whole = whole * 10 + static_cast<std::uint64_t>(data_[p] - '0');
        } else if (scale < 1e300) {
            scale *= 10.0;
        }
        ++digits;
        ++p;
    }
    double fraction = 0.0;
    bool haveFraction = false;
    if (p < size_ && data_[p] == '.') {
        ++p;
        std::uint64_t tenths = 0;
        int places = 0;
        while (p < size_ && isDigit(static_cast<unsigned char>(data_[p]))) {
            if (places < 17) {
                tenths = tenths * 10 + static_cast<std::uint64_t>(data_[p] - '0');
                ++places;
            }
            haveFraction = true;
            ++p;
        }
        fraction = static_cast<double>(tenths) * kTenths[places];
    }
    if (digits == 0 && !haveFraction) {
        // "-" or "." alone is no number; leave it to be passed over.
        return false;
    }
    pos_ = p;
    const double magnitude = static_cast<double>(whole) * scale + fraction;
    value = negative ? -magnitude : magnitude;
    return true;
}

int Scanner::numbers(double* values, int max) {
    int count = 0;
    while (count < max && number(values[count])) ++count;
    return count;
}

void Scanner::skipParameters() {
    while (pos_ < size_) {
        double ignored;
        if (number(ignored)) continue;
        if (pos_ < size_ && data_[pos_] == '"') {
            const void* quote = std::memchr(data_ + pos_ + 1, '"', size_ - pos_ - 1);
            pos_ = quote ? static_cast<std::size_t>(static_cast<const char*>(quote) - data_) + 1 : size_;
            continue;
        }
        return;
    }
}

void Scanner::skipBlanks() {
    while (pos_ < size_ && isBlank(static_cast<unsigned char>(data_[pos_]))) ++pos_;
}

std::string_view Scanner::until(char terminator, bool& found) {
    const std::size_t from = pos_;
    const void* end = std::memchr(data_ + pos_, terminator, size_ - pos_);
    found = end != nullptr;
    pos_ = found ? static_cast<std::size_t>(static_cast<const char*>(end) - data_) + 1 : size_;
    return {data_ + from, (found ? pos_ - 1 : pos_) - from};
}

}  // namespace kerfline::dialect
