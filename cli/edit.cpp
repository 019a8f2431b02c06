// edit: the operations, in the order given, on one workpiece, saved once.
// The operations' table (read by the parser and the usage too) and the
// operations themselves, which convert applies as well; the production ones
// are in production.cpp.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/operations.h"
#include "cli/production.h"
#include "cli/run.h"
#include "cutting/check/repairs.h"
#include "cutting/cut_edits.h"
#include "cutting/cut_order.h"
#include "drawing/drawing.h"
#include "drawing/operations.h"

namespace kerfline::cli {

namespace {

// The largest values taken: beyond them a value is a mistake, and copies
// or lengths that large would only exhaust memory.
constexpr std::int32_t kMostCopies = 10000;
constexpr double kLongestOvercut = 1000.0;
constexpr double kLargestBladeOffset = 10.0;
constexpr double kWidestGap = 100000.0;
// The repairs' distances.
constexpr double kLargestRepair = 10.0;

std::string readWholeNumber(std::string_view option, std::string_view value, Operation& operation) {
    if (parseWholeNumber(value, operation.value)) return {};
    return std::string(option) + " needs a whole number, not " + quoted(value);
}

std::string readMove(std::string_view, std::string_view value, Operation& operation) {
    const std::size_t comma = value.find(',');
    if (comma != std::string_view::npos && parseWholeNumber(value.substr(0, comma), operation.x) &&
        parseWholeNumber(value.substr(comma + 1), operation.y))
        return {};
    return "--move needs X,Y in whole millimetres, not " + quoted(value);
}

std::string readNothing(std::string_view, std::string_view, Operation&) { return {}; }

std::string readCopies(std::string_view, std::string_view value, Operation& operation) {
    const std::size_t x = value.find('x');
    const std::size_t comma = value.find(',');
    const std::string_view grid = value.substr(0, comma);
    const std::string error = "--copies needs COLUMNSxROWS[,GAP]: whole numbers from 1 and a gap "
                              "in millimetres, not " + quoted(value);
    if (x == std::string_view::npos || x > grid.size()) return error;
    std::int32_t columns = 0, rows = 0;
    if (grid.substr(0, x).find('-') != std::string_view::npos ||
        !parseWholeNumber(grid.substr(0, x), columns) || !parseWholeNumber(grid.substr(x + 1), rows) ||
        grid.substr(x + 1).find('-') != std::string_view::npos || columns < 1 || rows < 1)
        return error;
    if (static_cast<std::int64_t>(columns) * rows > kMostCopies)
        return "--copies makes at most " + std::to_string(kMostCopies) + " copies, not " + quoted(value);
    operation.x = columns;
    operation.y = rows;
    operation.millimetres = 5.0;
    if (comma != std::string_view::npos &&
        !parseMillimetres(value.substr(comma + 1), kWidestGap, true, operation.millimetres))
        return error;
    return {};
}

std::string readOvercut(std::string_view, std::string_view value, Operation& operation) {
    if (parseMillimetres(value, kLongestOvercut, false, operation.millimetres)) return {};
    return "--overcut needs millimetres above 0, at most 1000, not " + quoted(value);
}

std::string readBladeOffset(std::string_view, std::string_view value, Operation& operation) {
    if (parseMillimetres(value, kLargestBladeOffset, false, operation.millimetres)) return {};
    return "--blade-offset needs millimetres above 0, at most 10, not " + quoted(value);
}

// The repairs' distances: above 0, at most 10 mm.
std::string readRepair(std::string_view option, std::string_view value, Operation& operation) {
    if (parseMillimetres(value, kLargestRepair, false, operation.millimetres)) return {};
    return std::string(option) + " needs millimetres above 0, at most 10, not " + quoted(value);
}

// Prints the pen-up travel that --order saved, in millimetres.
void reportOrder(const OrderTravel& travel) {
    char line[160];
    std::snprintf(line, sizeof line, "pen-up travel: %.1f mm before, %.1f mm after --order\n",
                  travel.before / kUnitsPerMm, travel.after / kUnitsPerMm);
    writeText(stderr, line);
}

bool applyFrame(const Operation& operation, Workpiece& piece, bool&) {
    frameDrawing(piece.drawing(), operation.value);
    return true;
}

bool applyScale(const Operation& operation, Workpiece& piece, bool&) {
    scaleDrawing(piece.drawing(), operation.value);
    return true;
}

bool applyRotate(const Operation&, Workpiece& piece, bool&) {
    rotateDrawing(piece.drawing());
    return true;
}

bool applyMove(const Operation& operation, Workpiece& piece, bool&) {
    moveDrawing(piece.drawing(), operation.x, operation.y);
    return true;
}

bool applyOrder(const Operation&, Workpiece& piece, bool&) {
    reportOrder(orderDrawing(piece));
    return true;
}

bool applyCopies(const Operation& operation, Workpiece& piece, bool&) {
    if (copyDrawing(piece, operation.x, operation.y, operation.millimetres)) return true;
    writeText(stderr, "--copies: the copies would not fit in the plotter's coordinates\n");
    return false;
}

bool applyOvercut(const Operation& operation, Workpiece& piece, bool&) {
    overcutDrawing(piece, operation.millimetres);
    return true;
}

bool applyBladeOffset(const Operation& operation, Workpiece& piece, bool& precut) {
    bladeOffsetDrawing(piece, operation.millimetres, precut);
    return true;
}

bool applyNoPrecut(const Operation&, Workpiece&, bool& precut) {
    precut = false;
    return true;
}

bool applyMerge(const Operation& operation, Workpiece& piece, bool&) {
    mergeDrawing(piece, operation.millimetres);
    return true;
}

bool applyClose(const Operation& operation, Workpiece& piece, bool&) {
    closeDrawing(piece, operation.millimetres);
    return true;
}

bool applySimplify(const Operation& operation, Workpiece& piece, bool&) {
    simplifyDrawing(piece, operation.millimetres);
    return true;
}

bool applyDropDots(const Operation&, Workpiece& piece, bool&) {
    dropDotsDrawing(piece);
    return true;
}

bool applyWeld(const Operation&, Workpiece& piece, bool&) {
    weldDrawing(piece);
    return true;
}

using WhenEmpty = OperationRow::WhenEmpty;

constexpr OperationRow kOperations[] = {
    {"--frame", "MM", "add a frame MM millimetres outside the drawing", readWholeNumber,
     Operation::Kind::Frame, WhenEmpty::Always, applyFrame},
    {"--scale", "PERCENT", "scale about the origin by PERCENT per cent", readWholeNumber,
     Operation::Kind::Scale, WhenEmpty::Always, applyScale},
    {"--rotate", "", "turn a quarter clockwise", readNothing,
     Operation::Kind::Rotate, WhenEmpty::Always, applyRotate},
    {"--move", "X,Y", "move the lower-left corner to X,Y millimetres", readMove,
     Operation::Kind::Move, WhenEmpty::Always, applyMove},
    {"--order", "", "holes before their outlines, else the nearest cut next;\n"
                    "prints the pen-up travel before and after", readNothing,
     Operation::Kind::Order, WhenEmpty::Noted, applyOrder},
    {"--copies", "CxR[,GAP]", "C columns and R rows of copies, GAP mm apart (default 5)", readCopies,
     Operation::Kind::Copies, WhenEmpty::Noted, applyCopies},
    {"--overcut", "MM", "closed cuts go on MM past their start", readOvercut,
     Operation::Kind::Overcut, WhenEmpty::Noted, applyOvercut},
    {"--blade-offset", "MM", "drive a drag knife whose tip trails MM behind its axis,\n"
                             "after a precut beside the drawing", readBladeOffset,
     Operation::Kind::BladeOffset, WhenEmpty::Noted, applyBladeOffset},
    {"--no-precut", "", "no precut for the --blade-offset after it: the blade\n"
                        "is taken to point along +X at the start", readNothing,
     Operation::Kind::NoPrecut, WhenEmpty::Always, applyNoPrecut},
    {"--mirror", "", "left to right within the drawing's bounds", readNothing,
     Operation::Kind::Mirror, WhenEmpty::Skipped, applyMirror},
    {"--weed-box", "MM", "a box MM outside the drawing, cut last", readWeedBox,
     Operation::Kind::Weed, WhenEmpty::Skipped, applyWeed},
    {"--weed-lines", "MM", "lines every MM through the waste, clear of the design;\n"
                           "with --weed-box across the box, made with it", readWeedLines,
     Operation::Kind::Weed, WhenEmpty::Skipped, applyWeed},
    {"--passes", "N", "every cut N times (1 to 10)", readPasses,
     Operation::Kind::Passes, WhenEmpty::Skipped, applyPasses},
    {"--perforate", "CUT,GAP", "every cut as CUT mm dashes, GAP mm apart", readPerforate,
     Operation::Kind::Perforate, WhenEmpty::Skipped, applyPerforate},
    {"--pen", "N", "only the cuts made with pen N (once)", readPen,
     Operation::Kind::Pen, WhenEmpty::Skipped, applyPen},
    {"--merge", "MM", "join cuts whose ends meet within MM; lift the knife over\n"
                      "stretches already cut within MM", readRepair,
     Operation::Kind::Merge, WhenEmpty::Noted, applyMerge},
    {"--close", "MM", "close open cuts whose ends lie within MM", readRepair,
     Operation::Kind::Close, WhenEmpty::Noted, applyClose},
    {"--simplify", "MM", "fewer points, none more than MM off the line", readRepair,
     Operation::Kind::Simplify, WhenEmpty::Noted, applySimplify},
    {"--drop-dots", "", "leave out cuts of no length", readNothing,
     Operation::Kind::DropDots, WhenEmpty::Noted, applyDropDots},
    {"--weld", "", "shapes that overlap become the outline of their union", readNothing,
     Operation::Kind::Weld, WhenEmpty::Noted, applyWeld},
};

// False, after saying why, when the operation cannot be carried out.
bool apply(const Operation& operation, Workpiece& piece, bool& precut) {
    const auto row = std::find_if(std::begin(kOperations), std::end(kOperations),
                                  [&operation](const OperationRow& r) { return r.kind == operation.kind; });
    if (row == std::end(kOperations)) return true;
    PlotPoint low, high;
    if (row->whenEmpty != WhenEmpty::Always && !piece.extent(low, high)) {
        writeText(stderr, "the drawing has nothing to cut; it stays as it is\n");
        if (row->whenEmpty == WhenEmpty::Skipped) return true;
    }
    return row->apply(operation, piece, precut);
}

}  // namespace

std::span<const OperationRow> operationTable() { return kOperations; }

const OperationRow* findOperation(std::string_view option) {
    for (const OperationRow& row : kOperations)
        if (row.name == option) return &row;
    return nullptr;
}

bool applyOperations(const std::vector<Operation>& operations, Workpiece& piece) {
    bool precut = true;
    for (const Operation& operation : operations)
        if (!apply(operation, piece, precut)) return false;
    return true;
}

int runEdit(const Arguments& arguments) {
    PlotDrawing drawing;
    if (!loadDrawing(arguments.file, drawing)) return kExitFailed;
    Workpiece piece(drawing);
    if (!applyOperations(arguments.operations, piece)) return kExitUsage;
    const auto write = [&piece](OutputStream& out) { piece.write(out); };
    return saveOutput(arguments.output, write) ? kExitDone : kExitFailed;
}

}  // namespace kerfline::cli
