// render: the job as an SVG picture at true size.
#include "cli/commands.h"
#include "cli/run.h"
#include "cutting/figures.h"

namespace kerfline::cli {

int runRender(const Arguments& arguments) {
    PlotDrawing drawing;
    if (!loadDrawing(arguments.file, drawing)) return kExitFailed;
    const Picture picture = pictureOf(drawing);
    const bool saved =
        saveOutput(arguments.output, [&picture](OutputStream& out) { writeSvg(out, picture); });
    return saved ? kExitDone : kExitFailed;
}

}  // namespace kerfline::cli
