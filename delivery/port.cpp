#include "delivery/port.h"

namespace kerfline::delivery {

bool isStandardBaud(std::uint32_t baud) {
    switch (baud) {
        case 110:
        case 300:
        case 600:
        case 1200:
        case 1800:
        case 2400:
        case 4800:
        case 9600:
        case 19200:
        case 38400:
        case 57600:
        case 115200:
            return true;
        default:
            return false;
    }
}

}  // namespace kerfline::delivery
