#include "print/print_log.h"

#include <cmath>
#include <cstdio>
#include <cstdint>

namespace kerfline {

std::string printLogLine(const std::tm& time, const char* fileName, const PlotDrawing& drawing,
                         const char* printer) {
    char stamp[32];
    if (std::strftime(stamp, sizeof stamp, "%d/%m/%y %H:%M", &time) == 0) stamp[0] = '\0';
    // The bounds' empty values would make a difference of nonsense.
    std::int64_t width = 0, height = 0;
    if (drawing.hasExtent()) {
        width = (std::int64_t{drawing.maxX} - drawing.minX) / kUnitsPerMm;
        height = (std::int64_t{drawing.maxY} - drawing.minY) / kUnitsPerMm;
    }
    char travel[32];
    travelNumberText(drawing.totalTravel, travel, sizeof travel);
    std::string line = stamp;
    line += ',';
    line += fileName ? fileName : "";
    line += ',' + std::to_string(width) + ',' + std::to_string(height) + ',' + travel + ',';
    line += printer ? printer : "";
    line += "\r\n";
    return line;
}

void appendPrintLog(const char* path, const std::string& line) {
    if (!path || !*path) return;
    if (std::FILE* log = std::fopen(path, "ab")) {
        std::fwrite(line.data(), 1, line.size(), log);
        std::fclose(log);
    }
}

}  // namespace kerfline
