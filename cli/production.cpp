// The production operations of edit: reading their values and carrying
// them out.
#include "cli/production.h"

#include <cstdio>

#include "cli/console.h"
#include "cutting/production/production.h"

namespace kerfline::cli {

namespace {

std::string quote(std::string_view word) {
    std::string text = "'";
    text += word;
    text += '\'';
    return text;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Millimetres from `low` to `high`; above 0 when `low` is 0.
bool readRange(std::string_view text, double low, double high, double& value) {
    double parsed = 0.0;
    if (!parseMillimetres(text, high, false, parsed) || parsed < low) return false;
    value = parsed;
    return true;
}

void note(const std::string& line) { writeText(stderr, line + "\n"); }

}  // namespace

std::string readWeedBox(std::string_view, std::string_view value, Operation& operation) {
    if (readRange(value, 0.0, kLargestWeedBox, operation.millimetres)) return {};
    return "--weed-box needs millimetres above 0, at most " + number(kLargestWeedBox) + ", not " + quote(value);
}

std::string readWeedLines(std::string_view, std::string_view value, Operation& operation) {
    if (readRange(value, kNarrowestWeedLines, kWidestWeedLines, operation.length)) return {};
    return "--weed-lines needs millimetres from " + number(kNarrowestWeedLines) + " to " +
           number(kWidestWeedLines) + ", not " + quote(value);
}

std::string readPasses(std::string_view, std::string_view value, Operation& operation) {
    if (parseWholeNumber(value, operation.value) && operation.value >= 1 && operation.value <= kMostPasses)
        return {};
    return "--passes needs a whole number from 1 to " + std::to_string(kMostPasses) + ", not " + quote(value);
}

std::string readPerforate(std::string_view, std::string_view value, Operation& operation) {
    const std::size_t comma = value.find(',');
    if (comma != std::string_view::npos &&
        readRange(value.substr(0, comma), kShortestPerforation, kLongestPerforation, operation.millimetres) &&
        readRange(value.substr(comma + 1), kShortestPerforation, kLongestPerforation, operation.length))
        return {};
    return "--perforate needs CUT,GAP in millimetres, each from " + number(kShortestPerforation) + " to " +
           number(kLongestPerforation) + ", not " + quote(value);
}

std::string readPen(std::string_view, std::string_view value, Operation& operation) {
    if (parseWholeNumber(value, operation.value) && operation.value >= 1 && operation.value <= kHighestPen)
        return {};
    return "--pen needs a pen number from 1 to " + std::to_string(kHighestPen) + ", not " + quote(value);
}

std::string addOperation(std::vector<Operation>& operations, std::string_view option, const Operation& operation) {
    const auto once = [&](bool given) { return given ? std::string(option) + " may be given once" : std::string(); };
    if (operation.kind == Operation::Kind::Pen) {
        for (const Operation& before : operations)
            if (before.kind == Operation::Kind::Pen) return once(true);
    }
    if (operation.kind == Operation::Kind::Weed) {
        for (Operation& before : operations) {
            if (before.kind != Operation::Kind::Weed) continue;
            const bool box = operation.millimetres > 0.0;
            if (box ? before.millimetres > 0.0 : before.length > 0.0) return once(true);
            if (box) before.millimetres = operation.millimetres;
            else before.length = operation.length;
            return {};
        }
    }
    operations.push_back(operation);
    return {};
}

bool applyMirror(const Operation&, Workpiece& piece, bool&) {
    mirrorDrawing(piece);
    return true;
}

bool applyWeed(const Operation& operation, Workpiece& piece, bool&) {
    const std::string option = operation.millimetres > 0.0 ? "--weed-box" : "--weed-lines";
    const WeedFigures figures = weedDrawing(piece, operation.millimetres, operation.length);
    switch (figures.outcome) {
        case WeedOutcome::OutOfReach:
            note(option + ": the weed cuts would leave the plotter's coordinates");
            return false;
        case WeedOutcome::TooManyLines:
            note("--weed-lines: more than " + std::to_string(kMostWeedLines) + " lines each way; give a wider spacing");
            return false;
        default:
            break;
    }
    if (operation.length > 0.0) {
        char line[96];
        std::snprintf(line, sizeof line, "weed lines: %zu pieces, %.1f mm", figures.pieces,
                      figures.length / kUnitsPerMm);
        note(line);
    }
    return true;
}

bool applyPasses(const Operation& operation, Workpiece& piece, bool&) {
    passesDrawing(piece, operation.value);
    return true;
}

bool applyPerforate(const Operation& operation, Workpiece& piece, bool&) {
    if (perforateDrawing(piece, operation.millimetres, operation.length)) return true;
    note("--perforate: more than " + std::to_string(kMostDashes) + " dashes; give longer dashes and gaps");
    return false;
}

bool applyPen(const Operation& operation, Workpiece& piece, bool&) {
    if (penDrawing(piece, operation.value) == 0)
        note("--pen " + std::to_string(operation.value) + ": no cut is made with pen " +
             std::to_string(operation.value));
    return true;
}

}  // namespace kerfline::cli
