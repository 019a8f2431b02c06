// Any bytes converted as a plot file in any HP-GL dialect: the conversion
// must finish within its budget, and what it writes must be plain cutter
// HP-GL that Kerfline's own reader takes whole, no instruction longer than
// that reader allows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "drawing/drawing.h"
#include "dialect/converter.h"
#include "hpgl/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kerfline;
    static const bool sorted = (sortMnemonicTable(), true);
    (void)sorted;
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    dialect::ConvertOptions options;
    // The first byte picks a tolerance, so that the curves are fuzzed at
    // every fineness the command line allows.
    options.toleranceMm = size > 0 ? dialect::kMinToleranceMm + data[0] * 0.04 : 0.05;
    options.vertexBudget = 50'000;
    const dialect::ConvertResult result = dialect::convertPlot(input, options);
    if (result.tooLarge) {
        if (!result.text().empty()) std::abort();
        return 0;
    }
    const std::string written = result.text();
    const std::string_view text = written;
    if (text.substr(0, 4) != "IN;\n") std::abort();
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        const std::size_t end = text.find('\n', lineStart);
        if (end == std::string_view::npos) std::abort();
        const std::string_view line = text.substr(lineStart, end - lineStart);
        if (line.size() > 512 || line.empty() || line.back() != ';') std::abort();
        const std::string_view name = line.substr(0, 2);
        if (name != "IN" && name != "PU" && name != "PD" && name != "SP" && name != "VS" && name != "FS")
            std::abort();
        lineStart = end + 1;
    }

    PlotDrawing drawing;
    MemoryInput in(text);
    readDrawing(in, drawing);
    if (in.failed()) std::abort();
    if (result.cuts > 0 && !drawing.hasExtent()) std::abort();
    return 0;
}
