// The table of commands with their options' readers, the parser that reads
// it, and the usage text made from it and from the operations' table.
#include "cli/arguments.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "cli/operations.h"
#include "cli/production.h"
#include "dialect/converter.h"
#include "geometry/point.h"

namespace kerfline::cli {

namespace {

// The usage's lines around the operations' (from their table).
constexpr std::string_view kOperationsHead = "Operations (any number, repeats allowed):\n";
constexpr std::string_view kUsageTail =
    "\n"
    "Numbers of --frame, --scale and --move are whole and may be negative: an\n"
    "optional '-' and digits. Other distances are millimetres and may have\n"
    "decimals (0.25), and so may --speed.\n"
    "Exit status: 0 done, 1 invalid file, cannot save, cannot send or stopped,\n"
    "2 bad arguments, 3 check found faults.\n";

// The largest values taken: beyond them a value is a mistake. Check's
// narrowest film:
constexpr double kWidestFilm = 100.0;
// A kilometre: far beyond any cutter, and far inside the plotter's range.
constexpr double kLargestPanel = 1000000.0;
// Faster than any cutter moves, in centimetres a second.
constexpr double kLargestSpeed = 10000.0;

// One plotter unit: the smallest panel.
constexpr double kSmallestPanel = 1.0 / kUnitsPerMm;

// A distance of tile in millimetres, a plain decimal ("600", "2.5") of any
// size: digits beyond the 32 read make it larger than any limit.
bool parseDistance(std::string_view text, double& mm) {
    if (parseMillimetres(text, std::numeric_limits<double>::infinity(), true, mm)) return true;
    if (text.size() <= 32 || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
    mm = std::numeric_limits<double>::infinity();
    return true;
}

// The panel size "WIDTHxHEIGHT" in millimetres: what is wrong with it, or
// nothing.
std::string readPanelSize(std::string_view text, double& width, double& height) {
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos || !parseDistance(text.substr(0, x), width) ||
        !parseDistance(text.substr(x + 1), height))
        return "the panel size must be WIDTHxHEIGHT in millimetres (like 600x1000), not " + quoted(text);
    for (const auto& [side, mm] : {std::pair{"width", width}, std::pair{"height", height}}) {
        if (mm > kLargestPanel)
            return std::string("the panel's ") + side + " must be at most " +
                   std::to_string(static_cast<long>(kLargestPanel)) + " mm, not " + quoted(text);
        if (mm < kSmallestPanel)
            return std::string("the panel's ") + side +
                   " must be at least one plotter unit, 0.025 mm, not " + quoted(text);
    }
    return {};
}

std::int32_t toUnits(double mm) { return static_cast<std::int32_t>(std::lround(mm * kUnitsPerMm)); }

std::string makeUsage() {
    std::string text = "Usage:\n";
    for (const Command& command : commandTable()) {
        std::string_view lines = command.synopsis;
        while (!lines.empty()) {
            const std::size_t end = lines.find('\n') + 1;
            text += "  ";
            text += lines.substr(0, end);
            lines.remove_prefix(end);
        }
    }
    text += "  kerfline-cli --help\n";
    // The paragraphs, each command's in the table's order; one that runs on
    // joins the previous command's first paragraph.
    std::vector<std::string> paragraphs;
    std::size_t previousFirst = 0;
    for (const Command& command : commandTable()) {
        std::string_view help = command.help;
        for (bool first = true; !help.empty(); first = false) {
            const std::size_t end = help.find("\n\n");
            const std::string_view paragraph = help.substr(0, end);
            help = end == std::string_view::npos ? std::string_view() : help.substr(end + 2);
            if (first && command.helpRunsOn && !paragraphs.empty()) {
                paragraphs[previousFirst] += ' ';
                paragraphs[previousFirst] += paragraph;
                continue;
            }
            if (first) previousFirst = paragraphs.size();
            paragraphs.emplace_back(paragraph);
        }
    }
    for (const std::string& paragraph : paragraphs) {
        text += '\n';
        text += paragraph;
        text += "\n";
    }
    text += '\n';
    text += kOperationsHead;
    for (const OperationRow& row : operationTable()) {
        std::string head = "  ";
        head += row.name;
        if (!row.value.empty()) {
            head += ' ';
            head += row.value;
        }
        constexpr std::size_t kColumn = 24;
        head.resize(std::max(head.size() + 1, kColumn), ' ');
        std::string_view help = row.help;
        for (bool first = true; !help.empty(); first = false) {
            const std::size_t end = help.find('\n');
            text += first ? head : std::string(kColumn, ' ');
            text += help.substr(0, end);
            text += '\n';
            help = end == std::string_view::npos ? std::string_view() : help.substr(end + 1);
        }
    }
    text += kUsageTail;
    return text;
}

bool isHelp(std::string_view word) { return word == "-h" || word == "--help"; }

// The longest wait a stall may take, and the largest buffer: a day, a
// megabyte.
constexpr double kLongestTimeout = 86400.0;
constexpr std::int32_t kSmallestBuffer = 16;
constexpr std::int32_t kLargestBuffer = 1024 * 1024;

bool parseFlow(std::string_view word, delivery::Flow& flow) {
    if (word == "xonxoff") flow = delivery::Flow::XonXoff;
    else if (word == "rtscts") flow = delivery::Flow::RtsCts;
    else if (word == "esc-b") flow = delivery::Flow::EscB;
    else if (word == "none") flow = delivery::Flow::None;
    else return false;
    return true;
}

// HOST:PORT, the host possibly in brackets ([::1]:9100).
bool parseHostAndPort(std::string_view text, std::string& host, std::string& service) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) return false;
    std::string_view name = text.substr(0, colon);
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
    std::int32_t number = 0;
    const std::string_view digits = text.substr(colon + 1);
    if (name.empty() || digits.find('-') != std::string_view::npos || !parseWholeNumber(digits, number) ||
        number < 1 || number > 65535)
        return false;
    host = name;
    service = std::to_string(number);
    return true;
}

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


}  // namespace

