#include "cli/arguments.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "cli/production.h"
#include "dialect/converter.h"
#include "geometry/point.h"

namespace kerfline::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage:\n"
    "  kerfline-cli info FILE [--json [--speed CM_S]]\n"
    "  kerfline-cli edit FILE [OPERATION]... [-o OUT]\n"
    "  kerfline-cli tile FILE WIDTHxHEIGHT [--overlap MM] [-o FOLDER]\n"
    "  kerfline-cli render FILE [-o OUT.svg]\n"
    "  kerfline-cli convert FILE [-o OUT] [--tolerance MM]\n"
    "  kerfline-cli send FILE --port PORT [--baud N] [--flow none|xonxoff|rtscts|esc-b]\n"
    "                    [--buffer BYTES] [--speed CM_S] [--timeout SECONDS] [--from N]\n"
    "                    [--quiet]\n"
    "  kerfline-cli send FILE --tcp HOST:PORT [--timeout SECONDS] [--from N] [--quiet]\n"
    "  kerfline-cli check FILE [--json] [--min-width MM] [--media WIDTHxHEIGHT]\n"
    "  kerfline-cli --help\n"
    "\n"
    "info prints the file's name, its area, its lower-left corner and the knife\n"
    "travel, one per line. edit applies the operations in the order given and\n"
    "saves the drawing to OUT, or to standard output without -o or with -o -.\n"
    "\n"
    "info --json prints one JSON object: size, bounds, cut and pen-up travel in mm,\n"
    "cuts, carried instructions and the cutting time, at CM_S cm/s (default 20)\n"
    "where the file sets no VS.\n"
    "\n"
    "tile cuts the drawing into panels of WIDTHxHEIGHT mm, overlapping by MM mm\n"
    "(default 0), saved in FOLDER (default the current one) as NAME-ROW-COLUMN.plt.\n"
    "\n"
    "render draws the job as an SVG picture at true size.\n"
    "\n"
    "convert reads any HP-GL or HP-GL/2 plot file and saves the picture as plain\n"
    "cutter HP-GL (IN, PU, PD, SP, VS, FS) in whole plotter units; arcs become\n"
    "chords within --tolerance millimetres (default 0.05, from 0.001 to 10).\n"
    "What became of each kind of instruction is listed on standard error.\n"
    "\n"
    "send sends FILE (- for standard input) byte for byte to a cutter on a serial\n"
    "port (COM3, /dev/ttyUSB0; --baud default 9600, 8N1) or a socket (port 9100),\n"
    "with flow control: xonxoff (default), rtscts, esc-b (asks the cutter for its\n"
    "free buffer before each block of at most --buffer bytes, default 256) or\n"
    "none (paced by the job's time at --speed CM_S where it sets no VS, never more\n"
    "than --buffer bytes ahead). Ctrl-C ends the instruction being sent, lifts the\n"
    "knife and names the instruction to go on from with --from. A cutter that takes\n"
    "nothing for --timeout seconds (default 60) ends the job.\n"
    "\n"
    "check lists what would go wrong when the job is cut: stretches cut twice,\n"
    "shapes left open or in pieces, dots, splinters, film narrower than --min-width\n"
    "(default 1 mm), shapes that cross, cuts beyond the media; places in mm from\n"
    "the drawing's lower-left corner.\n"
    "\n"
    "Operations (any number, repeats allowed):\n";

constexpr std::string_view kUsageTail =
    "\n"
    "Numbers of --frame, --scale and --move are whole and may be negative: an\n"
    "optional '-' and digits. Other distances are millimetres and may have\n"
    "decimals (0.25), and so may --speed.\n"
    "Exit status: 0 done, 1 invalid file, cannot save, cannot send or stopped,\n"
    "2 bad arguments, 3 check found faults.\n";

// The largest values taken: beyond them a value is a mistake, and copies
// or lengths that large would only exhaust memory.
constexpr std::int32_t kMostCopies = 10000;
constexpr double kLongestOvercut = 1000.0;
constexpr double kLargestBladeOffset = 10.0;
constexpr double kWidestGap = 100000.0;
// The repairs' distances and check's narrowest film.
constexpr double kLargestRepair = 10.0;
constexpr double kWidestFilm = 100.0;

// The operations of edit, in the order --help lists them. `read` takes the
// option's value (none when `value` is empty) and gives an error message
// when it cannot.
struct OperationOption {
    std::string_view name;
    std::string_view value;
    std::string_view help;
    std::string (*read)(std::string_view option, std::string_view value, Operation& operation);
};

std::string quoted(std::string_view word);

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
        case Arguments::Action::Convert:
            return output || word == "--tolerance";
        case Arguments::Action::Send:
            return word == "--port" || word == "--tcp" || word == "--baud" || word == "--flow" ||
                   word == "--buffer" || word == "--timeout" || word == "--from" || word == "--speed";
        case Arguments::Action::Check:
            return word == "--min-width" || word == "--media";
        default:
            return false;
    }
}

