// info --json, tile and render run as a user runs them, their results
// checked against figures worked out by hand, against info's own four
// lines, against the drawing itself (the panels shifted back), and the
// picture against what rsvg-convert makes of it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>

#include "drawing/drawing.h"
#include "runner.h"
#include "support.h"

namespace kerfline::clitest {
namespace {

namespace fs = std::filesystem;

// ---- an independent walk of a drawing: its pen-down segments ---------------

struct Segment {
    double ax, ay, bx, by;
};

// Straight from the geometry of the five movement instructions: PA, PD and
// PU points are absolute, PR points offsets; PD lowers the pen, PU and IN
// raise it, IN and a PA without points go back to (0,0).
std::vector<Segment> penDownSegments(const PlotDrawing& drawing) {
    std::vector<Segment> segments;
    double x = 0, y = 0;
    bool down = false;
    for (const PlotCommand& command : drawing.commands) {
        const MnemonicCode code = command.mnemonic();
        if (code == mnemonic::IN) {
            down = false;
            x = y = 0;
            continue;
        }
        if (!holdsPoints(code)) continue;
        if (code == mnemonic::PD) down = true;
        if (code == mnemonic::PU) down = false;
        if (code == mnemonic::PA && command.points().empty()) x = y = 0;
        for (const PlotPoint& p : command.points()) {
            const double nx = code == mnemonic::PR ? x + p.x : p.x;
            const double ny = code == mnemonic::PR ? y + p.y : p.y;
            if (down && (nx != x || ny != y)) segments.push_back({x, y, nx, ny});
            x = nx;
            y = ny;
        }
    }
    return segments;
}

PlotDrawing readFile(const fs::path& path) {
    PlotDrawing drawing;
    FileInput in(path.c_str());
    readDrawing(in, drawing);
    EXPECT_FALSE(in.failed()) << path;
    return drawing;
}

// The instructions that are not movement, as written.
std::vector<std::string> carried(const PlotDrawing& drawing) {
    std::vector<std::string> texts;
    for (const PlotCommand& command : drawing.commands) {
        const MnemonicCode code = command.mnemonic();
        if (holdsPoints(code) || code == mnemonic::IN) continue;
        MemoryOutput out;
        out.writeInt(code);
        if (command.text()) out.write(command.text());
        texts.push_back(out.str());
    }
    return texts;
}

double distanceToSegment(double px, double py, const Segment& s) {
    const double dx = s.bx - s.ax, dy = s.by - s.ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 == 0 ? 0 : ((px - s.ax) * dx + (py - s.ay) * dy) / len2;
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return std::hypot(px - (s.ax + t * dx), py - (s.ay + t * dy));
}

// Segments filed by the cells of a coarse grid they pass through, so that
// the points near one place are found without looking at all of them.
class SegmentIndex {
public:
    explicit SegmentIndex(std::vector<Segment> segments) : segments_(std::move(segments)) {
        for (std::size_t i = 0; i < segments_.size(); ++i) {
            const Segment& s = segments_[i];
            const double length = std::hypot(s.bx - s.ax, s.by - s.ay);
            const int steps = 1 + static_cast<int>(length / (kCell / 2));
            for (int k = 0; k <= steps; ++k) {
                const double t = double(k) / steps;
                auto& list = cells_[key(s.ax + t * (s.bx - s.ax), s.ay + t * (s.by - s.ay))];
                if (list.empty() || list.back() != i) list.push_back(i);
            }
        }
    }
    double nearest(double x, double y) const {
        double best = INFINITY;
        const long long cx = cell(x), cy = cell(y);
        for (long long i = cx - 1; i <= cx + 1; ++i)
            for (long long j = cy - 1; j <= cy + 1; ++j) {
                const auto found = cells_.find({i, j});
                if (found == cells_.end()) continue;
                for (std::size_t index : found->second)
                    best = std::min(best, distanceToSegment(x, y, segments_[index]));
            }
        return best;
    }

private:
    static constexpr double kCell = 64;
    static long long cell(double v) { return static_cast<long long>(std::floor(v / kCell)); }
    static std::pair<long long, long long> key(double x, double y) { return {cell(x), cell(y)}; }
    std::vector<Segment> segments_;
    std::map<std::pair<long long, long long>, std::vector<std::size_t>> cells_;
};

// Points every `step` units along each segment, ends included.
template <typename Visit>
void sample(const std::vector<Segment>& segments, double step, Visit visit) {
    for (const Segment& s : segments) {
        const double length = std::hypot(s.bx - s.ax, s.by - s.ay);
        const int steps = 1 + static_cast<int>(length / step);
        for (int k = 0; k <= steps; ++k) {
            const double t = double(k) / steps;
            visit(s.ax + t * (s.bx - s.ax), s.ay + t * (s.by - s.ay));
        }
    }
}

// ---- info --json --------------------------------------------------------------

struct JsonCase {
    const char* label;
    std::string name;
    std::string content;
    std::vector<std::string> extra;  // arguments after --json
    std::string expected;            // the line without its line feed
};

class InfoJsonTest : public ::testing::TestWithParam<JsonCase> {};

TEST_P(InfoJsonTest, GivesTheFiguresWorkedOutByHand) {
    const JsonCase& c = GetParam();
    ScratchDir dir;
    const fs::path file = dir / c.name;
    writeBytes(file, c.content);
    std::vector<std::string> args{"info", file.string(), "--json"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const CliRun run = runCli(args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.expected + "\n");
    EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InfoJsonTest,
    ::testing::Values(
        // 297 x 210 mm: 101.4 cm at 20 cm/s = 5.07 s, and 0.2 s for the knife.
        JsonCase{"rectangle", "rect.plt", "IN;SP1;PU0,0;PD11880,0,11880,8400,0,8400,0,0;PU0,0;",
                 {},
                 R"({"name": "rect.plt", "instructions": 5, "width_mm": 297, "height_mm": 210, )"
                 R"("min_x": 0, "min_y": 0, "max_x": 11880, "max_y": 8400, "cut_mm": 1014, )"
                 R"("move_mm": 0, "cuts": 1, "closed_cuts": 1, "unknown": {"SP": 1}, )"
                 R"("time_s": 5.27})"},
        // Moves of 10 mm at 20 cm/s (0.05 s) and of 14.142 mm at 20 cm/s
        // (0.0707 s); cuts of 10 mm at VS 10 (0.1 s) and at pen 2's VS 5
        // (0.2 s); two drops and two lifts (0.4 s): 0.8207 s.
        JsonCase{"speeds", "speeds.plt",
                 "IN;VS10;PU400,0;PD800,0;PU400,400;VS5,2;SP2;PD400,800;ZZ9;", {},
                 R"({"name": "speeds.plt", "instructions": 9, "width_mm": 10, "height_mm": 20, )"
                 R"("min_x": 400, "min_y": 0, "max_x": 800, "max_y": 800, "cut_mm": 20, )"
                 R"("move_mm": 24.142, "cuts": 2, "closed_cuts": 0, )"
                 R"("unknown": {"SP": 1, "VS": 2, "ZZ": 1}, "time_s": 0.82})"},
        // The same at --speed 10 where no VS is set: IN resets VS.
        JsonCase{"speed_option", "speeds.plt", "VS40;IN;PU400,0;PD800,0;", {"--speed", "10"},
                 R"({"name": "speeds.plt", "instructions": 4, "width_mm": 10, "height_mm": 0, )"
                 R"("min_x": 400, "min_y": 0, "max_x": 800, "max_y": 0, "cut_mm": 10, )"
                 R"("move_mm": 10, "cuts": 1, "closed_cuts": 0, "unknown": {"VS": 1}, )"
                 R"("time_s": 0.35})"},
        // One cut whose second half runs at the VS given inside it: 10 mm at
        // 20 cm/s (0.05 s), 10 mm at 5 cm/s (0.2 s), a drop and a lift (0.2 s).
        JsonCase{"speed_inside_a_cut", "mid.plt", "IN;PU0,0;PD400,0;VS5;PD400,400;PU;", {},
                 R"({"name": "mid.plt", "instructions": 6, "width_mm": 10, "height_mm": 10, )"
                 R"("min_x": 0, "min_y": 0, "max_x": 400, "max_y": 400, "cut_mm": 20, )"
                 R"("move_mm": 0, "cuts": 1, "closed_cuts": 0, "unknown": {"VS": 1}, )"
                 R"("time_s": 0.45})"},
        // Relative points, and a cut of a single point.
        JsonCase{"relative", "rel.plt", "PU40,40;PD;PR40,0,0,40,-40,0,0,-40;PU;PD;PU;", {},
                 R"({"name": "rel.plt", "instructions": 6, "width_mm": 1, "height_mm": 1, )"
                 R"("min_x": 40, "min_y": 40, "max_x": 80, "max_y": 80, "cut_mm": 4, )"
                 R"("move_mm": 1.414, "cuts": 2, "closed_cuts": 1, "unknown": {}, )"
                 R"("time_s": 0.42})"},
        JsonCase{"empty", "empty.plt", "IN;SP1;", {},
                 R"({"name": "empty.plt", "instructions": 2, "width_mm": 0, "height_mm": 0, )"
                 R"("min_x": null, "min_y": null, "max_x": null, "max_y": null, "cut_mm": 0, )"
                 R"("move_mm": 0, "cuts": 0, "closed_cuts": 0, "unknown": {"SP": 1}, )"
                 R"("time_s": 0})"},
        // A quotation mark and a byte that is not UTF-8 (0xFF, code page
        // 1251's "я") in the name, and a control character as a mnemonic.
        JsonCase{"odd_names", "a\"b\xFF.plt", "\x01Q;", {},
                 "{\"name\": \"a\\\"b\xD1\x8F.plt\", \"instructions\": 1, \"width_mm\": 0, "
                 "\"height_mm\": 0, \"min_x\": null, \"min_y\": null, \"max_x\": null, "
                 "\"max_y\": null, \"cut_mm\": 0, \"move_mm\": 0, \"cuts\": 0, "
                 "\"closed_cuts\": 0, \"unknown\": {\"\\u0001Q\": 1}, \"time_s\": 0}"}),
    [](const auto& param) { return param.param.label; });

// ---- the shared corpus: figures against info's lines, panels, pictures -----

const std::vector<std::string> kCorpus{"chiplotle_foal_penplotter_art.hpgl",
                                       "hp2xx_acad_autocad.hp",
                                       "hp2xx_inter_gks_vaxvms.hp",
                                       "hp8595e_spectrum_analyzer.hpgl",
                                       "inkcut1_cutter_job.hpgl",
                                       "inkscape_ext_test.hpgl",
                                       "kicad_pcb_b_cu.plt"};

std::string member(const std::string& json, const std::string& key) {
    const std::regex pattern("\"" + key + "\": ([^,}]*)");
    std::smatch match;
    return std::regex_search(json, match, pattern) ? match[1].str() : std::string("?");
}

class CorpusTools : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusTools, JsonAgreesWithTheFourLines) {
    const fs::path file = corpusFile(GetParam());
    if (file.empty()) GTEST_SKIP() << "the shared corpus is not here";
    const CliRun lines = runCli({"info", file.string()});
    const CliRun json = runCli({"info", file.string(), "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    // Lines: name, "WxH мм", corner, travel; whole millimetres of the same figures.
    std::smatch area;
    ASSERT_TRUE(std::regex_search(lines.out, area, std::regex("\n(-?\\d+)x(-?\\d+) ")));
    EXPECT_EQ(std::to_string(static_cast<long>(std::stod(member(json.out, "width_mm")))), area[1]);
    EXPECT_EQ(std::to_string(static_cast<long>(std::stod(member(json.out, "height_mm")))), area[2]);
    std::smatch travel;
    ASSERT_TRUE(std::regex_search(lines.out, travel, std::regex("\n(\\d+) \xD0\xBC\xD0\xBC\n$")));
    const double cutMm = std::stod(member(json.out, "cut_mm"));
    EXPECT_NEAR(cutMm, std::stod(travel[1]), 0.5 + 1e-3);

    // The pen-down segments of an independent walk give the same cut length.
    const PlotDrawing drawing = readFile(file);
    double length = 0;
    for (const Segment& s : penDownSegments(drawing)) length += std::hypot(s.bx - s.ax, s.by - s.ay);
    EXPECT_NEAR(cutMm, length / 40, 0.001);
    ASSERT_TRUE(drawing.hasExtent());
    EXPECT_EQ(member(json.out, "min_x"), std::to_string(drawing.minX));
    EXPECT_EQ(member(json.out, "max_y"), std::to_string(drawing.maxY));
}

// Panels of about a third of the drawing, overlapping by 2 mm: each stays
// within the cutter, and shifted back they lie on the drawing and cover it.
TEST_P(CorpusTools, PanelsShiftedBackGiveTheDrawing) {
    const fs::path file = corpusFile(GetParam());
    if (file.empty()) GTEST_SKIP() << "the shared corpus is not here";
    const PlotDrawing drawing = readFile(file);
    const long widthMm = std::max<long>(5, (long(drawing.maxX) - drawing.minX) / 40 / 3 + 1);
    const long heightMm = std::max<long>(5, (long(drawing.maxY) - drawing.minY) / 40 / 2 + 1);
    const long overlapMm = 2;
    ScratchDir dir;
    const std::string size = std::to_string(widthMm) + "x" + std::to_string(heightMm);
    const CliRun run = runCli({"tile", file.string(), size, "--overlap", "2", "-o", dir.path()});
    ASSERT_EQ(run.status, 0) << run.err;

    const std::vector<Segment> original = penDownSegments(drawing);
    const std::vector<std::string> originalCarried = carried(drawing);
    std::vector<Segment> back;
    const std::string stem = file.stem().string();
    long panels = 0;
    for (long row = 1; fs::exists(dir / (stem + "-" + std::to_string(row) + "-1.plt")); ++row) {
        for (long column = 1;; ++column) {
            const fs::path panelFile = dir / (stem + "-" + std::to_string(row) + "-" +
                                              std::to_string(column) + ".plt");
            if (!fs::exists(panelFile)) break;
            ++panels;
            const PlotDrawing panel = readFile(panelFile);
            EXPECT_EQ(carried(panel), originalCarried) << panelFile;
            const double left = drawing.minX + double((column - 1) * (widthMm - overlapMm) * 40);
            const double bottom = drawing.minY + double((row - 1) * (heightMm - overlapMm) * 40);
            for (const Segment& s : penDownSegments(panel)) {
                for (double v : {s.ax, s.bx}) ASSERT_TRUE(v >= 0 && v <= double(widthMm * 40)) << panelFile;
                for (double v : {s.ay, s.by}) ASSERT_TRUE(v >= 0 && v <= double(heightMm * 40)) << panelFile;
                back.push_back({s.ax + left, s.ay + bottom, s.bx + left, s.by + bottom});
            }
        }
    }
    EXPECT_EQ(static_cast<std::size_t>(panels), dir.names().size());  // nothing else written
    EXPECT_GE(panels, 2);

    // Every panel line lies on the drawing, within half a unit of rounding.
    const SegmentIndex drawn(original);
    sample(back, 25, [&](double x, double y) { ASSERT_LE(drawn.nearest(x, y), 0.5 + 1e-6); });
    // Every cut of the drawing is in some panel.
    const SegmentIndex panelLines(back);
    sample(original, 25, [&](double x, double y) { ASSERT_LE(panelLines.nearest(x, y), 1.0); });
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusTools, ::testing::ValuesIn(kCorpus), [](const auto& p) {
    std::string name = p.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

// ---- tile: empty panels and refusals ------------------------------------------

TEST(Tile, WritesEmptyPanelsAndAnEmptyDrawingAsOnePanel) {
    ScratchDir dir;
    // Two 1 mm squares 20 mm apart: the panel between them cuts nothing.
    writeBytes(dir / "two.plt", "IN;PU0,0;PD40,0,40,40,0,40,0,0;PU800,0;PD840,0,840,40,800,40,800,0;");
    writeBytes(dir / "none.plt", "IN;SP1;PU40,40;");
    ASSERT_EQ(runCli({"tile", (dir / "two.plt").string(), "8x5", "-o", dir.path()}).status, 0);
    EXPECT_EQ(penDownSegments(readFile(dir / "two-1-1.plt")).size(), 4u);
    EXPECT_EQ(penDownSegments(readFile(dir / "two-1-2.plt")).size(), 0u);
    EXPECT_EQ(penDownSegments(readFile(dir / "two-1-3.plt")).size(), 4u);
    EXPECT_FALSE(fs::exists(dir / "two-1-4.plt"));
    ASSERT_EQ(runCli({"tile", (dir / "none.plt").string(), "8x5", "-o", dir.path()}).status, 0);
    EXPECT_EQ(carried(readFile(dir / "none-1-1.plt")), carried(readFile(dir / "none.plt")));
    EXPECT_FALSE(fs::exists(dir / "none-1-2.plt"));
}

// An overlap just under the panel: the panels move on a unit at a time.
TEST(Tile, AnOverlapJustUnderThePanelMovesOneUnitAPanel) {
    ScratchDir dir;
    writeBytes(dir / "line.plt", "IN;PU0,0;PD405,0;");
    const CliRun run = runCli({"tile", (dir / "line.plt").string(), "10x10", "--overlap", "9.99", "-o", dir.path()});
    ASSERT_EQ(run.status, 0) << run.err;
    // Panels of 400 units at 0, 1, ... 5 cover the 405 units of the line.
    EXPECT_EQ(dir.names().size(), 7u);
    for (int column = 1; column <= 6; ++column)
        EXPECT_EQ(readBytes(dir / ("line-1-" + std::to_string(column) + ".plt")), "IN;PD400,0;PU;") << column;
}

TEST(Tile, RefusesWhatItCannotDo) {
    ScratchDir dir;
    writeBytes(dir / "big.plt", "IN;PU0,0;PD4000000,4000000;");
    // 100 m in 1 mm panels: refused before anything is written.
    const CliRun many = runCli({"tile", (dir / "big.plt").string(), "1x1", "-o", dir.path()});
    EXPECT_EQ(many.status, 2);
    EXPECT_NE(many.err.find("panels"), std::string::npos) << many.err;
    EXPECT_EQ(dir.names().size(), 1u);
    // A panel larger than tile takes: the limit, and the usage.
    const CliRun large = runCli({"tile", (dir / "big.plt").string(), "2000000x5", "-o", dir.path()});
    EXPECT_EQ(large.status, 2);
    EXPECT_NE(large.err.find("at most 1000000 mm"), std::string::npos) << large.err;
    EXPECT_NE(large.err.find("Usage:"), std::string::npos) << large.err;
    EXPECT_EQ(dir.names().size(), 1u);
    // A folder that is not there.
    const CliRun missing =
        runCli({"tile", (dir / "big.plt").string(), "100000x100000", "-o", (dir / "no").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Can't Save File"), std::string::npos) << missing.err;
    EXPECT_EQ(dir.names().size(), 1u);
}

// ---- render ----------------------------------------------------------------------

// A 10 mm square from (10,10) mm: with the pen-up move from the origin and
// the 1 mm margin the picture is 22 x 22 mm, the square's edges 11 and 21
// mm from the left and 1 and 11 mm from the top.
TEST(Render, DrawsTheJobAtTrueSize) {
    ScratchDir dir;
    writeBytes(dir / "sq.plt", "IN;PU400,400;PD800,400,800,800,400,800,400,400;");
    const CliRun run = runCli({"render", (dir / "sq.plt").string(), "-o", (dir / "sq.svg").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string svg = readBytes(dir / "sq.svg");
    EXPECT_NE(svg.find("width=\"22mm\" height=\"22mm\" viewBox=\"-40 -840 880 880\""),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("<path d=\"M400 400 L800 400 L800 800 L400 800 Z\"/>"), std::string::npos);

    if (std::system("command -v rsvg-convert >/dev/null 2>&1 && command -v convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "rsvg-convert or ImageMagick is not installed";
    // 254 dots to the inch: 10 to the millimetre.
    const std::string command = "rsvg-convert -d 254 -p 254 -b white -o '" + (dir / "sq.png").string() +
                                "' '" + (dir / "sq.svg").string() + "' && convert '" +
                                (dir / "sq.png").string() + "' -colorspace gray -depth 8 '" +
                                (dir / "sq.pgm").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string pgm = readBytes(dir / "sq.pgm");
    std::smatch header;
    ASSERT_TRUE(std::regex_search(pgm, header, std::regex("^P5\\s+(\\d+)\\s+(\\d+)\\s+255\\s")));
    const int width = std::stoi(header[1]), height = std::stoi(header[2]);
    EXPECT_EQ(width, 220);
    EXPECT_EQ(height, 220);
    const std::size_t start = static_cast<std::size_t>(header.length(0));
    auto gray = [&](int x, int y) {
        return static_cast<unsigned char>(pgm[start + static_cast<std::size_t>(y * width + x)]);
    };
    for (auto [x, y] : std::vector<std::pair<int, int>>{{160, 10}, {160, 110}, {110, 60}, {210, 60}})
        EXPECT_LT(gray(x, y), 80) << x << "," << y;  // on the cut
    for (auto [x, y] : std::vector<std::pair<int, int>>{{160, 60}, {160, 20}, {200, 200}, {60, 60}})
        EXPECT_GT(gray(x, y), 200) << x << "," << y;  // off it
}

TEST(Render, AnEmptyDrawingAndStandardOutput) {
    ScratchDir dir;
    writeBytes(dir / "e.plt", "IN;SP1;");
    const CliRun run = runCli({"render", (dir / "e.plt").string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("width=\"2mm\" height=\"2mm\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("</svg>\r\n"), std::string::npos);
    // An invalid file writes nothing and leaves OUT alone.
    writeBytes(dir / "bad.plt", "PD100,100");
    writeBytes(dir / "keep.svg", "old");
    const CliRun bad = runCli({"render", (dir / "bad.plt").string(), "-o", (dir / "keep.svg").string()});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(readBytes(dir / "keep.svg"), "old");
}

}  // namespace
}  // namespace kerfline::clitest
