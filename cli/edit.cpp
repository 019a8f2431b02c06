// edit: the operations, in the order given, on one workpiece, saved once;
// and carrying the operations out, for convert too.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/production.h"
#include "cli/run.h"
#include "cutting/check/repairs.h"
#include "cutting/cut_edits.h"
#include "cutting/cut_order.h"
#include "drawing/drawing.h"
#include "drawing/operations.h"

namespace kerfline::cli {

namespace {

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

}  // namespace

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
