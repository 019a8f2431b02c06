// kerfline-cli: the window's Info and Image menus for scripts, and the
// commands beyond them (convert, tile, render, send, check). Parses the
// command line, runs it, and turns whatever escapes into a message and an
// exit status.
#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "cli/arguments.h"
#include "cli/console.h"
#include "cli/run.h"
#include "hpgl/mnemonics.h"

int main(int argc, char** argv) {
    using namespace kerfline::cli;
    try {
        kerfline::sortMnemonicTable();
#ifdef SIGPIPE
        // A reader that goes away (say "| head") should give "Can't Save
        // File" and status 1, not a silent death by signal.
        std::signal(SIGPIPE, SIG_IGN);
#endif
        std::vector<std::string_view> args;
        for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");

        const ParseResult parsed = parseArguments(args);
        if (!parsed.ok) {
            std::string message = "kerfline-cli: " + parsed.error + "\n\n";
            message += usageText();
            writeText(stderr, message);
            return kExitUsage;
        }
        return run(parsed.arguments);
    } catch (const std::bad_alloc&) {
        std::fputs("kerfline-cli: out of memory\n", stderr);
    } catch (const std::exception& e) {
        std::fputs("kerfline-cli: ", stderr);
        std::fputs(e.what(), stderr);
        std::fputc('\n', stderr);
    } catch (...) {
        std::fputs("kerfline-cli: unexpected error\n", stderr);
    }
    return kExitFailed;
}
