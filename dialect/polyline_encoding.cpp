#include "dialect/polyline_encoding.h"

#include <cstdint>

namespace kerfline::dialect {

namespace {

class Decoder {
public:
    explicit Decoder(std::string_view data) : data_(data) {}

    // The next encoded number, or false at the end of the data.
    bool number(double& value) {
        std::uint64_t magnitude = 0;
        int shift = 0;
        const unsigned bits = sevenBit_ ? 5 : 6;
        while (pos_ < data_.size()) {
            const unsigned c = static_cast<unsigned char>(data_[pos_++]);
            unsigned digit;
            bool last;
            if (sevenBit_) {
                if (c < 63 || c > 126) continue;
                last = c >= 95;
                digit = last ? c - 95 : c - 63;
            } else {
                if (c >= 63 && c <= 126) {
                    last = false;
                    digit = c - 63;
                } else if (c >= 191 && c <= 254) {
                    last = true;
                    digit = c - 191;
                } else {
                    continue;
                }
            }
            // Digits past 62 bits cannot change a coordinate a plotter
            // could reach; they are read and dropped.
            if (shift <= 62 - static_cast<int>(bits)) magnitude |= static_cast<std::uint64_t>(digit) << shift;
            shift += static_cast<int>(bits);
            if (last) {
                const double size = static_cast<double>(magnitude >> 1);
                value = (magnitude & 1) ? -size : size;
                return true;
            }
        }
        return false;
    }

    bool run(PolylineSink& sink) {
        bool penUp = false;
        bool absolute = false;
        double divisor = 1.0;
        while (pos_ < data_.size()) {
            const char c = data_[pos_];
            double value;
            switch (c) {
                case ':':
                    ++pos_;
                    if (!number(value)) return false;
                    sink.selectPen(value);
                    continue;
                case '<':
                    ++pos_;
                    penUp = true;
                    continue;
                case '=':
                    ++pos_;
                    absolute = true;
                    continue;
                case '7':
                    ++pos_;
                    sevenBit_ = true;
                    continue;
                case '>': {
                    ++pos_;
                    if (!number(value)) return false;
                    // Plotters take up to 26 fractional bits; more is nonsense.
                    const int bits = value < 0 ? 0 : value > 26 ? 26 : static_cast<int>(value);
                    divisor = static_cast<double>(1u << bits);
                    continue;
                }
                default:
                    break;
            }
            const unsigned u = static_cast<unsigned char>(c);
            const bool digit = sevenBit_ ? (u >= 63 && u <= 126) : ((u >= 63 && u <= 126) || (u >= 191 && u <= 254));
            if (!digit) {
                ++pos_;
                continue;
            }
            double x, y;
            if (!number(x) || !number(y)) return false;
            sink.point(x / divisor, y / divisor, absolute, penUp);
            penUp = false;
            absolute = false;
        }
        return true;
    }

private:
    std::string_view data_;
    std::size_t pos_ = 0;
    bool sevenBit_ = false;
};

}  // namespace

bool decodePolyline(std::string_view data, PolylineSink& sink) { return Decoder(data).run(sink); }

}  // namespace kerfline::dialect
