#include "cli/run.h"

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/convert.h"
#include "cli/production.h"
#include "io/safe_save.h"
#include "cli/text.h"
#include "drawing/drawing.h"
#include "cutting/cut_edits.h"
#include "cutting/cut_order.h"
#include "drawing/operations.h"
#include "cutting/check/repairs.h"

namespace kerfline::cli {

namespace {

void report(std::string_view what, std::string_view name) {
    std::string line(what);
    line += ": ";
    line += name;
    line += '\n';
    writeText(stderr, line);
}

// Reads the whole file before anything is written, so that an invalid file
// produces no output at all. False (after saying so) when it is invalid.
bool load(const std::string& path, PlotDrawing& drawing) {
    FileInput in(path.c_str());
    if (in.isOpen()) readDrawing(in, drawing);
    if (!in.isOpen() || in.failed()) {
        report("Invalid File", nameToUtf8(path));
        return false;
    }
    return true;
}

// Prints the pen-up travel that --order saved, in millimetres.
void reportOrder(const OrderTravel& travel) {
    char line[160];
    std::snprintf(line, sizeof line, "pen-up travel: %.1f mm before, %.1f mm after --order\n",
                  travel.before / kUnitsPerMm, travel.after / kUnitsPerMm);
    writeText(stderr, line);
}

// False, after saying why, when the operation cannot be carried out.
// `precut` is --blade-offset's, until --no-precut.
bool apply(const Operation& operation, Workpiece& piece, bool& precut) {
    if (isProduction(operation.kind)) return applyProduction(operation, piece);
    const bool cutTool = operation.kind == Operation::Kind::Order || operation.kind == Operation::Kind::Copies ||
                         operation.kind == Operation::Kind::Overcut ||
                         operation.kind == Operation::Kind::BladeOffset || operation.kind == Operation::Kind::Merge ||
                         operation.kind == Operation::Kind::Close || operation.kind == Operation::Kind::Simplify ||
                         operation.kind == Operation::Kind::DropDots || operation.kind == Operation::Kind::Weld;
    PlotPoint low, high;
    if (cutTool && !piece.extent(low, high))
        writeText(stderr, "the drawing has nothing to cut; it stays as it is\n");
    switch (operation.kind) {
        case Operation::Kind::Frame:
            frameDrawing(piece.drawing(), operation.value);
            break;
        case Operation::Kind::Scale:
            scaleDrawing(piece.drawing(), operation.value);
            break;
        case Operation::Kind::Rotate:
            rotateDrawing(piece.drawing());
            break;
        case Operation::Kind::Move:
            moveDrawing(piece.drawing(), operation.x, operation.y);
            break;
        case Operation::Kind::Order:
            reportOrder(orderDrawing(piece));
            break;
        case Operation::Kind::Copies:
            if (!copyDrawing(piece, operation.x, operation.y, operation.millimetres)) {
                writeText(stderr, "--copies: the copies would not fit in the plotter's coordinates\n");
                return false;
            }
            break;
        case Operation::Kind::Overcut:
            overcutDrawing(piece, operation.millimetres);
            break;
        case Operation::Kind::BladeOffset:
            bladeOffsetDrawing(piece, operation.millimetres, precut);
            break;
        case Operation::Kind::NoPrecut:
            precut = false;
            break;
        case Operation::Kind::Merge:
            mergeDrawing(piece, operation.millimetres);
            break;
        case Operation::Kind::Close:
            closeDrawing(piece, operation.millimetres);
            break;
        case Operation::Kind::Simplify:
            simplifyDrawing(piece, operation.millimetres);
            break;
        case Operation::Kind::DropDots:
            dropDotsDrawing(piece);
            break;
        case Operation::Kind::Weld:
            weldDrawing(piece);
            break;
        default:  // the production operations, above
            break;
    }
    return true;
}

// Info and the usage: what cannot be written is said on standard error.
int writeStandardOutput(std::string_view text) {
    if (writeText(stdout, text)) return kExitDone;
    report("Can't Write", "standard output");
    return kExitFailed;
}

int info(const Arguments& arguments) {
    PlotDrawing drawing;
    if (!load(arguments.file, drawing)) return kExitFailed;

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

int edit(const Arguments& arguments) {
    PlotDrawing drawing;
    if (!load(arguments.file, drawing)) return kExitFailed;
    Workpiece piece(drawing);
    if (!applyOperations(arguments.operations, piece)) return kExitUsage;
    const auto write = [&piece](OutputStream& out) { piece.write(out); };
    return saveOutput(arguments.output, write) ? kExitDone : kExitFailed;
}

}  // namespace

bool loadDrawing(const std::string& path, PlotDrawing& drawing) { return load(path, drawing); }

bool applyOperations(const std::vector<Operation>& operations, Workpiece& piece) {
    bool precut = true;
    for (const Operation& operation : operations)
        if (!apply(operation, piece, precut)) return false;
    return true;
}

void reportFailure(std::string_view what, std::string_view name) { report(what, name); }

bool saveOutput(const std::string& output, const ContentWriter& write) {
    if (output.empty()) {
        setBinaryMode(stdout);
        StandardOutput out(stdout);
        write(out);
        if (out.finish()) return true;
        report("Can't Save File", "standard output");
        return false;
    }
    if (saveReplacing(output.c_str(), write)) return true;
    report("Can't Save File", nameToUtf8(output));
    return false;
}

int run(const Arguments& arguments) {
    switch (arguments.action) {
        case Arguments::Action::Help:
            return writeStandardOutput(usageText());
        case Arguments::Action::Info:
            return arguments.json ? runInfoJson(arguments) : info(arguments);
        case Arguments::Action::Tile:
            return runTile(arguments);
        case Arguments::Action::Render:
            return runRender(arguments);
        case Arguments::Action::Edit:
            return edit(arguments);
        case Arguments::Action::Convert:
            return convert(arguments);
        case Arguments::Action::Send:
            return runSend(arguments);
        case Arguments::Action::Check:
            return runCheck(arguments);
    }
    return kExitUsage;
}

}  // namespace kerfline::cli