std::string readWholeNumber(std::string_view option, std::string_view value, Operation& operation) {
    if (parseWholeNumber(value, operation.value)) return {};
    return std::string(option) + " needs a whole number, not " + quoted(value);
}

std::string readMove(std::string_view, std::string_view value, Operation& operation) {
    const std::size_t comma = value.find(',');
    if (comma != std::string_view::npos && parseWholeNumber(value.substr(0, comma), operation.x) &&
        parseWholeNumber(value.substr(comma + 1), operation.y))
        return {};
    return "--move needs X,Y in whole millimetres, not " + quoted(value);
}

std::string readNothing(std::string_view, std::string_view, Operation&) { return {}; }

std::string readCopies(std::string_view, std::string_view value, Operation& operation) {
    const std::size_t x = value.find('x');
    const std::size_t comma = value.find(',');
    const std::string_view grid = value.substr(0, comma);
    const std::string error = "--copies needs COLUMNSxROWS[,GAP]: whole numbers from 1 and a gap "
                              "in millimetres, not " + quoted(value);
    if (x == std::string_view::npos || x > grid.size()) return error;
    std::int32_t columns = 0, rows = 0;
    if (grid.substr(0, x).find('-') != std::string_view::npos ||
        !parseWholeNumber(grid.substr(0, x), columns) || !parseWholeNumber(grid.substr(x + 1), rows) ||
        grid.substr(x + 1).find('-') != std::string_view::npos || columns < 1 || rows < 1)
        return error;
    if (static_cast<std::int64_t>(columns) * rows > kMostCopies)
        return "--copies makes at most " + std::to_string(kMostCopies) + " copies, not " + quoted(value);
    operation.x = columns;
    operation.y = rows;
    operation.millimetres = 5.0;
    if (comma != std::string_view::npos &&
        !parseMillimetres(value.substr(comma + 1), kWidestGap, true, operation.millimetres))
        return error;
    return {};
}

std::string readOvercut(std::string_view, std::string_view value, Operation& operation) {
    if (parseMillimetres(value, kLongestOvercut, false, operation.millimetres)) return {};
    return "--overcut needs millimetres above 0, at most 1000, not " + quoted(value);
}

std::string readBladeOffset(std::string_view, std::string_view value, Operation& operation) {
    if (parseMillimetres(value, kLargestBladeOffset, false, operation.millimetres)) return {};
    return "--blade-offset needs millimetres above 0, at most 10, not " + quoted(value);
}

// The repairs' distances: above 0, at most 10 mm.
std::string readRepair(std::string_view option, std::string_view value, Operation& operation) {
    if (parseMillimetres(value, kLargestRepair, false, operation.millimetres)) return {};
    return std::string(option) + " needs millimetres above 0, at most 10, not " + quoted(value);
}

struct OperationRow {
    OperationOption option;
    Operation::Kind kind;
};

constexpr OperationRow kOperations[] = {
    {{"--frame", "MM", "add a frame MM millimetres outside the drawing", readWholeNumber}, Operation::Kind::Frame},
    {{"--scale", "PERCENT", "scale about the origin by PERCENT per cent", readWholeNumber}, Operation::Kind::Scale},
    {{"--rotate", "", "turn a quarter clockwise", readNothing}, Operation::Kind::Rotate},
    {{"--move", "X,Y", "move the lower-left corner to X,Y millimetres", readMove}, Operation::Kind::Move},
    {{"--order", "", "holes before their outlines, else the nearest cut next;\n"
                     "prints the pen-up travel before and after", readNothing},
     Operation::Kind::Order},
    {{"--copies", "CxR[,GAP]", "C columns and R rows of copies, GAP mm apart (default 5)", readCopies},
     Operation::Kind::Copies},
    {{"--overcut", "MM", "closed cuts go on MM past their start", readOvercut}, Operation::Kind::Overcut},
    {{"--blade-offset", "MM", "drive a drag knife whose tip trails MM behind its axis,\n"
                              "after a precut beside the drawing", readBladeOffset},
     Operation::Kind::BladeOffset},
    {{"--no-precut", "", "no precut for the --blade-offset after it: the blade\n"
                         "is taken to point along +X at the start", readNothing},
     Operation::Kind::NoPrecut},
    {{"--mirror", "", "left to right within the drawing's bounds", readNothing}, Operation::Kind::Mirror},
    {{"--weed-box", "MM", "a box MM outside the drawing, cut last", readWeedBox}, Operation::Kind::Weed},
    {{"--weed-lines", "MM", "lines every MM through the waste, clear of the design;\n"
                            "with --weed-box across the box, made with it", readWeedLines},
     Operation::Kind::Weed},
    {{"--passes", "N", "every cut N times (1 to 10)", readPasses}, Operation::Kind::Passes},
    {{"--perforate", "CUT,GAP", "every cut as CUT mm dashes, GAP mm apart", readPerforate},
     Operation::Kind::Perforate},
    {{"--pen", "N", "only the cuts made with pen N (once)", readPen}, Operation::Kind::Pen},
    {{"--merge", "MM", "join cuts whose ends meet within MM; lift the knife over\n"
                       "stretches already cut within MM", readRepair},
     Operation::Kind::Merge},
    {{"--close", "MM", "close open cuts whose ends lie within MM", readRepair}, Operation::Kind::Close},
    {{"--simplify", "MM", "fewer points, none more than MM off the line", readRepair},
     Operation::Kind::Simplify},
    {{"--drop-dots", "", "leave out cuts of no length", readNothing}, Operation::Kind::DropDots},
    {{"--weld", "", "shapes that overlap become the outline of their union", readNothing},
     Operation::Kind::Weld},
};

