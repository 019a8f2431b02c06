// The commands beyond info and edit that run.cpp hands on to (convert has
// its header, cli/convert.h), each in a file of its own, and what they share
// with info and edit: loading the input, saying what failed, saving.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/arguments.h"
#include "cutting/workpiece.h"
#include "drawing/drawing.h"
#include "io/safe_save.h"

namespace kerfline::cli {

// Reads the whole file; false (after saying "Invalid File") when it cannot.
bool loadDrawing(const std::string& path, PlotDrawing& drawing);

// Carries out the operations in order on one workpiece; false, after saying
// why, at the first that cannot be carried out.
bool applyOperations(const std::vector<Operation>& operations, Workpiece& piece);

// "WHAT: NAME" on standard error.
void reportFailure(std::string_view what, std::string_view name);

// Saves what `write` writes to `output` as edit saves, or to standard output
// when `output` is empty; false after saying "Can't Save File".
bool saveOutput(const std::string& output, const ContentWriter& write);

int runInfoJson(const Arguments& arguments);
int runTile(const Arguments& arguments);
int runRender(const Arguments& arguments);
int runSend(const Arguments& arguments);
int runCheck(const Arguments& arguments);

}  // namespace kerfline::cli
