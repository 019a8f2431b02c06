// The argument parser: command lines to the actions they ask for, or to a
// usage error.
#include "cli/arguments.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

namespace kerfline::cli {
namespace {

using Kind = Operation::Kind;
using Action = Arguments::Action;

Arguments editOf(std::string file, std::vector<Operation> operations, std::string output = {}) {
    Arguments a;
    a.action = Action::Edit;
    a.file = std::move(file);
    a.operations = std::move(operations);
    a.output = std::move(output);
    return a;
}

Arguments infoOf(std::string file) {
    Arguments a;
    a.action = Action::Info;
    a.file = std::move(file);
    return a;
}

Arguments helpRequest() { return Arguments{}; }

struct ParseCase {
    std::vector<std::string_view> args;
    std::optional<Arguments> expected;  // none: a usage error
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    for (std::string_view a : c.args) *os << '[' << a << "] ";
}

class ParseArgumentsTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseArgumentsTest, GivesTheActionsOrAUsageError) {
    const ParseCase& c = GetParam();
    const ParseResult result = parseArguments(c.args);
    if (!c.expected) {
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.empty());
        return;
    }
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.arguments, *c.expected);
}

const Operation rotate{Kind::Rotate};
Operation frame(std::int32_t mm) { return {Kind::Frame, mm}; }
Operation scale(std::int32_t percent) { return {Kind::Scale, percent}; }
Operation move(std::int32_t x, std::int32_t y) { return {Kind::Move, 0, x, y}; }

INSTANTIATE_TEST_SUITE_P(
    Accepted, ParseArgumentsTest,
    ::testing::Values(
        ParseCase{{"--help"}, helpRequest()}, ParseCase{{"-h"}, helpRequest()},
        ParseCase{{"edit", "--help"}, helpRequest()},
        ParseCase{{"info", "a.plt", "-h"}, helpRequest()},
        // Help is found before the missing value is reached.
        ParseCase{{"edit", "a.plt", "--frame", "10", "--help", "--scale"}, helpRequest()},
        ParseCase{{"info", "a.plt"}, infoOf("a.plt")},
        ParseCase{{"info", "C:\\plots\\a.plt"}, infoOf("C:\\plots\\a.plt")},
        ParseCase{{"info", "--", "-odd.plt"}, infoOf("-odd.plt")},
        ParseCase{{"edit", "a.plt"}, editOf("a.plt", {})},
        ParseCase{{"edit", "a.plt", "-o", "-"}, editOf("a.plt", {})},
        ParseCase{{"edit", "a.plt", "-o", "b.plt"}, editOf("a.plt", {}, "b.plt")},
        ParseCase{{"edit", "a.plt", "--output", "b.plt"}, editOf("a.plt", {}, "b.plt")},
        // Options may come before the file; the order of operations is kept.
        ParseCase{{"edit", "--rotate", "a.plt", "--frame", "10"},
                  editOf("a.plt", {rotate, frame(10)})},
        ParseCase{{"edit", "a.plt", "--scale", "200", "--move", "3,4", "--rotate", "--scale", "50",
                   "-o", "out.plt"},
                  editOf("a.plt", {scale(200), move(3, 4), rotate, scale(50)}, "out.plt")},
        ParseCase{{"edit", "a.plt", "--rotate", "--rotate", "--rotate", "--rotate"},
                  editOf("a.plt", {rotate, rotate, rotate, rotate})},
        // Negative values, which look like options, are values here.
        ParseCase{{"edit", "a.plt", "--frame", "-2"}, editOf("a.plt", {frame(-2)})},
        ParseCase{{"edit", "a.plt", "--scale", "-100"}, editOf("a.plt", {scale(-100)})},
        ParseCase{{"edit", "a.plt", "--move", "-3,4"}, editOf("a.plt", {move(-3, 4)})},
        ParseCase{{"edit", "a.plt", "--move", "0,-0"}, editOf("a.plt", {move(0, 0)})},
        ParseCase{{"edit", "a.plt", "--frame", "007"}, editOf("a.plt", {frame(7)})},
        ParseCase{{"edit", "a.plt", "--move", "2147483647,-2147483648"},
                  editOf("a.plt", {move(INT32_MAX, INT32_MIN)})}));

