// The production operations of edit: --mirror, --weed-box, --weed-lines,
// --passes, --perforate and --pen. Reading their values and carrying them
// out on the drawing, for the operations' table (edit.cpp).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/arguments.h"
#include "cutting/workpiece.h"

namespace kerfline::cli {

// The limits of their values: beyond them a value is a mistake.
inline constexpr double kLargestWeedBox = 1000.0;   // mm, above 0
inline constexpr double kNarrowestWeedLines = 1.0;  // mm
inline constexpr double kWidestWeedLines = 10000.0;
inline constexpr std::int32_t kMostPasses = 10;
inline constexpr double kShortestPerforation = 0.1;  // mm, the dash and the gap each
inline constexpr double kLongestPerforation = 1000.0;
inline constexpr std::int32_t kHighestPen = 255;

// Readers for the argument table: an error message, or empty when the value
// is good.
std::string readWeedBox(std::string_view option, std::string_view value, Operation& operation);
std::string readWeedLines(std::string_view option, std::string_view value, Operation& operation);
std::string readPasses(std::string_view option, std::string_view value, Operation& operation);
std::string readPerforate(std::string_view option, std::string_view value, Operation& operation);
std::string readPen(std::string_view option, std::string_view value, Operation& operation);

// Adds `operation`, read from `option`, to those before it. --weed-box and
// --weed-lines make one operation, which stands where the first of them
// does; each of them, and --pen, may be given once. An error message, or
// empty.
std::string addOperation(std::vector<Operation>& operations, std::string_view option, const Operation& operation);

// Carry them out, for the operations' table; false, after saying why on
// standard error, when one cannot be (the arguments were wrong for this
// drawing). A drawing with nothing to cut never gets here.
bool applyMirror(const Operation& operation, Workpiece& piece, bool& precut);
bool applyWeed(const Operation& operation, Workpiece& piece, bool& precut);
bool applyPasses(const Operation& operation, Workpiece& piece, bool& precut);
bool applyPerforate(const Operation& operation, Workpiece& piece, bool& precut);
bool applyPen(const Operation& operation, Workpiece& piece, bool& precut);

}  // namespace kerfline::cli
