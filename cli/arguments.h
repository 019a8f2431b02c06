// The command line of kerfline-cli, parsed into a plain description of what
// to do, so that the parsing can be tested without running anything.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kerfline::cli {

// One change of the Image menu, with its values.
struct Operation {
    enum class Kind { Frame, Scale, Rotate, Move };
    Kind kind = Kind::Rotate;
    std::int32_t value = 0;  // Frame: the distance in millimetres; Scale: the percentage
    std::int32_t x = 0;      // Move: the new left edge, in millimetres
    std::int32_t y = 0;      // Move: the new bottom edge, in millimetres
    friend bool operator==(const Operation&, const Operation&) = default;
};

struct Arguments {
    enum class Action { Help, Info, Edit, Convert };
    Action action = Action::Help;
    std::string file;
    // Edit only: the changes, in the order given.
    std::vector<Operation> operations;
    // Edit and convert: where to save; empty means standard output ("-o -" too).
    std::string output;
    // Convert only: how far a chord may stray from its curve, in millimetres.
    double tolerance = 0.05;
    friend bool operator==(const Arguments&, const Arguments&) = default;
};

struct ParseResult {
    bool ok = false;
    Arguments arguments;
    // When not ok: one line saying what is wrong, for the usage message.
    std::string error;
};

// `args` are the words after the program's name.
ParseResult parseArguments(const std::vector<std::string_view>& args);

// A whole decimal number in the signed 32-bit range: an optional "-", then
// one or more digits, nothing else (no "+", no spaces, no fraction).
bool parseWholeNumber(std::string_view text, std::int32_t& value);

// A tolerance in millimetres: a plain decimal number ("0.05", "1", ".2")
// from 0.001 to 10.
bool parseTolerance(std::string_view text, double& value);

// The usage text, ending with a line feed.
std::string_view usageText();

}  // namespace kerfline::cli