struct OptionReading {
    explicit OptionReading(Arguments& arguments) : parsed(arguments) {}
    Arguments& parsed;
    bool haveOutput = false;
    bool haveSpeed = false;
    bool haveSerialOption = false;
    // Tile: the sizes as given, compared before they become plotter units.
    bool haveSize = false;
    std::string_view panelSize, overlapText = "0";
    double panelWidthMm = 0, panelHeightMm = 0, overlapMm = 0;
};

namespace {

std::string readOutput(std::string_view option, std::string_view value, OptionReading& reading) {
    if (reading.haveOutput) return "more than one -o";
    if (value.empty()) return "the OUT name is empty";
    if (reading.parsed.action == Arguments::Action::Tile && value == "-")
        return "tile writes files and needs a FOLDER, not '-'";
    // "-o --rotate" is far more likely a forgotten name than a file called
    // "--rotate"; "./-name" still reaches such a file.
    if (value != "-" && looksLikeOption(value))
        return std::string(option) + " needs a file name, not " + quoted(value);
    reading.parsed.output = value == "-" ? std::string() : std::string(value);
    reading.haveOutput = true;
    return {};
}

std::string readJson(std::string_view, std::string_view, OptionReading& reading) {
    reading.parsed.json = true;
    return {};
}

std::string readSpeed(std::string_view, std::string_view value, OptionReading& reading) {
    if (!parseMillimetres(value, kLargestSpeed, false, reading.parsed.speed))
        return "--speed needs centimetres a second, more than 0 and at most " +
               std::to_string(static_cast<int>(kLargestSpeed)) + ", not " + quoted(value);
    reading.haveSpeed = true;
    return {};
}

std::string readTolerance(std::string_view, std::string_view value, OptionReading& reading) {
    if (parseTolerance(value, reading.parsed.tolerance)) return {};
    return "--tolerance needs millimetres from 0.001 to 10, not " + quoted(value);
}

std::string readOverlap(std::string_view, std::string_view value, OptionReading& reading) {
    if (!parseDistance(value, reading.overlapMm))
        return "--overlap needs a distance in millimetres (like 10 or 2.5), not " + quoted(value);
    reading.overlapText = value;
    return {};
}

std::string readPanel(std::string_view word, OptionReading& reading) {
    std::string error = readPanelSize(word, reading.panelWidthMm, reading.panelHeightMm);
    if (!error.empty()) return error;
    reading.panelSize = word;
    reading.haveSize = true;
    return {};
}

std::string readPort(std::string_view, std::string_view value, OptionReading& reading) {
    if (value.empty() || looksLikeOption(value))
        return "--port needs the name of a serial port, not " + quoted(value);
#ifdef _WIN32
    if (windowsPortPath(value).empty()) return "--port needs COM1 to COM256, not " + quoted(value);
#endif
    reading.parsed.port = value;
    return {};
}

std::string readTcp(std::string_view, std::string_view value, OptionReading& reading) {
    if (parseHostAndPort(value, reading.parsed.host, reading.parsed.service)) return {};
    return "--tcp needs HOST:PORT with a port from 1 to 65535, not " + quoted(value);
}

std::string readBaud(std::string_view, std::string_view value, OptionReading& reading) {
    std::int32_t baud = 0;
    if (!parseWholeNumber(value, baud) || baud <= 0 || !delivery::isStandardBaud(static_cast<std::uint32_t>(baud)))
        return "--baud needs a standard rate (110, 300, 600, 1200, 1800, 2400, 4800, "
               "9600, 19200, 38400, 57600 or 115200), not " + quoted(value);
    reading.parsed.serial.baud = static_cast<std::uint32_t>(baud);
    reading.haveSerialOption = true;
    return {};
}

std::string readFlow(std::string_view, std::string_view value, OptionReading& reading) {
    if (!parseFlow(value, reading.parsed.serial.flow))
        return "--flow needs none, xonxoff, rtscts or esc-b, not " + quoted(value);
    reading.haveSerialOption = true;
    return {};
}

std::string readBuffer(std::string_view, std::string_view value, OptionReading& reading) {
    std::int32_t bytes = 0;
    if (!parseWholeNumber(value, bytes) || bytes < kSmallestBuffer || bytes > kLargestBuffer)
        return "--buffer needs bytes from " + std::to_string(kSmallestBuffer) + " to " +
               std::to_string(kLargestBuffer) + ", not " + quoted(value);
    reading.parsed.buffer = static_cast<std::uint32_t>(bytes);
    reading.haveSerialOption = true;
    return {};
}

std::string readTimeout(std::string_view, std::string_view value, OptionReading& reading) {
    if (parseMillimetres(value, kLongestTimeout, false, reading.parsed.timeout)) return {};
    return "--timeout needs seconds, more than 0 and at most 86400, not " + quoted(value);
}

std::string readFrom(std::string_view, std::string_view value, OptionReading& reading) {
    if (parseWholeNumber(value, reading.parsed.from) && reading.parsed.from >= 1) return {};
    return "--from needs an instruction number from 1, not " + quoted(value);
}

std::string readQuiet(std::string_view, std::string_view, OptionReading& reading) {
    reading.parsed.quiet = true;
    return {};
}

std::string readMinWidth(std::string_view, std::string_view value, OptionReading& reading) {
    if (parseMillimetres(value, kWidestFilm, false, reading.parsed.minWidth)) return {};
    return "--min-width needs millimetres above 0, at most 100, not " + quoted(value);
}

std::string readMedia(std::string_view, std::string_view value, OptionReading& reading) {
    const std::size_t x = value.find('x');
    double width = 0.0, height = 0.0;
    if (x == std::string_view::npos || !parseMillimetres(value.substr(0, x), kLargestPanel, false, width) ||
        !parseMillimetres(value.substr(x + 1), kLargestPanel, false, height) || toUnits(width) < 1 ||
        toUnits(height) < 1)
        return "--media needs WIDTHxHEIGHT in millimetres, each at least 0.025 and at most " +
               std::to_string(static_cast<long>(kLargestPanel)) + " (like 600x1000), not " + quoted(value);
    reading.parsed.mediaWidth = toUnits(width);
    reading.parsed.mediaHeight = toUnits(height);
    return {};
}

std::string finishInfo(OptionReading& reading) {
    if (reading.haveSpeed && !reading.parsed.json) return "--speed counts only with --json";
    return {};
}

std::string finishTile(OptionReading& reading) {
    Arguments& parsed = reading.parsed;
    if (!reading.haveSize) return "missing the panel size WIDTHxHEIGHT";
    if (!(reading.overlapMm < reading.panelWidthMm && reading.overlapMm < reading.panelHeightMm))
        return "the overlap must be smaller than the panel's width and height, not " +
               std::string(reading.overlapText) + " mm for " + std::string(reading.panelSize) + " mm";
    parsed.panelWidth = toUnits(reading.panelWidthMm);
    parsed.panelHeight = toUnits(reading.panelHeightMm);
    // Smaller in millimetres, it may round to the panel's units: it then
    // stays a unit smaller, so that each panel moves on.
    parsed.overlap = std::min(toUnits(reading.overlapMm), std::min(parsed.panelWidth, parsed.panelHeight) - 1);
    return {};
}

std::string finishSend(OptionReading& reading) {
    const Arguments& parsed = reading.parsed;
    if (parsed.port.empty() && parsed.host.empty()) return "send needs --port PORT or --tcp HOST:PORT";
    if (!parsed.port.empty() && !parsed.host.empty()) return "send takes --port or --tcp, not both";
    if (!parsed.host.empty() && reading.haveSerialOption)
        return "--baud, --flow and --buffer are for a serial port, not --tcp";
    if (reading.haveSpeed && parsed.serial.flow != delivery::Flow::None) return "--speed counts only with --flow none";
    return {};
}

constexpr CommandOption kInfoOptions[] = {{"--json", false, readJson}, {"--speed", true, readSpeed}};
constexpr CommandOption kEditOptions[] = {{"-o", true, readOutput}, {"--output", true, readOutput}};
constexpr CommandOption kTileOptions[] = {
    {"-o", true, readOutput}, {"--output", true, readOutput}, {"--overlap", true, readOverlap}};
constexpr CommandOption kRenderOptions[] = {{"-o", true, readOutput}, {"--output", true, readOutput}};
constexpr CommandOption kConvertOptions[] = {
    {"-o", true, readOutput}, {"--output", true, readOutput}, {"--tolerance", true, readTolerance}};
constexpr CommandOption kSendOptions[] = {
    {"--port", true, readPort},       {"--tcp", true, readTcp},         {"--baud", true, readBaud},
    {"--flow", true, readFlow},       {"--buffer", true, readBuffer},   {"--timeout", true, readTimeout},
    {"--from", true, readFrom},       {"--speed", true, readSpeed},     {"--quiet", false, readQuiet}};
constexpr CommandOption kCheckOptions[] = {
    {"--json", false, readJson}, {"--min-width", true, readMinWidth}, {"--media", true, readMedia}};

const Command kCommands[] = {
    {.name = "info",
     .action = Arguments::Action::Info,
     .synopsis = "kerfline-cli info FILE [--json [--speed CM_S]]\n",
     .help = "info prints the file's name, its area, its lower-left corner and the knife\n"
             "travel, one per line.\n"
             "\n"
             "info --json prints one JSON object: size, bounds, cut and pen-up travel in mm,\n"
             "cuts, carried instructions and the cutting time, at CM_S cm/s (default 20)\n"
             "where the file sets no VS.",
     .options = kInfoOptions,
     .finish = finishInfo,
     .run = runInfo},
    {.name = "edit",
     .action = Arguments::Action::Edit,
     .synopsis = "kerfline-cli edit FILE [OPERATION]... [-o OUT]\n",
     .help = "edit applies the operations in the order given and\n"
             "saves the drawing to OUT, or to standard output without -o or with -o -.",
     .helpRunsOn = true,
     .options = kEditOptions,
     .takesOperations = true,
     .optionsUnknown = true,
     .run = runEdit},
    {.name = "tile",
     .action = Arguments::Action::Tile,
     .synopsis = "kerfline-cli tile FILE WIDTHxHEIGHT [--overlap MM] [-o FOLDER]\n",
     .help = "tile cuts the drawing into panels of WIDTHxHEIGHT mm, overlapping by MM mm\n"
             "(default 0), saved in FOLDER (default the current one) as NAME-ROW-COLUMN.plt.",
     .options = kTileOptions,
     .readSecond = readPanel,
     .finish = finishTile,
     .run = runTile},
    {.name = "render",
     .action = Arguments::Action::Render,
     .synopsis = "kerfline-cli render FILE [-o OUT.svg]\n",
     .help = "render draws the job as an SVG picture at true size.",
     .options = kRenderOptions,
     .run = runRender},
    {.name = "convert",
     .action = Arguments::Action::Convert,
     .synopsis = "kerfline-cli convert FILE [OPERATION]... [-o OUT] [--tolerance MM]\n",
     .help = "convert reads any HP-GL or HP-GL/2 plot file and saves the picture as plain\n"
             "cutter HP-GL (IN, PU, PD, SP, VS, FS) in whole plotter units; arcs become\n"
             "chords within --tolerance millimetres (default 0.05, from 0.001 to 10).\n"
             "What became of each kind of instruction is listed on standard error. The\n"
             "operations of edit may follow; they apply to the converted job.",
     .options = kConvertOptions,
     .takesOperations = true,
     .run = runConvert},
    {.name = "send",
     .action = Arguments::Action::Send,
     .synopsis = "kerfline-cli send FILE --port PORT [--baud N] [--flow none|xonxoff|rtscts|esc-b]\n"
                 "                  [--buffer BYTES] [--speed CM_S] [--timeout SECONDS] [--from N]\n"
                 "                  [--quiet]\n"
                 "kerfline-cli send FILE --tcp HOST:PORT [--timeout SECONDS] [--from N] [--quiet]\n",
     .help = "send sends FILE (- for standard input) byte for byte to a cutter on a serial\n"
             "port (COM3, /dev/ttyUSB0; --baud default 9600, 8N1) or a socket (port 9100),\n"
             "with flow control: xonxoff (default), rtscts, esc-b (asks the cutter for its\n"
             "free buffer before each block of at most --buffer bytes, default 256) or\n"
             "none (paced by the job's time at --speed CM_S where it sets no VS, never more\n"
             "than --buffer bytes ahead). Ctrl-C ends the instruction being sent, lifts the\n"
             "knife and names the instruction to go on from with --from. A cutter that takes\n"
             "nothing for --timeout seconds (default 60) ends the job.",
     .options = kSendOptions,
     .readsStandardInput = true,
     .finish = finishSend,
     .run = runSend},
    {.name = "check",
     .action = Arguments::Action::Check,
     .synopsis = "kerfline-cli check FILE [--json] [--min-width MM] [--media WIDTHxHEIGHT]\n",
     .help = "check lists what would go wrong when the job is cut: stretches cut twice,\n"
             "shapes left open or in pieces, dots, splinters, film narrower than --min-width\n"
             "(default 1 mm), shapes that cross, cuts beyond the media; places in mm from\n"
             "the drawing's lower-left corner.",
     .options = kCheckOptions,
     .run = runCheck},
};

}  // namespace

