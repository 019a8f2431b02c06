// check: what would go wrong when the job is cut, one line per kind of
// fault, or one JSON object.
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "export/json.h"
#include "cli/run.h"
#include "cli/text.h"
#include "export/decimal.h"
#include "cutting/figures.h"
#include "cutting/check/job_faults.h"

namespace kerfline::cli {

namespace {

// A kind of fault as it is written: its name, its findings, and what the
// size of each means (empty for none).
struct KindText {
    const char* name;
    const std::vector<Finding> JobFaults::*findings;
    const char* sizeKey;   // in the JSON object
    const char* sizeText;  // after the size in the text: "mm long"
};

constexpr KindText kKinds[] = {
    {"doubled", &JobFaults::doubled, "length_mm", "mm"},
    {"gap", &JobFaults::gap, "apart_mm", "mm apart"},
    {"dot", &JobFaults::dot, "", ""},
    {"splinter", &JobFaults::splinter, "length_mm", "mm long"},
    {"thin", &JobFaults::thin, "width_mm", "mm wide"},
    {"crossing", &JobFaults::crossing, "", ""},
    {"outside", &JobFaults::outside, "beyond_mm", "mm beyond"},
};

// The places shown on a line of text; JSON has them all.
constexpr std::size_t kPlacesShown = 5;

std::string millimetres(double units, int places) { return decimalText(units / kUnitsPerMm, places); }

}  // namespace

int runCheck(const Arguments& arguments) {
    PlotDrawing drawing;
    if (!loadDrawing(arguments.file, drawing)) return kExitFailed;
    FaultLimits limits;
    limits.minWidth = arguments.minWidth * kUnitsPerMm;
    limits.media = arguments.mediaWidth > 0;
    limits.mediaWidth = arguments.mediaWidth;
    limits.mediaHeight = arguments.mediaHeight;
    const JobFaults faults = findFaults(walkCuts(drawing), limits);
    const JobFigures figures = jobFigures(drawing, TimeModel{});
    // Places are given from the drawing's lower-left corner.
    const geom::Vec corner = figures.hasExtent ? geom::Vec{static_cast<double>(figures.minX), static_cast<double>(figures.minY)}
                                               : geom::Vec{};
    std::size_t count = 0;
    double twice = 0.0;
    for (const KindText& kind : kKinds) count += (faults.*kind.findings).size();
    for (const Finding& f : faults.doubled) twice += f.size;

    const std::string name = nameToUtf8(fileNameOf(arguments.file));
    std::string text;
    if (arguments.json) {
        JsonObject object;
        object.text("name", name)
            .number("faults", static_cast<std::int64_t>(count))
            .number("cuts", static_cast<std::int64_t>(figures.cuts))
            .number("closed_cuts", static_cast<std::int64_t>(figures.closedCuts))
            .number("cut_mm", millimetres(figures.cutUnits, 3))
            .number("move_mm", millimetres(figures.moveUnits, 3))
            .number("doubled_mm", millimetres(twice, 3));
        for (const KindText& kind : kKinds) {
            if (kind.findings == &JobFaults::outside && !limits.media) continue;
            std::vector<JsonObject> list;
            for (const Finding& f : faults.*kind.findings) {
                JsonObject place;
                place.number("x_mm", millimetres(f.at.x - corner.x, 3)).number("y_mm", millimetres(f.at.y - corner.y, 3));
                if (*kind.sizeKey) place.number(kind.sizeKey, millimetres(f.size, 3));
                list.push_back(std::move(place));
            }
            object.list(kind.name, list);
        }
        text = object.str() + "\n";
    } else {
        text = name + "\n";
        for (const KindText& kind : kKinds) {
            const std::vector<Finding>& list = faults.*kind.findings;
            if (list.empty()) continue;
            text += kind.name;
            text += ": " + std::to_string(list.size());
            if (kind.findings == &JobFaults::doubled) text += ", " + millimetres(twice, 2) + " mm cut twice";
            text += ", at ";
            for (std::size_t i = 0; i < list.size() && i < kPlacesShown; ++i) {
                if (i > 0) text += "; ";
                text += millimetres(list[i].at.x - corner.x, 2) + "," + millimetres(list[i].at.y - corner.y, 2);
                if (*kind.sizeKey) text += " (" + millimetres(list[i].size, 2) + " " + kind.sizeText + ")";
            }
            if (list.size() > kPlacesShown) text += " and " + std::to_string(list.size() - kPlacesShown) + " more";
            text += "\n";
        }
        if (count == 0) text += "no faults\n";
        text += std::to_string(figures.cuts) + (figures.cuts == 1 ? " cut, " : " cuts, ") +
                std::to_string(figures.closedCuts) + " closed, knife travel " +
                millimetres(figures.cutUnits, 1) + " mm, pen-up " + millimetres(figures.moveUnits, 1) + " mm\n";
    }
    if (!writeText(stdout, text)) {
        reportFailure("Can't Write", "standard output");
        return kExitFailed;
    }
    return count > 0 ? kExitFound : kExitDone;
}

}  // namespace kerfline::cli