INSTANTIATE_TEST_SUITE_P(
    Rejected, ParseArgumentsTest,
    ::testing::Values(ParseCase{{}, std::nullopt}, ParseCase{{"frobnicate", "a.plt"}, std::nullopt},
                      ParseCase{{"a.plt"}, std::nullopt}, ParseCase{{"info"}, std::nullopt},
                      ParseCase{{"edit"}, std::nullopt},
                      ParseCase{{"edit", "-o", "b.plt"}, std::nullopt},
                      ParseCase{{"info", "a.plt", "b.plt"}, std::nullopt},
                      ParseCase{{"info", "a.plt", "--rotate"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "b.plt"}, std::nullopt},
                      ParseCase{{"info", ""}, std::nullopt}, ParseCase{{"info", "-"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--flip"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--frame=10"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--frame"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--frame", ""}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--frame", "+5"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--frame", "1.5"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--frame", "12abc"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--frame", " 12"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--frame", "-"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--frame", "--rotate"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--scale", "99999999999"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--scale", "2147483648"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--scale", "-2147483649"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--move", "3"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--move", "3,4,5"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--move", "3,"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--move", ",4"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--move", "3;4"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--move", "+3,4"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--move"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "-o"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "-o", ""}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "-o", "--rotate"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "-o", "b.plt", "-o", "c.plt"}, std::nullopt},
                      // Read left to right, the first problem decides, even before a --help.
                      ParseCase{{"edit", "a.plt", "--scale", "x", "--help"}, std::nullopt}));

Arguments jsonOf(std::string file, double speed = 20.0) {
    Arguments a = infoOf(std::move(file));
    a.json = true;
    a.speed = speed;
    return a;
}

// Sizes in plotter units, 40 to the millimetre.
Arguments tileOf(std::string file, std::int32_t width, std::int32_t height,
                 std::int32_t overlap = 0, std::string folder = {}) {
    Arguments a;
    a.action = Action::Tile;
    a.file = std::move(file);
    a.panelWidth = width;
    a.panelHeight = height;
    a.overlap = overlap;
    a.output = std::move(folder);
    return a;
}

Arguments renderOf(std::string file, std::string output = {}) {
    Arguments a;
    a.action = Action::Render;
    a.file = std::move(file);
    a.output = std::move(output);
    return a;
}

Arguments convertOf(std::string file, std::string output = {}, double tolerance = 0.05) {
    Arguments a;
    a.action = Action::Convert;
    a.file = std::move(file);
    a.output = std::move(output);
    a.tolerance = tolerance;
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    NewCommandsAccepted, ParseArgumentsTest,
    ::testing::Values(
        ParseCase{{"info", "a.plt", "--json"}, jsonOf("a.plt")},
        ParseCase{{"info", "--json", "a.plt", "--speed", "12.5"}, jsonOf("a.plt", 12.5)},
        ParseCase{{"tile", "a.plt", "600x1000"}, tileOf("a.plt", 24000, 40000)},
        ParseCase{{"tile", "a.plt", "0.25x1.5", "--overlap", "0.1"}, tileOf("a.plt", 10, 60, 4)},
        ParseCase{{"tile", "--overlap", "10", "a.plt", "600x1000", "-o", "panels"},
                  tileOf("a.plt", 24000, 40000, 400, "panels")},
        ParseCase{{"tile", "a.plt", "600x1000", "--overlap", "0"}, tileOf("a.plt", 24000, 40000)},
        ParseCase{{"tile", "--", "-a.plt", "1000000x1"}, tileOf("-a.plt", 40000000, 40)},
        // Compared in millimetres, then rounded: the overlap stays a unit
        // smaller than the panel where it would round to the same units.
        ParseCase{{"tile", "a.plt", "10x600", "--overlap", "9.99"}, tileOf("a.plt", 400, 24000, 399)},
        ParseCase{{"tile", "a.plt", "600x10.01", "--overlap", "10"}, tileOf("a.plt", 24000, 400, 399)},
        ParseCase{{"tile", "a.plt", "10x600", "--overlap", "9.9"}, tileOf("a.plt", 400, 24000, 396)},
        ParseCase{{"tile", "a.plt", "0.025x0.025", "--overlap", "0.02"}, tileOf("a.plt", 1, 1, 0)},
        ParseCase{{"render", "a.plt", "-o", "a.svg"}, renderOf("a.plt", "a.svg")},
        ParseCase{{"render", "a.plt", "-o", "-"}, renderOf("a.plt")},
        ParseCase{{"render", "a.plt"}, renderOf("a.plt")}));

