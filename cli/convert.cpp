// convert: any HP-GL or HP-GL/2 plot file into plain cutter HP-GL, then
// edit's operations if any, saved as edit saves.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <string>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/run.h"
#include "cli/text.h"
#include "dialect/converter.h"
#include "drawing/drawing.h"
#include "hpgl/stream.h"
#include "io/safe_save.h"

namespace kerfline::cli {

namespace {

// The file's bytes exactly as they are: 8-bit encoded polylines and binary
// PCL may hold any byte, so no text-mode rule applies here.
bool readWholeFile(const std::string& path, std::string& bytes) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return false;
    // Read straight into place; the size is only a hint (it may change).
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size < (std::uintmax_t{1} << 40)) bytes.reserve(static_cast<std::size_t>(size) + 1);
    char block[1 << 16];
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, file.get());
        bytes.append(block, got);
        if (got < sizeof block) return std::ferror(file.get()) == 0;
    }
}

}  // namespace

int runConvert(const Arguments& arguments) {
    const std::string name = nameToUtf8(arguments.file);
    std::string bytes;
    if (!readWholeFile(arguments.file, bytes)) {
        reportFailure("Invalid File", name);
        return kExitFailed;
    }
    dialect::ConvertOptions options;
    options.toleranceMm = arguments.tolerance;
    dialect::ConvertResult result = dialect::convertPlot(bytes, options);
    bytes = std::string();

    std::string summary;
    for (const std::string& line : result.summary) {
        summary += line;
        summary += '\n';
    }
    writeText(stderr, summary);
    if (result.tooLarge) {
        reportFailure("Too Large To Convert", name);
        return kExitFailed;
    }
    // Nothing to cut is nothing read, whatever the file held.
    if (result.cuts == 0) {
        reportFailure("Invalid File", name);
        return kExitFailed;
    }

    if (arguments.operations.empty()) {
        const auto write = [&result](OutputStream& out) { writeJob(out, result.job, kConvertLayout); };
        return saveOutput(arguments.output, write) ? kExitDone : kExitFailed;
    }
    // The operations of edit, on the converted job.
    PlotDrawing drawing;
    Workpiece piece(drawing, std::move(result.job), kConvertLayout);
    if (!applyOperations(arguments.operations, piece)) return kExitUsage;
    const auto write = [&piece](OutputStream& out) { piece.write(out); };
    return saveOutput(arguments.output, write) ? kExitDone : kExitFailed;
}

}  // namespace kerfline::cli
