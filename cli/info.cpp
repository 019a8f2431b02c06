// info: the file's name, area, lower-left corner and knife travel, one per
// line, as the Info dialog shows them; info --json is in info_json.cpp.
#include <string>

#include "cli/commands.h"
#include "cli/run.h"
#include "cli/text.h"
#include "drawing/drawing.h"

namespace kerfline::cli {

int runInfo(const Arguments& arguments) {
    if (arguments.json) return runInfoJson(arguments);
    PlotDrawing drawing;
    if (!loadDrawing(arguments.file, drawing)) return kExitFailed;

    // The longest text is two 64-bit numbers and their units; plenty of room.
    char buffer[128];
    std::string text = nameToUtf8(fileNameOf(arguments.file));
    text += '\n';
    text += cp1251ToUtf8(drawing.areaText(buffer, sizeof buffer));
    text += '\n';
    text += cp1251ToUtf8(drawing.lowerLeftText(buffer, sizeof buffer));
    text += '\n';
    text += cp1251ToUtf8(drawing.travelText(buffer, sizeof buffer));
    text += '\n';
    return writeStandardOutput(text);
}

}  // namespace kerfline::cli