std::span<const Command> commandTable() { return kCommands; }

std::string quoted(std::string_view word) {
    std::string text;
    text.reserve(word.size() + 2);
    text += '\'';
    text += word;
    text += '\'';
    return text;
}

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

bool parseMillimetres(std::string_view text, double largest, bool zeroAllowed, double& value) {
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    auto digits = [](std::string_view part) {
        for (char c : part)
            if (c < '0' || c > '9') return false;
        return true;
    };
    if (whole.empty() || !digits(whole) || !digits(fraction)) return false;
    if (dot != std::string_view::npos && fraction.empty()) return false;
    // Far more digits than any sensible value: "huge", whatever they say.
    if (text.size() > 32) return false;
    double parsed = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || ptr != text.data() + text.size()) return false;
    if (!(parsed <= largest) || parsed < 0.0 || (!zeroAllowed && parsed == 0.0)) return false;
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

std::string windowsPortPath(std::string_view name) {
    if (name.rfind("\\\\.\\", 0) == 0 && name.size() > 4) return std::string(name);
    if (name.size() < 4 || name.size() > 6) return {};
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M' || name[3] == '0') return {};
    std::int32_t number = 0;
    if (name.substr(3).find('-') != std::string_view::npos || !parseWholeNumber(name.substr(3), number) ||
        number < 1 || number > 256)
        return {};
    return "\\\\.\\COM" + std::to_string(number);
}

