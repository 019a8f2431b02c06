// The command line of kerfline-cli, parsed into a plain description of what
// to do, so that the parsing can be tested without running anything; the
// table of commands that the parser, the usage text and run() read; the
// readers of numbers and names that the commands' options share.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/port.h"

namespace kerfline::cli {

// One change of the drawing, with its values.
struct Operation {
    // NoPrecut: every --blade-offset after it makes no precut.
    enum class Kind { Frame, Scale, Rotate, Move, Order, Copies, Overcut, BladeOffset, NoPrecut,
                      Mirror, Weed, Passes, Perforate, Pen, Merge, Close, Simplify, DropDots, Weld };
    Kind kind = Kind::Rotate;
    std::int32_t value = 0;  // Frame: the distance in millimetres; Scale: the percentage
    std::int32_t x = 0;      // Move: the new left edge, in millimetres; Copies: columns
    std::int32_t y = 0;      // Move: the new bottom edge, in millimetres; Copies: rows
    double millimetres = 0.0;  // Copies: the gap; Overcut: the length; BladeOffset: the offset
    // Merge and Close: how far apart ends may lie; Simplify: the error allowed.
    // Weed: millimetres is the box's distance and length the lines' spacing,
    // each 0 when not given. Perforate: millimetres the dash, length the gap.
    // Passes and Pen: value.
    double length = 0.0;
    friend bool operator==(const Operation&, const Operation&) = default;
};

struct Arguments {
    enum class Action { Help, Info, Edit, Tile, Render, Convert, Send, Check };
    Action action = Action::Help;
    std::string file;
    // Edit and Convert: the changes, in the order given.
    std::vector<Operation> operations;
    // Edit, Render and Convert: where to save; empty means standard output
    // ("-o -" too). Tile: the folder for the panels; empty means the current one.
    std::string output;
    // Info: one JSON object instead of the four lines, with the cutting
    // time at `speed` centimetres a second where the file sets none.
    // Check: the findings as one JSON object.
    bool json = false;
    double speed = 20.0;
    // Tile: the cutter's width and height and the panels' overlap, in
    // plotter units; the overlap at least a unit smaller than both.
    std::int32_t panelWidth = 0;
    std::int32_t panelHeight = 0;
    std::int32_t overlap = 0;
    // Convert: how far a chord may stray from its curve, in millimetres.
    double tolerance = 0.05;
    // Send: FILE "-" is standard input. A serial port (`port`) with its
    // settings, or a socket (`host` and `service`); seconds without
    // progress before giving up; the first instruction sent (from 1); the
    // cutter's buffer or block; no progress shown. `speed` paces --flow none.
    std::string port;
    std::string host;
    std::string service;
    delivery::SerialSettings serial;
    std::uint32_t buffer = 256;
    double timeout = 60.0;
    std::int32_t from = 1;
    bool quiet = false;
    // Check: the narrowest film that holds, in millimetres, and the media's
    // width and height in plotter units (0 when not given).
    double minWidth = 1.0;
    std::int32_t mediaWidth = 0;
    std::int32_t mediaHeight = 0;
    friend bool operator==(const Arguments&, const Arguments&) = default;
};

struct ParseResult {
    bool ok = false;
    Arguments arguments;
    // When not ok: one line saying what is wrong, for the usage message.
    std::string error;
};

// What the readers of the commands' options read into: the arguments, and
// what only the parsing needs (arguments.cpp).
struct OptionReading;

// An option of a command: its name, whether the next word is its value, and
// the reader that puts the value (empty for an option without one) into the
// arguments. The reader gives an error message, or nothing.
struct CommandOption {
    std::string_view name;
    bool takesValue = false;
    std::string (*read)(std::string_view option, std::string_view value, OptionReading& reading) = nullptr;
};

// A command of kerfline-cli: one row of the table that the parser, the
// usage text and run() all read.
struct Command {
    std::string_view name;
    Arguments::Action action = Arguments::Action::Help;
    // Its lines of the usage's synopsis, each ending with a line feed.
    std::string_view synopsis;
    // Its paragraphs of the usage, split by blank lines. `helpRunsOn`: its
    // first paragraph goes on after the previous command's first one, in
    // the same paragraph.
    std::string_view help;
    bool helpRunsOn = false;
    std::span<const CommandOption> options;
    // Whether edit's operations may be given too.
    bool takesOperations = false;
    // Whether an option it does not take is "unknown" (edit, whose options
    // are its operations) rather than one that "COMMAND takes no option".
    bool optionsUnknown = false;
    // Whether FILE may be "-" (standard input).
    bool readsStandardInput = false;
    // The word after FILE, when the command takes one (tile's panel size).
    std::string (*readSecond)(std::string_view word, OptionReading& reading) = nullptr;
    // The checks that need every word, at the end: an error message, or
    // nothing.
    std::string (*finish)(OptionReading& reading) = nullptr;
    // Carries the command out; the exit status.
    int (*run)(const Arguments& arguments) = nullptr;
};

// The commands, in the order the usage lists them.
std::span<const Command> commandTable();

// `args` are the words after the program's name.
ParseResult parseArguments(const std::vector<std::string_view>& args);

// A whole decimal number in the signed 32-bit range: an optional "-", then
// one or more digits, nothing else (no "+", no spaces, no fraction).
bool parseWholeNumber(std::string_view text, std::int32_t& value);

// A distance in millimetres: digits, optionally a "." and more digits (no
// sign, no exponent), greater than 0 (or equal, with `zeroAllowed`) and at
// most `largest`.
bool parseMillimetres(std::string_view text, double largest, bool zeroAllowed, double& value);

// A tolerance in millimetres: a plain decimal number ("0.05", "1", ".2")
// from 0.001 to 10.
bool parseTolerance(std::string_view text, double& value);

// The Windows name of a serial port given as COM1 to COM256, in any case
// (\\.\COMn); a name already in that form stays; anything else gives "".
std::string windowsPortPath(std::string_view name);

// `word` in single quotes, as the messages name what they refuse.
std::string quoted(std::string_view word);

// The usage text, ending with a line feed.
std::string_view usageText();

}  // namespace kerfline::cli
