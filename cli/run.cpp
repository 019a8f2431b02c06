// What the commands share: loading the input, saying what failed, saving,
// and carrying out a parsed command line through the command table.
#include "cli/run.h"

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/text.h"
#include "drawing/drawing.h"
#include "io/safe_save.h"

namespace kerfline::cli {

void reportFailure(std::string_view what, std::string_view name) {
    std::string line(what);
    line += ": ";
    line += name;
    line += '\n';
    writeText(stderr, line);
}

bool loadDrawing(const std::string& path, PlotDrawing& drawing) {
    FileInput in(path.c_str());
    if (in.isOpen()) readDrawing(in, drawing);
    if (!in.isOpen() || in.failed()) {
        reportFailure("Invalid File", nameToUtf8(path));
        return false;
    }
    return true;
}

int writeStandardOutput(std::string_view text) {
    if (writeText(stdout, text)) return kExitDone;
    reportFailure("Can't Write", "standard output");
    return kExitFailed;
}

bool saveOutput(const std::string& output, const ContentWriter& write) {
    if (output.empty()) {
        setBinaryMode(stdout);
        StandardOutput out(stdout);
        write(out);
        if (out.finish()) return true;
        reportFailure("Can't Save File", "standard output");
        return false;
    }
    if (saveReplacing(output.c_str(), write)) return true;
    reportFailure("Can't Save File", nameToUtf8(output));
    return false;
}

int run(const Arguments& arguments) {
    if (arguments.action == Arguments::Action::Help) return writeStandardOutput(usageText());
    for (const Command& command : commandTable())
        if (command.action == arguments.action) return command.run(arguments);
    return kExitUsage;
}

}  // namespace kerfline::cli
