// kerfline-cli convert: any HP-GL or HP-GL/2 plot file into plain cutter
// HP-GL, saved as edit saves.
#pragma once

#include "cli/arguments.h"

namespace kerfline::cli {

// Returns the exit status; the summary and any failure go to standard error.
int convert(const Arguments& arguments);

}  // namespace kerfline::cli
