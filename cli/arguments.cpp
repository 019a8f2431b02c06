#include "cli/arguments.h"

#include <charconv>
#include <cmath>

namespace kerfline::cli {

namespace {

constexpr double kUnitsPerMillimetre = 40.0;
// A kilometre: far beyond any cutter, and far inside the plotter's range.
constexpr double kLargestMillimetres = 1000000.0;
// Faster than any cutter moves.
constexpr double kLargestSpeed = 10000.0;

constexpr std::string_view kUsage =
    "Usage:\n"
    "  kerfline-cli info FILE [--json [--speed CM_S]]\n"
    "  kerfline-cli edit FILE [OPERATION]... [-o OUT]\n"
    "  kerfline-cli tile FILE WIDTHxHEIGHT [--overlap MM] [-o FOLDER]\n"
    "  kerfline-cli render FILE [-o OUT.svg]\n"
    "  kerfline-cli --help\n"
    "\n"
    "info prints the file's name, its area, its lower-left corner and the knife\n"
    "travel, one per line. edit applies the operations in the order given and\n"
    "saves the drawing to OUT, or to standard output without -o or with -o -.\n"
    "\n"
    "info --json prints one JSON object: size, bounds, cut and pen-up travel in mm,\n"
    "cuts, carried instructions and the cutting time, at CM_S cm/s (default 20)\n"
    "where the file sets no VS.\n"
    "tile cuts the drawing into panels of WIDTHxHEIGHT mm, overlapping by MM mm\n"
    "(default 0), saved in FOLDER (default the current one) as NAME-ROW-COLUMN.plt.\n"
    "render draws the job as an SVG picture at true size.\n"
    "\n"
    "Operations (any number, repeats allowed):\n"
    "  --frame MM      add a frame MM millimetres outside the drawing\n"
    "  --scale PERCENT scale about the origin by PERCENT per cent\n"
    "  --rotate        turn a quarter clockwise\n"
    "  --move X,Y      move the lower-left corner to X,Y millimetres\n"
    "\n"
    "Numbers of the operations are whole and may be negative: an optional '-' and\n"
    "digits. Sizes, --overlap and --speed are positive decimals such as 0.25.\n"
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

// The options of info, tile and render, each of which takes a value.
bool takesOption(Arguments::Action action, std::string_view word) {
    const bool output = word == "-o" || word == "--output";
    switch (action) {
        case Arguments::Action::Info:
            return word == "--speed";
        case Arguments::Action::Tile:
            return output || word == "--overlap";
        case Arguments::Action::Render:
            return output;
        default:
            return false;
    }
}

bool parseSize(std::string_view text, std::int32_t& width, std::int32_t& height) {
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos) return false;
    return parseMillimetres(text.substr(0, x), width) && width > 0 &&
           parseMillimetres(text.substr(x + 1), height) && height > 0;
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

bool parseDecimal(std::string_view text, double largest, double& value) {
    // Digits, then optionally a point and more digits: no sign, no exponent,
    // no "nan" or "inf", which from_chars alone would take.
    std::size_t i = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    const std::size_t wholeDigits = i;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const std::size_t fractionFrom = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        if (i == fractionFrom) return false;
    }
    if (wholeDigits == 0 || i != text.size()) return false;
    double parsed = 0;
    const char* const end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
    if (ec != std::errc() || ptr != end || !(parsed <= largest)) return false;
    value = parsed;
    return true;
}

bool parseMillimetres(std::string_view text, std::int32_t& units) {
    double mm = 0;
    if (!parseDecimal(text, kLargestMillimetres, mm)) return false;
    units = static_cast<std::int32_t>(std::lround(mm * kUnitsPerMillimetre));
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
    } else if (command == "tile") {
        parsed.action = Arguments::Action::Tile;
    } else if (command == "render") {
        parsed.action = Arguments::Action::Render;
    } else {
        return failure("unknown command " + quoted(command));
    }
    const bool editing = parsed.action == Arguments::Action::Edit;

    bool haveFile = false;
    bool haveOutput = false;
    bool haveSize = false;
    bool haveSpeed = false;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view word = args[i];
        if (optionsEnded || !looksLikeOption(word)) {
            if (haveFile && parsed.action == Arguments::Action::Tile && !haveSize) {
                if (!parseSize(word, parsed.panelWidth, parsed.panelHeight))
                    return failure("the panel size must be WIDTHxHEIGHT in millimetres, "
                                   "both more than 0 (like 600x1000), not " + quoted(word));
                haveSize = true;
                continue;
            }
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
        if (parsed.action == Arguments::Action::Info && word == "--json") {
            parsed.json = true;
            continue;
        }
        if (!editing && !takesOption(parsed.action, word))
            return failure(std::string(command) + " takes no option " + quoted(word));

        if (word == "--rotate") {
            parsed.operations.push_back({Operation::Kind::Rotate, 0, 0});
            continue;
        }
        // Every other option takes the next word as its value, even one that
        // starts with '-', so that "--frame -2" means minus two.
        const bool takesValue = word == "--frame" || word == "--scale" || word == "--move" ||
                                word == "-o" || word == "--output" || !editing;
        if (!takesValue) return failure("unknown option " + quoted(word));
        if (i + 1 == args.size()) return failure(std::string(word) + " needs a value");
        const std::string_view value = args[++i];

        if (word == "-o" || word == "--output") {
            if (haveOutput) return failure("more than one -o");
            if (value.empty()) return failure("the OUT name is empty");
            if (parsed.action == Arguments::Action::Tile && value == "-")
                return failure("tile writes files and needs a FOLDER, not '-'");
            // "-o --rotate" is far more likely a forgotten name than a file
            // called "--rotate"; "./-name" still reaches such a file.
            if (value != "-" && looksLikeOption(value))
                return failure(std::string(word) + " needs a file name, not " + quoted(value));
            parsed.output = value == "-" ? std::string() : std::string(value);
            haveOutput = true;
        } else if (word == "--overlap") {
            if (!parseMillimetres(value, parsed.overlap))
                return failure("--overlap needs a distance in millimetres (like 10 or 2.5), not " +
                               quoted(value));
        } else if (word == "--speed") {
            if (!parseDecimal(value, kLargestSpeed, parsed.speed) || !(parsed.speed > 0))
                return failure("--speed needs centimetres a second, more than 0 and at most " +
                               std::to_string(static_cast<int>(kLargestSpeed)) + ", not " +
                               quoted(value));
            haveSpeed = true;
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
    if (parsed.action == Arguments::Action::Tile) {
        if (!haveSize) return failure("missing the panel size WIDTHxHEIGHT");
        if (parsed.overlap >= parsed.panelWidth || parsed.overlap >= parsed.panelHeight)
            return failure("the overlap must be smaller than the panel's width and height");
    }
    if (haveSpeed && !parsed.json) return failure("--speed counts only with --json");
    result.ok = true;
    return result;
}

}  // namespace kerfline::cli