const OperationRow* findOperation(std::string_view word) {
    for (const OperationRow& row : kOperations)
        if (row.option.name == word) return &row;
    return nullptr;
}

std::string makeUsage() {
    std::string text(kUsage);
    for (const OperationRow& row : kOperations) {
        std::string head = "  ";
        head += row.option.name;
        if (!row.option.value.empty()) {
            head += ' ';
            head += row.option.value;
        }
        constexpr std::size_t kColumn = 24;
        head.resize(std::max(head.size() + 1, kColumn), ' ');
        std::string_view help = row.option.help;
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

// The checks of send that need every option: what is wrong, or "".
std::string checkSend(const Arguments& parsed, bool haveSerialOption, bool haveSpeed) {
    if (parsed.port.empty() && parsed.host.empty()) return "send needs --port PORT or --tcp HOST:PORT";
    if (!parsed.port.empty() && !parsed.host.empty()) return "send takes --port or --tcp, not both";
    if (!parsed.host.empty() && haveSerialOption)
        return "--baud, --flow and --buffer are for a serial port, not --tcp";
    if (haveSpeed && parsed.serial.flow != delivery::Flow::None) return "--speed counts only with --flow none";
    return {};
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
    } else if (command == "convert") {
        parsed.action = Arguments::Action::Convert;
    } else if (command == "send") {
        parsed.action = Arguments::Action::Send;
    } else if (command == "check") {
        parsed.action = Arguments::Action::Check;
    } else {
        return failure("unknown command " + quoted(command));
    }
    const bool editing = parsed.action == Arguments::Action::Edit;

    bool haveFile = false;
    bool haveOutput = false;
    bool haveSize = false;
    bool haveSpeed = false;
    bool haveSerialOption = false;
    bool optionsEnded = false;
    const bool sending = parsed.action == Arguments::Action::Send;
    // Tile: the sizes as given, compared before they become plotter units.
    std::string_view panelSize, overlapText = "0";
    double panelWidthMm = 0, panelHeightMm = 0, overlapMm = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view word = args[i];
        // send reads standard input for "-".
        if (optionsEnded || !looksLikeOption(word) || (sending && word == "-")) {
            if (haveFile && parsed.action == Arguments::Action::Tile && !haveSize) {
                std::string error = readPanelSize(word, panelWidthMm, panelHeightMm);
                if (!error.empty()) return failure(std::move(error));
                panelSize = word;
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
        if ((parsed.action == Arguments::Action::Info || parsed.action == Arguments::Action::Check) &&
            word == "--json") {
            parsed.json = true;
            continue;
        }
        if (sending && word == "--quiet") {
            parsed.quiet = true;
            continue;
        }
        const bool converting = parsed.action == Arguments::Action::Convert;
        if (!editing && !takesOption(parsed.action, word) && !(converting && findOperation(word)))
            return failure(std::string(command) + " takes no option " + quoted(word));

        // An option's value is the next word, even one that starts with '-',
        // so that "--frame -2" means minus two.
        if (const OperationRow* row = findOperation(word)) {
            Operation operation{row->kind, 0, 0};
            std::string_view value;
            if (!row->option.value.empty()) {
                if (i + 1 == args.size()) return failure(std::string(word) + " needs a value");
                value = args[++i];
            }
            std::string error = row->option.read(word, value, operation);
            if (error.empty()) error = addOperation(parsed.operations, word, operation);
            if (!error.empty()) return failure(std::move(error));
            continue;
        }
        const bool takesValue = word == "-o" || word == "--output" || !editing;
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
        } else if (word == "--tolerance") {
            if (!parseTolerance(value, parsed.tolerance))
                return failure("--tolerance needs millimetres from 0.001 to 10, not " + quoted(value));
        } else if (word == "--overlap") {
            if (!parseDistance(value, overlapMm))
                return failure("--overlap needs a distance in millimetres (like 10 or 2.5), not " +
                               quoted(value));
            overlapText = value;
        } else if (word == "--port") {
            if (value.empty() || looksLikeOption(value))
                return failure("--port needs the name of a serial port, not " + quoted(value));
#ifdef _WIN32
            if (windowsPortPath(value).empty())
                return failure("--port needs COM1 to COM256, not " + quoted(value));
#endif
            parsed.port = value;
        } else if (word == "--tcp") {
            if (!parseHostAndPort(value, parsed.host, parsed.service))
                return failure("--tcp needs HOST:PORT with a port from 1 to 65535, not " + quoted(value));
        } else if (word == "--baud") {
            std::int32_t baud = 0;
            if (!parseWholeNumber(value, baud) || baud <= 0 ||
                !delivery::isStandardBaud(static_cast<std::uint32_t>(baud)))
                return failure("--baud needs a standard rate (110, 300, 600, 1200, 1800, 2400, 4800, "
                               "9600, 19200, 38400, 57600 or 115200), not " + quoted(value));
            parsed.serial.baud = static_cast<std::uint32_t>(baud);
            haveSerialOption = true;
        } else if (word == "--flow") {
            if (!parseFlow(value, parsed.serial.flow))
                return failure("--flow needs none, xonxoff, rtscts or esc-b, not " + quoted(value));
            haveSerialOption = true;
        } else if (word == "--buffer") {
            std::int32_t bytes = 0;
            if (!parseWholeNumber(value, bytes) || bytes < kSmallestBuffer || bytes > kLargestBuffer)
                return failure("--buffer needs bytes from " + std::to_string(kSmallestBuffer) + " to " +
                               std::to_string(kLargestBuffer) + ", not " + quoted(value));
            parsed.buffer = static_cast<std::uint32_t>(bytes);
            haveSerialOption = true;
        } else if (word == "--timeout") {
            if (!parseMillimetres(value, kLongestTimeout, false, parsed.timeout))
                return failure("--timeout needs seconds, more than 0 and at most 86400, not " + quoted(value));
        } else if (word == "--from") {
            if (!parseWholeNumber(value, parsed.from) || parsed.from < 1)
                return failure("--from needs an instruction number from 1, not " + quoted(value));
        } else if (word == "--speed") {
            if (!parseMillimetres(value, kLargestSpeed, false, parsed.speed))
                return failure("--speed needs centimetres a second, more than 0 and at most " +
                               std::to_string(static_cast<int>(kLargestSpeed)) + ", not " +
                               quoted(value));
            haveSpeed = true;
        } else if (word == "--min-width") {
            if (!parseMillimetres(value, kWidestFilm, false, parsed.minWidth))
                return failure("--min-width needs millimetres above 0, at most 100, not " + quoted(value));
        } else if (word == "--media") {
            const std::size_t x = value.find('x');
            double width = 0.0, height = 0.0;
            if (x == std::string_view::npos || !parseMillimetres(value.substr(0, x), kLargestPanel, false, width) ||
                !parseMillimetres(value.substr(x + 1), kLargestPanel, false, height) || toUnits(width) < 1 ||
                toUnits(height) < 1)
                return failure("--media needs WIDTHxHEIGHT in millimetres, each at least 0.025 and at most " +
                               std::to_string(static_cast<long>(kLargestPanel)) + " (like 600x1000), not " +
                               quoted(value));
            parsed.mediaWidth = toUnits(width);
            parsed.mediaHeight = toUnits(height);
        }
    }
    if (!haveFile) return failure("missing FILE");
    if (parsed.action == Arguments::Action::Tile) {
        if (!haveSize) return failure("missing the panel size WIDTHxHEIGHT");
        if (!(overlapMm < panelWidthMm && overlapMm < panelHeightMm))
            return failure("the overlap must be smaller than the panel's width and height, not " +
                           std::string(overlapText) + " mm for " + std::string(panelSize) + " mm");
        parsed.panelWidth = toUnits(panelWidthMm);
        parsed.panelHeight = toUnits(panelHeightMm);
        // Smaller in millimetres, it may round to the panel's units: it then
        // stays a unit smaller, so that each panel moves on.
        parsed.overlap = std::min(toUnits(overlapMm), std::min(parsed.panelWidth, parsed.panelHeight) - 1);
    }
    if (sending) {
        std::string problem = checkSend(parsed, haveSerialOption, haveSpeed);
        if (!problem.empty()) return failure(std::move(problem));
    } else if (haveSpeed && !parsed.json) {
        return failure("--speed counts only with --json");
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
