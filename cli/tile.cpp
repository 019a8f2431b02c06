// tile: a drawing larger than the cutter as panels that each fit it.
#include <sys/stat.h>

#include <string>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/run.h"
#include "cli/text.h"
#include "cutting/tile.h"

namespace kerfline::cli {

namespace {

// More would be a mistake in the size rather than a job.
constexpr std::int64_t kMostPanels = 10000;

// The input's name without its folder and its extension; a name that is
// only an extension (".plt") stays as it is.
std::string baseName(std::string_view path) {
    std::string_view name = fileNameOf(path);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR;
}

}  // namespace

int runTile(const Arguments& arguments) {
    PlotDrawing drawing;
    if (!loadDrawing(arguments.file, drawing)) return kExitFailed;

    const PanelGrid grid =
        panelGrid(drawing, arguments.panelWidth, arguments.panelHeight, arguments.overlap);
    if (grid.rows > kMostPanels || grid.columns > kMostPanels ||
        grid.rows * grid.columns > kMostPanels) {
        std::string message = "kerfline-cli: the drawing would need " +
                              std::to_string(grid.columns) + "x" + std::to_string(grid.rows) +
                              " panels of that size; at most " + std::to_string(kMostPanels) +
                              " are made\n";
        writeText(stderr, message);
        return kExitUsage;
    }

    std::string folder = arguments.output.empty() ? std::string(".") : arguments.output;
    if (!isFolder(folder)) {
        reportFailure("Can't Save File", nameToUtf8(folder) + " (not a folder)");
        return kExitFailed;
    }
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    const std::string stem = folder + baseName(arguments.file) + "-";

    const Tiler tiler(drawing);
    for (std::int64_t row = 0; row < grid.rows; ++row) {
        for (std::int64_t column = 0; column < grid.columns; ++column) {
            PlotDrawing panel;
            tiler.panel(grid, row, column, panel);
            const std::string path =
                stem + std::to_string(row + 1) + "-" + std::to_string(column + 1) + ".plt";
            if (!saveOutput(path, [&panel](OutputStream& out) { writeDrawing(out, panel); }))
                return kExitFailed;
        }
    }
    return kExitDone;
}

}  // namespace kerfline::cli
