#include "cli/arguments.h"

#include <charconv>

#include "hpgl/dialect/converter.h"

namespace kerfline::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage:\n"
    "  kerfline-cli info FILE\n"
    "  kerfline-cli edit FILE [OPERATION]... [-o OUT]\n"
    "  kerfline-cli convert FILE [-o OUT] [--tolerance MM]\n"
    "  kerfline-cli --help\n"
    "\n"
    "info prints the file's name, its area, its lower-left corner and the knife\n"
    "travel, one per line. edit applies the operations in the order given and\n"
    "saves the drawing to OUT, or to standard output without -o or with -o -.\n"
    "\n"
    "Operations (any number, repeats allowed):\n"
    "  --frame MM      add a frame MM millimetres outside the drawing\n"
    "  --scale PERCENT scale about the origin by PERCENT per cent\n"
    "  --rotate        turn a quarter clockwise\n"
    "  --move X,Y      move the lower-left corner to X,Y millimetres\n"
    "\n"
    "convert reads any HP-GL or HP-GL/2 plot file and saves the picture as plain\n"
    "cutter HP-GL (IN, PU, PD, SP, VS, FS) in whole plotter units; arcs become\n"
    "chords within --tolerance millimetres (default 0.05, from 0.001 to 10).\n"
    "What became of each kind of instruction is listed on standard error.\n"
    "\n"
    "Numbers are whole and may be negative: an optional '-' and digits.\n"
    "Exit status: 0 done, 1 invalid file or cannot save, 2 bad arguments.\n";

bool isHelp(std::string_view word) { return word == "-h" || word == "--help"; }

// Words that start with '-' are options until "--"; a lone "-" is not a
// file name here either, since standard input is not read.
bool looksLikeOption(std::string_view word) { return !word.empty() && word[0] == '-'; }

ParseResult failure(std::string message) {
    ParseResult result;
    result.error = std::move(message);
    return result;
}

ParseResult help() {
    ParseResult result;
    result.ok = true;
    result.arguments.action = Arguments::Action::Help;
    return result;
}

std::string quoted(std::string_view word) {
    std::string text;
    text.reserve(word.size() + 2);
    text += '\'';
    text += word;
    text += '\'';
    return text;
}

}  // namespace

bool parseWholeNumber(std::string_view text, std::int32_t& value) {
    const std::size_t digitsFrom = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (text.size() == digitsFrom) return false;
    for (std::size_t i = digitsFrom; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    std::int32_t parsed = 0;
    const char* const end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
    if (ec != std::errc() || ptr != end) return false;
    value = parsed;
    return true;
}

bool parseTolerance(std::string_view text, double& value) {
    // Digits with at most one point: no sign, exponent, "inf" or "nan".
    bool digit = false, point = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digit) return false;
    double parsed = 0;
    const char* const end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
    if (ec != std::errc() || ptr != end) return false;
    if (parsed < dialect::kMinToleranceMm || parsed > dialect::kMaxToleranceMm) return false;
    value = parsed;
    return true;
}

std::string_view usageText() { return kUsage; }

ParseResult parseArguments(const std::vector<std::string_view>& args) {
    if (args.empty()) return failure("no command given");

    ParseResult result;
    Arguments& parsed = result.arguments;
    const std::string_view command = args[0];
    if (isHelp(command)) return help();
    if (command == "info") {
        parsed.action = Arguments::Action::Info;
    } else if (command == "edit") {
        parsed.action = Arguments::Action::Edit;
    } else if (command == "convert") {
        parsed.action = Arguments::Action::Convert;
    } else {
        return failure("unknown command " + quoted(command));
    }
    const bool editing = parsed.action == Arguments::Action::Edit;
    const bool converting = parsed.action == Arguments::Action::Convert;

    bool haveFile = false;
    bool haveOutput = false;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view word = args[i];
        if (optionsEnded || !looksLikeOption(word)) {
            if (haveFile) return failure("more than one FILE: " + quoted(word));
            if (word.empty()) return failure("the FILE name is empty");
            parsed.file = word;
            haveFile = true;
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (isHelp(word)) return help();
        if (!editing && !converting) return failure("info takes no option " + quoted(word));
        if (converting && word != "-o" && word != "--output" && word != "--tolerance")
            return failure("convert takes no option " + quoted(word));
        if (!converting && word == "--tolerance") return failure("unknown option " + quoted(word));

        if (word == "--rotate") {
            parsed.operations.push_back({Operation::Kind::Rotate, 0, 0});
            continue;
        }
        // Every other option takes the next word as its value, even one that
        // starts with '-', so that "--frame -2" means minus two.
        const bool takesValue = word == "--frame" || word == "--scale" || word == "--move" ||
                                word == "-o" || word == "--output" || word == "--tolerance";
        if (!takesValue) return failure("unknown option " + quoted(word));
        if (i + 1 == args.size()) return failure(std::string(word) + " needs a value");
        const std::string_view value = args[++i];

        if (word == "-o" || word == "--output") {
            if (haveOutput) return failure("more than one -o");
            if (value.empty()) return failure("the OUT name is empty");
            // "-o --rotate" is far more likely a forgotten name than a file
            // called "--rotate"; "./-name" still reaches such a file.
            if (value != "-" && looksLikeOption(value))
                return failure(std::string(word) + " needs a file name, not " + quoted(value));
            parsed.output = value == "-" ? std::string() : std::string(value);
            haveOutput = true;
        } else if (word == "--tolerance") {
            if (!parseTolerance(value, parsed.tolerance))
                return failure("--tolerance needs millimetres from 0.001 to 10, not " + quoted(value));
        } else if (word == "--move") {
            const std::size_t comma = value.find(',');
            Operation move{Operation::Kind::Move, 0, 0};
            if (comma == std::string_view::npos ||
                !parseWholeNumber(value.substr(0, comma), move.x) ||
                !parseWholeNumber(value.substr(comma + 1), move.y))
                return failure("--move needs X,Y in whole millimetres, not " + quoted(value));
            parsed.operations.push_back(move);
        } else {
            Operation operation{word == "--frame" ? Operation::Kind::Frame : Operation::Kind::Scale,
                                0, 0};
            if (!parseWholeNumber(value, operation.value))
                return failure(std::string(word) + " needs a whole number, not " + quoted(value));
            parsed.operations.push_back(operation);
        }
    }
    if (!haveFile) return failure("missing FILE");
    result.ok = true;
    return result;
}

}  // namespace kerfline::cli