INSTANTIATE_TEST_SUITE_P(
    NewCommandsRejected, ParseArgumentsTest,
    ::testing::Values(
        ParseCase{{"info", "a.plt", "--speed", "20"}, std::nullopt},  // without --json
        ParseCase{{"edit", "a.plt", "--json"}, std::nullopt},
        ParseCase{{"render", "a.plt", "--json"}, std::nullopt},
        ParseCase{{"info", "a.plt", "--json", "--speed", "0"}, std::nullopt},
        ParseCase{{"info", "a.plt", "--json", "--speed", "-5"}, std::nullopt},
        ParseCase{{"info", "a.plt", "--json", "--speed", "nan"}, std::nullopt},
        ParseCase{{"info", "a.plt", "--json", "--speed", "inf"}, std::nullopt},
        ParseCase{{"info", "a.plt", "--json", "--speed", "1e400"}, std::nullopt},
        ParseCase{{"info", "a.plt", "--json", "--speed", "100000"}, std::nullopt},
        ParseCase{{"info", "a.plt", "--json", "--speed"}, std::nullopt},
        ParseCase{{"tile", "a.plt"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "3x"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "x3"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "0x2"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "2x0"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "0.01x2"}, std::nullopt},  // under one plotter unit
        ParseCase{{"tile", "a.plt", "-3x2"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "3x-2"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "1e400x2"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "nanxnan"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "3X2"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "3x2x1"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "3.x2"}, std::nullopt},
        ParseCase{{"tile", "a.plt", ".5x2"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "1000001x2"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "99999999999999999999x2"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "3x2", "4x5"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "3x2", "--overlap", "2"}, std::nullopt},  // not below 2
        ParseCase{{"tile", "a.plt", "3x2", "--overlap", "-1"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "3x2", "--overlap", "nan"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "3x2", "-o", "-"}, std::nullopt},
        ParseCase{{"tile", "a.plt", "3x2", "--rotate"}, std::nullopt},
        ParseCase{{"render", "a.plt", "b.plt"}, std::nullopt},
        ParseCase{{"render", "a.plt", "--overlap", "3"}, std::nullopt}));

// What tile says about a size or overlap it refuses: the limit broken.
struct TileRefusal {
    std::vector<std::string_view> args;  // after "tile a.plt"
    std::string_view message;
};

class TileRefusalTest : public ::testing::TestWithParam<TileRefusal> {};

