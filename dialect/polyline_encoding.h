// HP-GL/2 polyline encoding (PE): coordinates packed as base-64 (8-bit) or
// base-32 (7-bit) digits, least significant first, the sign in the lowest
// bit, with flags for a pen change, a pen-up move, absolute coordinates and
// fractional bits.
#pragma once

#include <string_view>

namespace kerfline::dialect {

class PolylineSink {
public:
    virtual ~PolylineSink() = default;
    virtual void selectPen(double pen) = 0;
    // A coordinate pair in current units: relative to the last point unless
    // `absolute`; drawn unless `penUp`.
    virtual void point(double x, double y, bool absolute, bool penUp) = 0;
};

// Decodes the parameters of one PE instruction (everything between "PE"
// and its ";"). Bytes that are neither flags nor digits are passed over, as
// plotters do with line ends inside the data. Returns false when the data
// ends inside a number or after a flag that needs one; what came before it
// has been delivered.
bool decodePolyline(std::string_view data, PolylineSink& sink);

}  // namespace kerfline::dialect
