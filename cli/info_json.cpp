// info --json: the job's figures as one JSON object.
#include <cstdio>

#include "cli/commands.h"
#include "cli/console.h"
#include "export/json.h"
#include "cli/run.h"
#include "cli/text.h"
#include "export/decimal.h"
#include "cutting/figures.h"

namespace kerfline::cli {

int runInfoJson(const Arguments& arguments) {
    PlotDrawing drawing;
    if (!loadDrawing(arguments.file, drawing)) return kExitFailed;
    TimeModel model;
    model.defaultSpeed = arguments.speed;
    const JobFigures figures = jobFigures(drawing, model);

    JsonObject carried;
    // Mnemonics are bytes of the file; read as code page 1251 like its labels.
    for (const auto& [mnemonic, count] : figures.carried)
        carried.number(cp1251ToUtf8(mnemonic), static_cast<std::int64_t>(count));

    JsonObject object;
    object.text("name", nameToUtf8(fileNameOf(arguments.file)))
        .number("instructions", static_cast<std::int64_t>(figures.instructions));
    if (figures.hasExtent) {
        object.number("width_mm", millimetreText(std::int64_t{figures.maxX} - figures.minX))
            .number("height_mm", millimetreText(std::int64_t{figures.maxY} - figures.minY))
            .number("min_x", figures.minX)
            .number("min_y", figures.minY)
            .number("max_x", figures.maxX)
            .number("max_y", figures.maxY);
    } else {
        object.number("width_mm", "0").number("height_mm", "0");
        object.null("min_x").null("min_y").null("max_x").null("max_y");
    }
    object.number("cut_mm", decimalText(figures.cutUnits / kUnitsPerMm, 3))
        .number("move_mm", decimalText(figures.moveUnits / kUnitsPerMm, 3))
        .number("cuts", static_cast<std::int64_t>(figures.cuts))
        .number("closed_cuts", static_cast<std::int64_t>(figures.closedCuts))
        .object("unknown", carried)
        .number("time_s", decimalText(figures.seconds, 2));

    if (writeText(stdout, object.str() + "\n")) return kExitDone;
    reportFailure("Can't Write", "standard output");
    return kExitFailed;
}

}  // namespace kerfline::cli