TEST_P(TileRefusalTest, NamesTheLimitBroken) {
    std::vector<std::string_view> args{"tile", "a.plt"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const ParseResult result = parseArguments(args);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, TileRefusalTest,
    ::testing::Values(
        TileRefusal{{"1000000.01x2"}, "the panel's width must be at most 1000000 mm, not '1000000.01x2'"},
        TileRefusal{{"2x1000001"}, "the panel's height must be at most 1000000 mm, not '2x1000001'"},
        TileRefusal{{"9999999999999999999999999999999999999999x2"},
                    "the panel's width must be at most 1000000 mm, not "
                    "'9999999999999999999999999999999999999999x2'"},
        TileRefusal{{"0x2"}, "the panel's width must be at least one plotter unit, 0.025 mm, not '0x2'"},
        // 0.02 mm rounds to a unit, 0.012 to none: both are under one.
        TileRefusal{{"0.02x2"}, "the panel's width must be at least one plotter unit, 0.025 mm, not '0.02x2'"},
        TileRefusal{{"2x0.012"}, "the panel's height must be at least one plotter unit, 0.025 mm, not '2x0.012'"},
        TileRefusal{{"3X2"}, "the panel size must be WIDTHxHEIGHT in millimetres (like 600x1000), not '3X2'"},
        TileRefusal{{"10x600", "--overlap", "10"},
                    "the overlap must be smaller than the panel's width and height, not 10 mm for 10x600 mm"},
        TileRefusal{{"--overlap", "10.001", "600x10"},
                    "the overlap must be smaller than the panel's width and height, not 10.001 mm for 600x10 mm"},
        TileRefusal{{"5x5", "--overlap", "99999999999999999999999999999999999"},
                    "the overlap must be smaller than the panel's width and height, not "
                    "99999999999999999999999999999999999 mm for 5x5 mm"},
        TileRefusal{{"5x5", "--overlap", "1e3"}, "--overlap needs a distance in millimetres (like 10 or 2.5), not '1e3'"}));

Operation cutTool(Kind kind, double mm, std::int32_t columns = 0, std::int32_t rows = 0) {
    Operation operation{kind, 0, columns, rows};
    operation.millimetres = mm;
    return operation;
}

INSTANTIATE_TEST_SUITE_P(
    CuttingTools, ParseArgumentsTest,
    ::testing::Values(
        ParseCase{{"edit", "a.plt", "--order", "--rotate", "--blade-offset", "0.25", "--overcut", "1",
                   "--copies", "3x2", "--copies", "1x4,0.5", "--copies", "2x2,0"},
                  editOf("a.plt", {cutTool(Kind::Order, 0), rotate, cutTool(Kind::BladeOffset, 0.25),
                                   cutTool(Kind::Overcut, 1.0), cutTool(Kind::Copies, 5.0, 3, 2),
                                   cutTool(Kind::Copies, 0.5, 1, 4), cutTool(Kind::Copies, 0.0, 2, 2)})},
        ParseCase{{"edit", "a.plt", "--copies", "100x100"}, editOf("a.plt", {cutTool(Kind::Copies, 5.0, 100, 100)})},
        // --no-precut is for the --blade-offset after it.
        ParseCase{{"edit", "a.plt", "--no-precut", "--rotate", "--blade-offset", "0.5", "--blade-offset", "1"},
                  editOf("a.plt", {cutTool(Kind::NoPrecut, 0), rotate, cutTool(Kind::BladeOffset, 0.5),
                                   cutTool(Kind::BladeOffset, 1.0)})},
        ParseCase{{"edit", "a.plt", "--blade-offset", "0.5", "--no-precut"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--no-precut"}, std::nullopt},
        ParseCase{{"info", "a.plt", "--no-precut"}, std::nullopt},
        // Zero, negative, huge, not a number, incomplete: refused.
        ParseCase{{"edit", "a.plt", "--overcut", "0"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--overcut", "-1"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--overcut", "1e400"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--overcut", "nan"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--overcut", "1001"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--overcut", "1."}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--overcut", ".5"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--overcut"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--blade-offset", "0.0"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--blade-offset", "10.5"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--blade-offset", "inf"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--blade-offset", "0,25"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--copies", "3x"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--copies", "0x2"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--copies", "x2"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--copies", "-1x2"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--copies", "3"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--copies", "3x2,"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--copies", "3x2,-1"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--copies", "3x2,nan"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--copies", "101x100"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--copies", "99999999999x1"}, std::nullopt},
        ParseCase{{"edit", "a.plt", "--order", "5"}, std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    Convert, ParseArgumentsTest,
    ::testing::Values(ParseCase{{"convert", "a.plt"}, convertOf("a.plt")},
                      ParseCase{{"convert", "a.plt", "-o", "-"}, convertOf("a.plt")},
                      ParseCase{{"convert", "--tolerance", "0.5", "a.plt", "-o", "b.plt"},
                                convertOf("a.plt", "b.plt", 0.5)},
                      ParseCase{{"convert", "a.plt", "--tolerance", ".001"}, convertOf("a.plt", {}, 0.001)},
                      ParseCase{{"convert", "a.plt", "--tolerance", "10"}, convertOf("a.plt", {}, 10)},
                      ParseCase{{"convert", "a.plt", "--tolerance", "10.0001"}, std::nullopt},
                      ParseCase{{"convert", "a.plt", "--tolerance", "0.0009"}, std::nullopt},
                      ParseCase{{"convert", "a.plt", "--tolerance", "0"}, std::nullopt},
                      ParseCase{{"convert", "a.plt", "--tolerance", "-1"}, std::nullopt},
                      ParseCase{{"convert", "a.plt", "--tolerance", "1e-300"}, std::nullopt},
                      ParseCase{{"convert", "a.plt", "--tolerance", "inf"}, std::nullopt},
                      ParseCase{{"convert", "a.plt", "--tolerance", "1.2.3"}, std::nullopt},
                      ParseCase{{"convert", "a.plt", "--tolerance", "."}, std::nullopt},
                      ParseCase{{"convert", "a.plt", "--scale", "50", "--order"},
                                [] {
                                    Arguments a = convertOf("a.plt");
                                    a.operations = {{Operation::Kind::Scale, 50}, {Operation::Kind::Order}};
                                    return a;
                                }()},
                      ParseCase{{"convert", "a.plt", "b.plt"}, std::nullopt},
                      ParseCase{{"info", "a.plt", "--tolerance", "1"}, std::nullopt},
                      ParseCase{{"edit", "a.plt", "--tolerance", "1"}, std::nullopt}));

// A serial port: on this system a device name, as given.
Arguments sendOf(std::string file, std::string port, std::uint32_t baud = 9600,
                 delivery::Flow flow = delivery::Flow::XonXoff) {
    Arguments a;
    a.action = Action::Send;
    a.file = std::move(file);
    a.port = std::move(port);
    a.serial = {baud, flow};
    return a;
}

Arguments sendTo(std::string host, std::string service) {
    Arguments a;
    a.action = Action::Send;
    a.file = "a.plt";
    a.host = std::move(host);
    a.service = std::move(service);
    return a;
}

Arguments sendWith(Arguments a, std::uint32_t buffer, double timeout, std::int32_t from, bool quiet, double speed) {
    a.buffer = buffer;
    a.timeout = timeout;
    a.from = from;
    a.quiet = quiet;
    a.speed = speed;
    return a;
}

#ifndef _WIN32
INSTANTIATE_TEST_SUITE_P(
    Send, ParseArgumentsTest,
    ::testing::Values(
        ParseCase{{"send", "a.plt", "--port", "/dev/ttyUSB0"}, sendOf("a.plt", "/dev/ttyUSB0")},
        ParseCase{{"send", "-", "--port", "/dev/ttyS1"}, sendOf("-", "/dev/ttyS1")},
        ParseCase{{"send", "a.plt", "--port", "/dev/ttyUSB0", "--baud", "115200", "--flow", "rtscts"},
                  sendOf("a.plt", "/dev/ttyUSB0", 115200, delivery::Flow::RtsCts)},
        ParseCase{{"send", "a.plt", "--port", "p", "--flow", "esc-b", "--buffer", "1024", "--timeout", "2.5",
                   "--from", "12", "--quiet"},
                  sendWith(sendOf("a.plt", "p", 9600, delivery::Flow::EscB), 1024, 2.5, 12, true, 20)},
        ParseCase{{"send", "a.plt", "--port", "p", "--flow", "none", "--speed", "40", "--buffer", "16"},
                  sendWith(sendOf("a.plt", "p", 9600, delivery::Flow::None), 16, 60, 1, false, 40)},
        ParseCase{{"send", "a.plt", "--tcp", "cutter.local:9100"}, sendTo("cutter.local", "9100")},
        ParseCase{{"send", "a.plt", "--tcp", "[::1]:9100"}, sendTo("::1", "9100")},
        // Refused: no way to the cutter, or two; serial options with a
        // socket; values out of range.
        ParseCase{{"send", "a.plt"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--port", "p", "--tcp", "h:1"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--tcp", "h:1", "--baud", "9600"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--tcp", "h:1", "--flow", "none"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--port", "p", "--speed", "20"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--port", "p", "--baud", "9601"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--port", "p", "--baud", "230400"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--port", "p", "--flow", "xon"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--port", "p", "--buffer", "15"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--port", "p", "--buffer", "1048577"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--port", "p", "--timeout", "0"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--port", "p", "--timeout", "86401"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--port", "p", "--from", "0"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--port", "--quiet"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--tcp", "h"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--tcp", ":9100"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--tcp", "h:0"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--tcp", "h:65536"}, std::nullopt},
        ParseCase{{"send", "a.plt", "--tcp", "h:-1"}, std::nullopt},
        ParseCase{{"info", "a.plt", "--quiet"}, std::nullopt}));
#endif

TEST(WindowsPortPath, TakesComOneToTwoHundredFiftySix) {
    struct Case {
        std::string_view name;
        std::string path;
    };
    for (const Case& c : std::vector<Case>{{"COM1", "\\\\.\\COM1"},
                                           {"com3", "\\\\.\\COM3"},
                                           {"Com256", "\\\\.\\COM256"},
                                           {"\\\\.\\COM12", "\\\\.\\COM12"},
                                           {"COM0", ""},
                                           {"COM257", ""},
                                           {"COM01", ""},
                                           {"COM-1", ""},
                                           {"COM", ""},
                                           {"LPT1", ""},
                                           {"COM1:", ""},
                                           {"/dev/ttyS0", ""}})
        EXPECT_EQ(windowsPortPath(c.name), c.path) << c.name;
}

struct NumberCase {
    std::string_view text;
    std::optional<std::int32_t> value;
};

class WholeNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(WholeNumberTest, AcceptsOnlyWholeSigned32BitDecimals) {
    const NumberCase& c = GetParam();
    std::int32_t value = 12345;
    const bool ok = parseWholeNumber(c.text, value);
    ASSERT_EQ(ok, c.value.has_value()) << c.text;
    if (ok)
        EXPECT_EQ(value, *c.value);
    else
        EXPECT_EQ(value, 12345) << "a rejected text must leave the value alone";
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, WholeNumberTest,
    ::testing::Values(
        NumberCase{"0", 0}, NumberCase{"-0", 0}, NumberCase{"42", 42}, NumberCase{"-42", -42},
        NumberCase{"0042", 42}, NumberCase{"2147483647", INT32_MAX},
        NumberCase{"-2147483648", INT32_MIN}, NumberCase{"2147483648", std::nullopt},
        NumberCase{"-2147483649", std::nullopt}, NumberCase{"99999999999999999999", std::nullopt},
        NumberCase{"", std::nullopt}, NumberCase{"-", std::nullopt}, NumberCase{"+5", std::nullopt},
        NumberCase{"--5", std::nullopt}, NumberCase{"5-", std::nullopt},
        NumberCase{"1.5", std::nullopt}, NumberCase{"1e3", std::nullopt},
        NumberCase{"0x10", std::nullopt}, NumberCase{" 5", std::nullopt},
        NumberCase{"5 ", std::nullopt}, NumberCase{std::string_view("5\0", 2), std::nullopt}));

TEST(ParseArgumentsHelp, UsageTextNamesEveryOptionAndTheExitCodes) {
    const std::string_view usage = usageText();
    for (std::string_view word :
         {"info FILE", "edit FILE", "--frame", "--scale", "--rotate", "--move", "-o OUT", "--help",
          "Exit status", "--order", "--copies CxR[,GAP]", "--overcut MM", "--blade-offset MM", "--no-precut",
          "--json", "--speed CM_S", "tile FILE WIDTHxHEIGHT", "--overlap MM", "-o FOLDER",
          "render FILE", "send FILE --port PORT", "--tcp HOST:PORT", "--flow none|xonxoff|rtscts|esc-b",
          "--from N", "convert FILE [OPERATION]..."})
        EXPECT_NE(usage.find(word), std::string_view::npos) << word;
    EXPECT_EQ(usage.back(), '\n');
}

}  // namespace
}  // namespace kerfline::cli