std::string_view usageText() {
    static const std::string usage = makeUsage();
    return usage;
}

ParseResult parseArguments(const std::vector<std::string_view>& args) {
    if (args.empty()) return failure("no command given");

    ParseResult result;
    Arguments& parsed = result.arguments;
    const std::string_view name = args[0];
    if (isHelp(name)) return help();
    const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [name](const Command& command) { return command.name == name; });
    if (found == std::end(kCommands)) return failure("unknown command " + quoted(name));
    const Command& command = *found;
    parsed.action = command.action;

    OptionReading reading(parsed);
    bool haveFile = false;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view word = args[i];
        if (optionsEnded || !looksLikeOption(word) || (command.readsStandardInput && word == "-")) {
            if (haveFile && command.readSecond && !reading.haveSize) {
                std::string error = command.readSecond(word, reading);
                if (!error.empty()) return failure(std::move(error));
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

        // An option's value is the next word, even one that starts with '-',
        // so that "--frame -2" means minus two.
        const auto option = std::find_if(command.options.begin(), command.options.end(),
                                         [word](const CommandOption& o) { return o.name == word; });
        const OperationRow* row = command.takesOperations ? findOperation(word) : nullptr;
        if (option == command.options.end() && row == nullptr)
            return failure(command.optionsUnknown ? "unknown option " + quoted(word)
                                                  : std::string(name) + " takes no option " + quoted(word));
        const bool takesValue = row ? !row->value.empty() : option->takesValue;
        std::string_view value;
        if (takesValue) {
            if (i + 1 == args.size()) return failure(std::string(word) + " needs a value");
            value = args[++i];
        }
        std::string error;
        if (row) {
            Operation operation{row->kind, 0, 0};
            error = row->read(word, value, operation);
            if (error.empty()) error = addOperation(parsed.operations, word, operation);
        } else {
            error = option->read(word, value, reading);
        }
        if (!error.empty()) return failure(std::move(error));
    }
    if (!haveFile) return failure("missing FILE");
    if (command.finish) {
        std::string problem = command.finish(reading);
        if (!problem.empty()) return failure(std::move(problem));
    }
    const auto noPrecut = std::find_if(parsed.operations.begin(), parsed.operations.end(),
                                       [](const Operation& o) { return o.kind == Operation::Kind::NoPrecut; });
    if (noPrecut != parsed.operations.end() &&
        std::none_of(noPrecut, parsed.operations.end(),
                     [](const Operation& o) { return o.kind == Operation::Kind::BladeOffset; }))
        return failure("--no-precut must come before the --blade-offset it is for");
    result.ok = true;
    return result;
}

}  // namespace kerfline::cli
