// Reading HP-GL text into command records and writing records back as text.
//
// The reader splits the text at ";" and takes the first two characters of
// each instruction as its mnemonic; only PA, PD, PR and PU have their
// parameters parsed, into integer points. Everything else is kept verbatim.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "hpgl/command.h"
#include "hpgl/stream.h"

namespace kerfline {

// The longest instruction read, ";" not counted. Real files hold
// instructions of thousands of characters (one PD per circle); the bound only
// protects memory from a file that never says ";".
inline constexpr std::size_t kMaxInstructionLength = 16 * 1024 * 1024;

// Space, tab, LF, VT, FF and CR; nothing else is skipped as whitespace.
constexpr bool isHpglSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Skips whitespace and collects the next instruction up to its ";", which
// is consumed. The view points into the stream's buffer or its scratch text
// and stays valid until the stream is read again. No value: the text ended
// (only end of input), or the instruction was cut off or too long (the
// stream failed).
std::optional<std::string_view> readInstructionText(InputStream& in);

// Clears `command` and reads the next instruction into it. At the end of the
// text the command stays empty and only end of input is set; an instruction
// cut off by the end or longer than kMaxInstructionLength fails the stream.
InputStream& readCommand(InputStream& in, HpglCommand& command);

// readCommand, then the points of a drawable command.
InputStream& readPlotCommand(InputStream& in, PlotCommand& command);

// A number, a separator, a number. A number is optional whitespace, an
// optional sign and one or more digits within the signed 32-bit range;
// anything else fails the stream.
InputStream& readPoint(InputStream& in, PlotPoint& point);

// Whitespace, then at most one ",".
void skipSeparator(InputStream& in);

// Replaces `points` with the points read from `parameters`: it stops, without
// a word, at the first point that does not read completely.
void parsePointList(std::string_view parameters, PointList& points);

// One command as the program writes HP-GL; an empty command writes nothing.
OutputStream& writeCommand(OutputStream& out, const HpglCommand& command);
// The same for a drawing's command, without a virtual call.
OutputStream& writeCommand(OutputStream& out, const PlotCommand& command);

}  // namespace kerfline
