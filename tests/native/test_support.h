// Small helpers shared by the core tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "cutting/cuts.h"
#include "drawing/drawing.h"
#include "hpgl/reader.h"
#include "tests/common/files.h"

namespace kerfline::test {

// A drawing read from memory; `failed` tells whether the read failed.
struct ReadResult {
    PlotDrawing drawing;
    bool failed = false;
    bool eof = false;
};
inline void readInto(ReadResult& result, std::string_view text) {
    MemoryInput in(text);
    readDrawing(in, result.drawing);
    result.failed = in.failed();
    result.eof = in.eof();
}

// The cuts of a drawing read from `hpgl`.
inline CutJob walkText(std::string_view hpgl) {
    ReadResult r;
    readInto(r, hpgl);
    return walkCuts(r.drawing);
}

inline std::string writtenCommand(const HpglCommand& command) {
    MemoryOutput out;
    writeCommand(out, command);
    return out.str();
}

inline std::string written(const PlotDrawing& drawing) {
    MemoryOutput out;
    writeDrawing(out, drawing);
    return out.str();
}

// Reads `text` and writes it back as the program would save it.
inline std::string roundTrip(std::string_view text) {
    ReadResult result;
    readInto(result, text);
    return written(result.drawing);
}

}  // namespace kerfline::test
