// The commands of kerfline-cli, each in a file of its own (info.cpp with
// info_json.cpp, edit.cpp, tile.cpp, render.cpp, convert.cpp, send.cpp,
// check.cpp) and named by the command table (arguments.cpp), and what they
// share (run.cpp): loading the input, saying what failed, saving.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/arguments.h"
#include "cutting/workpiece.h"
#include "drawing/drawing.h"
#include "io/safe_save.h"

namespace kerfline::cli {

// Reads the whole file before anything is written, so that an invalid file
// produces no output at all; false (after saying "Invalid File") when it
// cannot.
bool loadDrawing(const std::string& path, PlotDrawing& drawing);

// Carries out the operations in order on one workpiece; false, after saying
// why, at the first that cannot be carried out (edit.cpp).
bool applyOperations(const std::vector<Operation>& operations, Workpiece& piece);

// "WHAT: NAME" on standard error.
void reportFailure(std::string_view what, std::string_view name);

// Saves what `write` writes to `output` as edit saves, or to standard output
// when `output` is empty; false after saying "Can't Save File".
bool saveOutput(const std::string& output, const ContentWriter& write);

// Text for standard output (info, the usage); what cannot be written is said
// on standard error. The exit status.
int writeStandardOutput(std::string_view text);

// The commands: each returns the exit status.
int runInfo(const Arguments& arguments);
int runInfoJson(const Arguments& arguments);
int runEdit(const Arguments& arguments);
int runTile(const Arguments& arguments);
int runRender(const Arguments& arguments);
// Any HP-GL or HP-GL/2 plot file into plain cutter HP-GL, saved as edit
// saves; the summary and any failure go to standard error.
int runConvert(const Arguments& arguments);
int runSend(const Arguments& arguments);
int runCheck(const Arguments& arguments);

}  // namespace kerfline::cli
