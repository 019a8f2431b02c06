// The full HP-GL/HP-GL/2 reader behind `convert`: every way of writing the
// same picture gives the same cuts, and each instruction family draws what a
// plotter draws, checked against hand-computed plotter units.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "dialect/converter.h"
#include "dialect/polyline_encoding.h"
#include "test_support.h"

namespace kerfline::dialect {
namespace {

using namespace std::string_literals;

ConvertResult convert(std::string_view input, double tolerance = kDefaultToleranceMm) {
    ConvertOptions options;
    options.toleranceMm = tolerance;
    options.vertexBudget = 2'000'000;
    return convertPlot(input, options);
}

struct Pt {
    long long x, y;
};

// The output read back: every stroke as the list of its points, the first
// one where the knife went down.
std::vector<std::vector<Pt>> strokes(const std::string& text) {
    std::vector<std::vector<Pt>> result;
    Pt at{0, 0};
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        const std::string line = text.substr(pos, end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        if (line.size() < 3 || line.back() != ';') continue;
        std::vector<long long> numbers;
        const char* p = line.c_str() + 2;
        while (*p && *p != ';') {
            char* next;
            numbers.push_back(std::strtoll(p, &next, 10));
            p = *next == ',' ? next + 1 : next;
        }
        if (line.compare(0, 2, "PU") == 0 && numbers.size() == 2) {
            at = {numbers[0], numbers[1]};
        } else if (line.compare(0, 2, "PD") == 0) {
            if (result.empty() || result.back().empty() || result.back().back().x != at.x ||
                result.back().back().y != at.y)
                result.push_back({at});
            for (std::size_t i = 0; i + 1 < numbers.size(); i += 2) {
                at = {numbers[i], numbers[i + 1]};
                result.back().push_back(at);
            }
        }
    }
    return result;
}

struct Box {
    long long minX = LLONG_MAX, minY = LLONG_MAX, maxX = LLONG_MIN, maxY = LLONG_MIN;
};
Box boxOf(const std::string& text) {
    Box box;
    for (const auto& stroke : strokes(text))
        for (const Pt& p : stroke) {
            box.minX = std::min(box.minX, p.x);
            box.minY = std::min(box.minY, p.y);
            box.maxX = std::max(box.maxX, p.x);
            box.maxY = std::max(box.maxY, p.y);
        }
    return box;
}

bool mentions(const ConvertResult& result, std::string_view text) {
    return std::any_of(result.summary.begin(), result.summary.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// --- one square, written every way plotters accept it

const std::string kSquare = "IN;\nPU0,0;\nPD400,0,400,400,0,400,0,0;\nPU0,0;\n";

struct Spelling {
    const char* name;
    std::string input;
};

class SameSquare : public ::testing::TestWithParam<Spelling> {};

TEST_P(SameSquare, GivesTheSameCuts) {
    const ConvertResult result = convert(GetParam().input);
    EXPECT_EQ(result.text(), kSquare);
    EXPECT_EQ(result.cuts, 4u);
}

// Polyline-encoded coordinates, worked out by hand: a value v is sent as 2v
// (2|v|+1 when negative), least significant digit first; in 8-bit data a
// digit d is 63+d and the last one 191+d, in 7-bit data 63+d and 95+d.
// So 0 is 0xBF; 400 (800 = 32 + 12*64) is '_' 0xCB; -400 (801) is '`' 0xCB.
// Seven-bit: 0 is '_'; 800 = 0 + 25*32 is '?' 'x'; 801 is '@' 'x'. With one
// fractional bit (">" then 2, i.e. 0xC1) 400 is sent as 800 (1600 = 0 +
// 25*64): '?' 0xD8, and -400 as 1601: '@' 0xD8.
INSTANTIATE_TEST_SUITE_P(
    Dialects, SameSquare,
    ::testing::Values(
        Spelling{"plain", "IN;PU0,0;PD400,0,400,400,0,400,0,0;"},
        Spelling{"lower_case", "in;pu0,0;pd400,0,400,400,0,400,0,0;"},
        Spelling{"line_ends_blanks_decimals", "IN\nPU 0 0\r\nPD 400.0, 0 ,400,400 0,400.4,-0.2,0\n"},
        Spelling{"run_together", "INPU0,0PD400,0,400,400,0,400,0,0"},
        Spelling{"trailing_commas", "IN;PU0,0,;PD400,0,400,400,0,400,0,0,;"},
        Spelling{"pcl_pjl_wrapped",
                 "\x1b%-12345X@PJL ENTER LANGUAGE=HPGL2\r\n\x1b" "E\x1b%0BIN;PU0,0;PD400,0,400,400,0,400,0,0;"
                 "\x1b%0A\x1b" "E\x1b%-12345X"},
        Spelling{"pcl_raster_data_skipped", "\x1b*b4WPD99IN;PU0,0;PD400,0,400,400,0,400,0,0;"},
        Spelling{"device_control", "\x1b.(;\x1b.I81;;17:\x1b.N;19:IN;PU0,0;PD400,0,400,400,0,400,0,0;"},
        Spelling{"nul_padding", "\0\0\0IN;\0PU0,0;PD400,0,400,400,0,400,0,0;\0\0"s},
        Spelling{"relative", "IN;PA0,0;PR;PD400,0,0,400,-400,0,0,-400;"},
        Spelling{"bare_pen_down_then_absolute", "IN;PU0,0;PD;PA400,0,400,400,0,400,0,0;PU;"},
        Spelling{"unknown_instructions_with_parameters",
                 "IN;ZZ1,2,3;PU0,0;BP1,\"my plot; PD9,9\";PW0.35;PD400,0,400,400,0,400,0,0;"},
        Spelling{"comment_without_quotes", "IN;PU0,0;COsome PD text;PD400,0,400,400,0,400,0,0;"},
        Spelling{"pe_8_bit", "IN;PE<=\xBF\xBF_\xCB\xBF\xBF_\xCB`\xCB\xBF\xBF`\xCB;"},
        Spelling{"pe_7_bit", "IN;PE7<=__?x__?x@x__@x;"},
        Spelling{"pe_fraction_bits", "IN;PE>\xC1<=\xBF\xBF?\xD8\xBF\xBF?\xD8@\xD8\xBF\xBF@\xD8;"},
        Spelling{"pe_line_ends_inside", "IN;PE<=\xBF\xBF\r\n_\xCB\xBF\xBF_\xCB\n`\xCB\xBF\xBF`\xCB;"},
        Spelling{"label_text_is_not_read_as_instructions",
                 "IN;SI0.4,0.6;PU0,0;IW0,0,400,400;PU900,900;LBPD0,0\x03IW;PU0,0;"
                 "PD400,0,400,400,0,400,0,0;"}),
    [](const auto& param) { return std::string(param.param.name); });

// --- instruction families with known results

struct Case {
    const char* name;
    std::string input;
    std::string expected;
};

class Exact : public ::testing::TestWithParam<Case> {};

TEST_P(Exact, WritesTheseCuts) { EXPECT_EQ(convert(GetParam().input).text(), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Families, Exact,
    ::testing::Values(
        // 100 user units over P1-P2 of 4000 plotter units: 100 mm.
        Case{"scale_anisotropic", "IN;IP0,0,4000,4000;SC0,100,0,100;PU0,0;PD100,0,100,100;",
             "IN;\nPU0,0;\nPD4000,0,4000,4000;\nPU4000,4000;\n"},
        // Isotropic in an 8000 by 4000 frame: 40 units per user unit both
        // ways, the 4000 spare in x shared half and half.
        Case{"scale_isotropic", "IN;IP0,0,8000,4000;SC0,100,0,100,1;PU0,0;PD100,100;",
             "IN;\nPU2000,0;\nPD6000,4000;\nPU6000,4000;\n"},
        // Point factor: (0,0) at P1, 2 and 3 plotter units per user unit.
        Case{"scale_point_factor", "IN;IP1000,1000,2000,2000;SC0,2,0,3,2;PU0,0;PD10,10;",
             "IN;\nPU1000,1000;\nPD1020,1030;\nPU1020,1030;\n"},
        Case{"scale_off_again", "IN;IP0,0,4000,4000;SC0,100,0,100;SC;PU0,0;PD100,0;",
             "IN;\nPU0,0;\nPD100,0;\nPU100,0;\n"},
        // IP with two points moves P1 and keeps the P1-P2 span.
        Case{"ip_two_parameters", "IN;IP0,0,4000,4000;IP1000,0;SC0,100,0,100;PU0,0;PD100,0;",
             "IN;\nPU1000,0;\nPD5000,0;\nPU5000,0;\n"},
        Case{"window_clips", "IN;IW0,0,1000,1000;PU-500,500;PD1500,500;",
             "IN;\nPU0,500;\nPD1000,500;\nPU1000,500;\n"},
        Case{"window_off", "IN;IW0,0,1000,1000;IW;PU-500,500;PD1500,500;",
             "IN;\nPU-500,500;\nPD1500,500;\nPU1500,500;\n"},
        // EA: the rectangle from the pen to the corner; RA the same outline,
        // the fill dropped; the pen stays where it was.
        Case{"edge_rectangle", "IN;PU100,100;EA500,300;PD100,0;",
             "IN;\nPU100,100;\nPD500,100,500,300,100,300,100,100,100,0;\nPU100,0;\n"},
        Case{"fill_rectangle_outline", "IN;PU100,100;RR400,200;",
             "IN;\nPU100,100;\nPD500,100,500,300,100,300,100,100;\nPU100,100;\n"},
        // Polygon mode: drawn once although FP and EP both ask for it, and
        // closed back to its first point.
        Case{"polygon_outline_once", "IN;PU0,0;PM0;PD400,0,400,400;PM2;FP;EP;",
             "IN;\nPU0,0;\nPD400,0,400,400,0,0;\nPU0,0;\n"},
        // A pattern of 10 mm, half down: 5 mm dashes (200 units) every 10 mm.
        Case{"dashes", "IN;LT2,10,1;PU0,0;PD1600,0;",
             "IN;\nPU0,0;\nPD200,0;\nPU400,0;\nPD600,0;\nPU800,0;\nPD1000,0;\nPU1200,0;\nPD1400,0;\nPU1400,0;\n"},
        // Adaptive: 1100 units take 2.75 patterns of 400, so three of 366.7.
        Case{"adaptive_dashes", "IN;LT-2,10,1;PU0,0;PD1100,0;",
             "IN;\nPU0,0;\nPD183,0;\nPU367,0;\nPD550,0;\nPU733,0;\nPD917,0;\nPU917,0;\n"},
        Case{"solid_again", "IN;LT2,10,1;LT;PU0,0;PD1600,0;", "IN;\nPU0,0;\nPD1600,0;\nPU1600,0;\n"},
        // A three-point arc through points in a line is the straight line.
        Case{"collinear_arc", "IN;PU0,0;PD;AT100,0,200,0;", "IN;\nPU0,0;\nPD200,0;\nPU200,0;\n"},
        Case{"pens_and_speeds_kept", "IN;SP2;PU0,0;PD10,0;VS36.5;FS4,1;PD20,0;SP0;",
             "IN;\nSP2;\nPU0,0;\nPD10,0;\nPU10,0;\nVS36.5;\nFS4,1;\nPD20,0;\nPU20,0;\nSP0;\n"},
        // Kerfline's own reader takes 512 characters an instruction: long
        // polylines are split.
        Case{"long_polyline_split",
             "IN;PU0,0;PD1,0,2,0,3,0,4,0,5,0,6,0,7,0,8,0,9,0,10,0,11,0,12,0,13,0,14,0,15,0,16,0,17,0,"
             "18,0,19,0,20,0,21,0,22,0;",
             "IN;\nPU0,0;\nPD1,0,2,0,3,0,4,0,5,0,6,0,7,0,8,0,9,0,10,0,11,0,12,0,13,0,14,0,15,0,16,0,17,0,"
             "18,0,19,0,20,0;\nPD21,0,22,0;\nPU22,0;\n"},
        // DT: the label ends at "*", and what follows is read as instructions.
        Case{"label_terminator", "IN;DT*;PU0,0;SI0.4,0.6;LB *PU0,0;PD400,0;",
             "IN;\nPU0,0;\nPD400,0;\nPU400,0;\n"}),
    [](const auto& param) { return std::string(param.param.name); });

// --- tick marks, user-defined characters and line types, dots and
// rounding, worked out by hand

INSTANTIATE_TEST_SUITE_P(
    Drawn, Exact,
    ::testing::Values(
        // P1-P2 4000 wide, 2000 high. XT: 0.5 % of the height either side
        // (10 units); YT: 0.5 % of the width (20 units).
        Case{"tick_x_default", "IN;IP0,0,4000,2000;PU1000,1000;XT;",
             "IN;\nPU1000,990;\nPD1000,1010;\nPU1000,1010;\n"},
        Case{"tick_y_default", "IN;IP0,0,4000,2000;PU1000,1000;YT;",
             "IN;\nPU980,1000;\nPD1020,1000;\nPU1020,1000;\n"},
        // TL 10,5: 200 up and 100 down for XT, 400 right and 200 left for YT.
        Case{"tick_lengths_set", "IN;IP0,0,4000,2000;TL10,5;PU1000,1000;XT;YT;",
             "IN;\nPU1000,900;\nPD1000,1200;\nPU800,1000;\nPD1400,1000;\nPU1400,1000;\n"},
        // One length: the positive side only.
        Case{"tick_one_length", "IN;IP0,0,4000,2000;TL20;PU1000,1000;YT;",
             "IN;\nPU1000,1000;\nPD1800,1000;\nPU1800,1000;\n"},
        Case{"tick_lengths_reset_by_tl", "IN;IP0,0,4000,2000;TL20;TL;PU1000,1000;XT;",
             "IN;\nPU1000,990;\nPD1000,1010;\nPU1000,1010;\n"},
        Case{"tick_lengths_reset_by_in", "IN;IP0,0,4000,2000;TL20;IN;IP0,0,4000,2000;PU1000,1000;XT;",
             "IN;\nPU1000,990;\nPD1000,1010;\nPU1000,1010;\n"},
        // The pen stays where it was, down, and draws on from there.
        Case{"tick_pen_stays", "IN;IP0,0,4000,2000;PU1000,1000;PD;XT;PD1000,0;",
             "IN;\nPU1000,990;\nPD1000,1010;\nPU1000,1000;\nPD1000,0;\nPU1000,0;\n"},
        // SI 0.4,0.8 cm: the grid is 160/4 = 40 units across, 320/8 = 40 up;
        // the pen ends one character space (1.5 widths, 240) on.
        Case{"user_character_square", "IN;SI0.4,0.8;PU1000,1000;UC99,4,0,0,8,-4,0,0,-8;PD1000,0;",
             "IN;\nPU1000,1000;\nPD1160,1000,1160,1320,1000,1320,1000,1000;\nPU1240,1000;\nPD1000,0;\nPU1000,0;\n"},
        Case{"user_character_pen_up_steps", "IN;SI0.4,0.8;PU0,0;UC2,2,99,2,0,-99,0,2,99,-2,0;",
             "IN;\nPU80,80;\nPD160,80;\nPU160,160;\nPD80,160;\nPU80,160;\n"},
        Case{"user_character_upward", "IN;SI0.4,0.8;DI0,1;PU1000,1000;UC99,4,0;",
             "IN;\nPU1000,1000;\nPD1000,1160;\nPU1000,1160;\n"},
        // SL 0.5: 320 up leans 160 forward.
        Case{"user_character_slanted", "IN;SI0.4,0.8;SL0.5;PU0,0;UC99,0,8;",
             "IN;\nPU0,0;\nPD160,320;\nPU160,320;\n"},
        Case{"user_character_space", "IN;SI0.4,0.8;PU0,0;UC;PD240,100;",
             "IN;\nPU240,0;\nPD240,100;\nPU240,100;\n"},
        // A pattern of 10 mm (400 units) in four equal parts, as per cent
        // or in proportion; UL with the type alone, or UL alone, gives the
        // standard half-and-half back.
        Case{"user_line_type", "IN;UL2,25,25,25,25;LT2,10,1;PU0,0;PD1600,0;",
             "IN;\nPU0,0;\nPD100,0;\nPU200,0;\nPD300,0;\nPU400,0;\nPD500,0;\nPU600,0;\nPD700,0;\nPU800,0;\n"
             "PD900,0;\nPU1000,0;\nPD1100,0;\nPU1200,0;\nPD1300,0;\nPU1400,0;\nPD1500,0;\nPU1500,0;\n"},
        Case{"user_line_type_in_proportion", "IN;UL2,1,1,1,1;LT2,10,1;PU0,0;PD1600,0;",
             "IN;\nPU0,0;\nPD100,0;\nPU200,0;\nPD300,0;\nPU400,0;\nPD500,0;\nPU600,0;\nPD700,0;\nPU800,0;\n"
             "PD900,0;\nPU1000,0;\nPD1100,0;\nPU1200,0;\nPD1300,0;\nPU1400,0;\nPD1500,0;\nPU1500,0;\n"},
        Case{"user_line_type_reset", "IN;UL2,1,1,1,1;UL2;LT2,10,1;PU0,0;PD1600,0;",
             "IN;\nPU0,0;\nPD200,0;\nPU400,0;\nPD600,0;\nPU800,0;\nPD1000,0;\nPU1200,0;\nPD1400,0;\nPU1400,0;\n"},
        Case{"user_line_types_all_reset", "IN;UL2,1,1,1,1;UL;LT2,10,1;PU0,0;PD1600,0;",
             "IN;\nPU0,0;\nPD200,0;\nPU400,0;\nPD600,0;\nPU800,0;\nPD1000,0;\nPU1200,0;\nPD1400,0;\nPU1400,0;\n"},
        // Three parts, 120 down, 80 up, 200 down: the last part and the next
        // pattern's first are one cut of 320.
        Case{"user_line_type_odd_parts", "IN;UL3,30,20,50;LT3,10,1;PU0,0;PD800,0;",
             "IN;\nPU0,0;\nPD120,0;\nPU200,0;\nPD400,0,520,0;\nPU600,0;\nPD800,0;\nPU800,0;\n"},
        // Dots: the pen let down where it stands and lifted, or left down, or
        // drawn a move of no length, is one zero-length cut there.
        Case{"dot_move_of_no_length", "IN;PU;PA100,200;PD;PA100,200;PU;",
             "IN;\nPU100,200;\nPD100,200;\nPU100,200;\n"},
        Case{"dot_pen_down_and_up", "IN;PA100,200;PD;PU;", "IN;\nPU100,200;\nPD100,200;\nPU100,200;\n"},
        Case{"dot_pen_left_down", "IN;PA100,200;PD;", "IN;\nPU100,200;\nPD100,200;\nPU100,200;\n"},
        Case{"dot_then_moved_off", "IN;PA100,200;PR;PD;PU50,0;PD;PD;PU;",
             "IN;\nPU100,200;\nPD100,200;\nPU150,200;\nPD150,200;\nPU150,200;\n"},
        Case{"dot_before_a_pen_change", "IN;PA100,200;PD;SP2;", "IN;\nPU100,200;\nPD100,200;\nPU100,200;\nSP2;\n"},
        Case{"dot_before_in", "IN;PA100,200;PD;IN;", "IN;\nPU100,200;\nPD100,200;\nPU100,200;\n"},
        Case{"dot_in_a_dashed_line_type", "IN;LT2,10,1;PA100,200;PD;PU;",
             "IN;\nPU100,200;\nPD100,200;\nPU100,200;\n"},
        Case{"dot_of_a_user_character", "IN;PU100,200;UC99,-99;", "IN;\nPU100,200;\nPD100,200;\nPU100,200;\n"},
        Case{"no_dot_where_a_line_starts", "IN;PA100,200;PD;PA300,200;PU;",
             "IN;\nPU100,200;\nPD300,200;\nPU300,200;\n"},
        Case{"no_dot_outside_the_window", "IN;IW0,0,50,50;PA100,200;PD;PU;", "IN;\n"},
        // Halves away from zero, either sign, plain and through a scale of
        // one half (-7 user units are -3.5 plotter units).
        Case{"halves_away_from_zero", "IN;PU0,0;PD10.5,-3.5,-0.5,0.5,2.5,-2.5,-10.5,3.5,1.49,-1.49;",
             "IN;\nPU0,0;\nPD11,-4,-1,1,3,-3,-11,4,1,-1;\nPU1,-1;\n"},
        Case{"scaled_halves_away_from_zero", "IN;IP0,0,100,100;SC0,200,0,200;PU-7,7;PD7,-7;",
             "IN;\nPU-4,4;\nPD4,-4;\nPU4,-4;\n"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Dots, EveryDotIsCountedAndNoneIsMadeWhereTheKnifeCutsOn) {
    // A graticule of 4 by 3 dots, each row in another way of making them.
    std::string plot = "IN;";
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column) {
            const std::string at = std::to_string(column * 400) + "," + std::to_string(row * 400);
            plot += row == 0 ? "PU" + at + ";PD;PU;" : row == 1 ? "PU;PA" + at + ";PD;PA" + at + ";" : "PU" + at + ";PD" + at + ";";
        }
    const ConvertResult grid = convert(plot + "PU;");
    EXPECT_TRUE(mentions(grid, "dots: 12 kept as zero-length cuts"));
    const auto all = strokes(grid.text());
    ASSERT_EQ(all.size(), 12u);
    for (std::size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(all[i].size(), 2u);
        EXPECT_EQ(all[i][0].x, all[i][1].x);
        EXPECT_EQ(all[i][0].y, all[i][1].y);
        EXPECT_EQ(all[i][0].x, static_cast<long long>(i % 4) * 400);
        EXPECT_EQ(all[i][0].y, static_cast<long long>(i / 4) * 400);
    }
    // A pen let down before a circle, a label or a line makes no dot of
    // its own, and a file without dots gets no dots line.
    for (const char* plain : {"IN;PA400,0;PD;CI100;PU;", "IN;PA400,0;PD;LBA\x03PU;", "IN;PA0,0;PD;PA9,9;PU;",
                              "IN;PU0,0;PD400,0;PD;PU;"}) {
        EXPECT_FALSE(mentions(convert(plain), "dots:")) << plain;
    }
}

// --- shapes both filled and edged: the outline cut once

double travel(const std::string& text) {
    double total = 0;
    for (const auto& stroke : strokes(text))
        for (std::size_t i = 1; i < stroke.size(); ++i)
            total += std::hypot(static_cast<double>(stroke[i].x - stroke[i - 1].x),
                                static_cast<double>(stroke[i].y - stroke[i - 1].y));
    return total;
}

struct Outline {
    const char* name;
    std::string input;
    double travel;     // the knife's travel, by hand
    int cutOnce;       // outlines reported cut once
};

class Outlines : public ::testing::TestWithParam<Outline> {};

TEST_P(Outlines, AreCutAsOftenAsTheShapeAsks) {
    const ConvertResult result = convert(GetParam().input);
    EXPECT_NEAR(travel(result.text()), GetParam().travel, 2);
    const int n = GetParam().cutOnce;
    EXPECT_EQ(mentions(result, "outlines: " + std::to_string(n) + " both filled and edged, cut once"), n > 0);
    EXPECT_EQ(mentions(result, "outlines:"), n > 0);
}

// A 400 by 300 rectangle has a perimeter of 1400; a quarter wedge of radius
// 400, 800 of radii and 628.3 of arc; the 400-300-500 triangle, 1200.
INSTANTIATE_TEST_SUITE_P(
    Shapes, Outlines,
    ::testing::Values(
        Outline{"rectangle_filled_then_edged", "IN;PU0,0;RA400,300;EA400,300;", 1400, 1},
        Outline{"rectangle_edged_then_filled", "IN;PU100,100;EA500,400;RA500,400;", 1400, 1},
        Outline{"relative_rectangle", "IN;PU100,100;RR400,300;ER400,300;", 1400, 1},
        Outline{"absolute_fill_relative_edge", "IN;PU100,100;RA500,400;ER400,300;", 1400, 1},
        Outline{"edged_from_the_other_corner", "IN;PU0,0;RA400,300;PU400,300;EA0,0;", 1400, 1},
        Outline{"wedge_filled_then_edged", "IN;PU0,0;WG400,0,90;EW400,0,90;", 1428.3, 1},
        Outline{"polygon_filled_then_edged", "IN;PU0,0;PM0;PD400,0,400,300;PM2;FP;EP;", 1200, 1},
        Outline{"polygon_edged_then_filled", "IN;PU0,0;PM0;PD400,0,400,300;PM2;EP;FP;", 1200, 1},
        Outline{"one_shape_after_another", "IN;PU0,0;RA400,300;EA400,300;PU1000,0;WG400,0,90;EW400,0,90;",
                1400 + 1428.3, 2},
        // What is not the same shape filled and edged is cut as it comes.
        Outline{"edged_twice", "IN;PU0,0;EA400,300;EA400,300;", 2800, 0},
        Outline{"another_rectangle", "IN;PU0,0;RA400,300;EA400,200;", 1400 + 1200, 0},
        Outline{"another_pen_between", "IN;PU0,0;RA400,300;SP2;EA400,300;", 2800, 0},
        Outline{"a_cut_between", "IN;PU0,0;RA400,300;PD0,-100;PU0,0;EA400,300;", 2900, 0},
        Outline{"edged_once_more", "IN;PU0,0;RA400,300;EA400,300;EA400,300;", 2800, 1},
        Outline{"polygon_edged_twice", "IN;PU0,0;PM0;PD400,0,400,300;PM2;EP;EP;", 1200, 0},
        Outline{"nothing_within_the_window", "IN;IW0,0,10,10;PU100,100;RA500,300;EA500,300;", 0, 0}),
    [](const auto& param) { return std::string(param.param.name); });

// --- curves: within the tolerance of the true curve, the size it should be

double distance(Pt p, double cx, double cy) {
    return std::hypot(static_cast<double>(p.x) - cx, static_cast<double>(p.y) - cy);
}

TEST(Curves, ACircleOfRadiusTenMillimetresIsTwentyAcrossAndWithinTolerance) {
    for (const double tolerance : {0.05, 0.5, 0.001}) {
        const ConvertResult result = convert("IN;PA4000,4000;CI400;PD4000,4100;", tolerance);
        const auto all = strokes(result.text());
        // The pen goes back to the centre lifted, and draws on from there.
        ASSERT_EQ(all.size(), 2u);
        EXPECT_EQ(all[1].front().x, 4000);
        EXPECT_EQ(all[1].front().y, 4000);
        const auto& circle = all[0];
        EXPECT_EQ(circle.front().x, 4400);
        EXPECT_EQ(circle.front().y, 4000);
        EXPECT_EQ(circle.back().x, 4400);
        EXPECT_EQ(circle.back().y, 4000);
        // 20 mm across, less what the chords cut off at the top and bottom.
        const Box box = boxOf(result.text());
        EXPECT_EQ(box.maxX - box.minX, 800);
        EXPECT_NEAR(static_cast<double>(box.maxY - box.minY), 800, 2 * tolerance * 40 + 1);
        // Each vertex on the circle, each chord's middle no farther inside
        // than the tolerance (and half a unit of rounding at each end).
        const double allowed = tolerance * 40 + 1.0;
        for (std::size_t i = 0; i < circle.size(); ++i) {
            EXPECT_NEAR(distance(circle[i], 4000, 4000), 400, 0.75);
            if (i == 0) continue;
            const double midX = static_cast<double>(circle[i - 1].x + circle[i].x) / 2;
            const double midY = static_cast<double>(circle[i - 1].y + circle[i].y) / 2;
            EXPECT_GE(std::hypot(midX - 4000, midY - 4000), 400 - allowed);
        }
        // Fewer chords for a looser tolerance: the tolerance is honoured,
        // not exceeded by a fixed chord angle.
        if (tolerance == 0.5) {
            EXPECT_LT(circle.size(), 40u);
        }
    }
}

TEST(Curves, ArcsEndWhereAPlotterEndsThem) {
    // A quarter turn counter-clockwise about the origin from (400,0).
    ConvertResult result = convert("IN;PU400,0;PD;AA0,0,90;PD0,800;");
    auto all = strokes(result.text());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].back().x, 0);
    EXPECT_EQ(all[0].back().y, 800);
    Box box = boxOf(result.text());
    EXPECT_EQ(box.minX, 0);
    EXPECT_EQ(box.maxX, 400);

    // A half circle through (400,400) from (0,0) to (800,0), then on.
    result = convert("IN;PU0,0;PD;AT400,400,800,0;PD800,-100;");
    box = boxOf(result.text());
    EXPECT_EQ(box.minX, 0);
    EXPECT_EQ(box.maxX, 800);
    EXPECT_EQ(box.maxY, 400);
    EXPECT_EQ(box.minY, -100);

    // RT is AT relative to the pen; AR is AA with its centre relative.
    EXPECT_EQ(convert("IN;PU100,100;PD;RT400,400,800,0;PD900,0;").text(),
              convert("IN;PU100,100;PD;AT500,500,900,100;PD900,0;").text());
    EXPECT_EQ(convert("IN;PU500,100;PD;AR-400,0,-90;").text(), convert("IN;PU500,100;PD;AA100,100,-90;").text());

    // A wedge: the radius out, the arc, the radius back; the pen stays.
    result = convert("IN;PU0,0;EW400,0,90;");
    box = boxOf(result.text());
    EXPECT_EQ(box.minX, 0);
    EXPECT_EQ(box.minY, 0);
    EXPECT_EQ(box.maxX, 400);
    EXPECT_EQ(box.maxY, 400);
    EXPECT_EQ(strokes(result.text())[0].front().x, 0);
    EXPECT_EQ(strokes(result.text())[0].back().y, 0);
}

TEST(Curves, BeziersStayWithinToleranceOfTheCurve) {
    // From (0,0) with controls (0,400) and (400,400) to (400,0): the middle
    // of the curve is at (200, 300), and it is symmetric about x = 200.
    const ConvertResult result = convert("IN;PU0,0;PD;BZ0,400,400,400,400,0;");
    const auto all = strokes(result.text());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].back().x, 400);
    EXPECT_EQ(all[0].back().y, 0);
    const Box box = boxOf(result.text());
    EXPECT_NEAR(static_cast<double>(box.maxY), 300, 2 + 1);
    // BR is BZ relative to the pen, and repeats for each six numbers.
    EXPECT_EQ(convert("IN;PU100,100;PD;BR0,400,400,400,400,0,0,-50,0,-50,0,-100;").text(),
              convert("IN;PU100,100;PD;BZ100,500,500,500,500,100,500,50,500,50,500,0;").text());
    // With the pen up the pen only moves to the end.
    EXPECT_EQ(convert("IN;PU0,0;BZ0,400,400,400,400,0;PD400,100;").text(),
              "IN;\nPU400,0;\nPD400,100;\nPU400,100;\n");
}

TEST(Frames, ScaleWithoutIpAssumesAnA4PageAndSaysSo) {
    const ConvertResult result = convert("IN;SC0,100,0,100;PU0,0;PD100,100;");
    EXPECT_EQ(result.text(), "IN;\nPU603,521;\nPD10603,7721;\nPU10603,7721;\n");
    EXPECT_TRUE(mentions(result, "SC without IP"));
    EXPECT_FALSE(mentions(convert("IN;IP0,0,10,10;SC0,100,0,100;PU0,0;PD1,1;"), "SC without IP"));
}

TEST(Frames, RotationTurnsThePictureAQuarter) {
    // 400 units along x become 400 units along y.
    const Box box = boxOf(convert("IN;RO90;PU0,0;PD400,0;PD400,100;").text());
    EXPECT_EQ(box.maxY - box.minY, 400);
    EXPECT_EQ(box.maxX - box.minX, 100);
}

TEST(Frames, APageSetByPsPlacesP1AndP2AndIsTheDefaultWindow) {
    // PS makes P1 and P2 the page's corners; IW without parameters then
    // clips to the page, and only then.
    EXPECT_EQ(convert("IN;PS4000,2000;SC0,100,0,100;PU0,0;PD100,100;SC;PU0,0;PD8000,0;").text(),
              "IN;\nPU0,0;\nPD4000,2000;\nPU0,0;\nPD8000,0;\nPU8000,0;\n");
    EXPECT_EQ(convert("IN;PS4000,2000;IW;PU0,0;PD8000,0;").text(), "IN;\nPU0,0;\nPD4000,0;\nPU4000,0;\n");
    EXPECT_EQ(convert("IN;IW;PU0,0;PD80000,0;").text(), "IN;\nPU0,0;\nPD80000,0;\nPU80000,0;\n");
}

// --- labels, in a single-stroke font

TEST(Labels, ALetterHasTheSizeSiGives) {
    // H in the font stands 21 units tall and 14 wide; SI 0.4,0.6 cm makes
    // the capitals 240 plotter units tall and 16 font units 160 wide, so the
    // H spans x 10..150 of its cell.
    const Box box = boxOf(convert("IN;PU1000,1000;SI0.4,0.6;LBH\x03").text());
    EXPECT_EQ(box.minX, 1010);
    EXPECT_EQ(box.maxX, 1150);
    EXPECT_EQ(box.minY, 1000);
    EXPECT_EQ(box.maxY, 1240);

    // Upward (DI 0,1) the same letter lies on its side.
    const Box turned = boxOf(convert("IN;PU1000,1000;SI0.4,0.6;DI0,1;LBH\x03").text());
    EXPECT_EQ(turned.minX, 760);
    EXPECT_EQ(turned.maxX, 1000);
    EXPECT_EQ(turned.minY, 1010);
    EXPECT_EQ(turned.maxY, 1150);
}

TEST(Labels, ThePenEndsAfterTheTextAndLineEndsMoveDown) {
    // Two characters of 1.5 widths each: the pen is 480 further on.
    const std::string text = convert("IN;PU0,0;SI0.4,0.6;LBAB\x03PD480,-100;").text();
    const std::string tail = "PU480,0;\nPD480,-100;\nPU480,-100;\n";
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    // CR LF: the second line starts under the first, two heights lower.
    const Box box = boxOf(convert("IN;PU0,0;SI0.4,0.6;LBH\r\nH\x03").text());
    EXPECT_EQ(box.minY, -480);
    EXPECT_EQ(box.maxX, 150);
}

TEST(Labels, TerminatorModeZeroDrawsTheTerminator) {
    // "DT#,0": the # is drawn, as wide as any letter; "DT#,1" (and "DT#"): not.
    const Box drawn = boxOf(convert("IN;PU0,0;SI0.4,0.6;DT#,0;LBH#").text());
    const Box hidden = boxOf(convert("IN;PU0,0;SI0.4,0.6;DT#,1;LBH#").text());
    EXPECT_EQ(hidden.maxX, 150);
    EXPECT_GT(drawn.maxX, 240 + 100);
    EXPECT_EQ(boxOf(convert("IN;PU0,0;SI0.4,0.6;DT#;LBH#").text()).maxX, 150);
}

TEST(Labels, SurviveWhatTheyCannotDraw) {
    const ConvertResult open = convert("IN;PU0,0;LBNo terminator at all");
    EXPECT_GT(open.cuts, 0u);
    EXPECT_TRUE(mentions(open, "without its terminator"));
    const ConvertResult foreign = convert("IN;PU0,0;LBA\xC0\xFF\x03");
    EXPECT_TRUE(mentions(foreign, "2 characters outside the font"));
}

// --- the summary

TEST(Summary, SaysWhatBecameOfEachKind) {
    const ConvertResult result = convert("IN;PU0,0;PM0;PD10,0,10,10;PM2;FP;FP;CI5;PW1;SP1;PD0,5;");
    EXPECT_TRUE(mentions(result, "FP 2 dropped: fills cannot be cut"));
    EXPECT_TRUE(mentions(result, "CI 1 converted to cuts"));
    EXPECT_TRUE(mentions(result, "PW 1 ignored"));
    EXPECT_TRUE(mentions(result, "SP 1 kept"));
    EXPECT_TRUE(mentions(result, "PD 2 converted"));
}

struct FateLine {
    const char* instruction;
    const char* line;
};

class Fates : public ::testing::TestWithParam<FateLine> {};

TEST_P(Fates, AreReportedWithTheirReason) {
    const ConvertResult result = convert(std::string("IN;PU0,0;PD400,0;") + GetParam().instruction + ";");
    EXPECT_TRUE(mentions(result, GetParam().line)) << ::testing::PrintToString(result.summary);
}

INSTANTIATE_TEST_SUITE_P(
    Report, Fates,
    ::testing::Values(FateLine{"XT", "XT 1 converted to cuts"}, FateLine{"YT", "YT 1 converted to cuts"},
                      FateLine{"UC99,1,1", "UC 1 converted to cuts"}, FateLine{"TL1,1", "TL 1 applied"},
                      FateLine{"UL1,50,50", "UL 1 applied"},
                      FateLine{"FT3,100,45", "FT 1 ignored: fill patterns and shading cannot be cut"},
                      FateLine{"PW0.5", "PW 1 ignored: pen width and line ends do not change a knife's path"},
                      FateLine{"PC1,255,0,0", "PC 1 ignored: colour does not change a knife's path"},
                      FateLine{"PG", "PG 1 ignored: page feed; every page is cut in the same place"},
                      FateLine{"OP", "OP 1 ignored: plotter status, display and interface settings"},
                      FateLine{"CA5", "CA 1 ignored: labels are cut in the built-in single-stroke font"},
                      FateLine{"CO\"note\"", "CO 1 ignored: a comment"},
                      FateLine{"ZQ", "ZQ 1 ignored: an instruction this converter does not know"}));

TEST(Fates, NothingReportedIgnoredChangesTheCuts) {
    // Every two letters, with parameters, between two cuts and before a
    // label: whatever the report calls ignored leaves the cuts as they are.
    const std::string before = "IN;IP0,0,4000,4000;SI0.2,0.3;PU100,100;PD400,100;";
    const std::string after = "PA400,400;PD100,400;PU100,500;LBAB\x03PU;PD;PU;";
    const std::string plain = convert(before + after).text();
    for (char a = 'A'; a <= 'Z'; ++a)
        for (char b = 'A'; b <= 'Z'; ++b) {
            const std::string name{a, b};
            const ConvertResult result = convert(before + name + "1,1;" + after);
            if (mentions(result, name + " 1 ignored")) {
                EXPECT_EQ(result.text(), plain) << name;
            }
        }
}

// Every pair of letters as the summary names it: the instructions read,
// group by group, and any other pair as one this converter does not know.
TEST(Fates, EveryPairOfLettersIsReportedWithItsGroupsFate) {
    const std::pair<const char*, const char*> groups[] = {
        {"converted", "PA PR PU PD PE"},
        {"converted to cuts", "CI AA AR AT RT EA ER EW EP BZ BR LB PB XT YT UC"},
        {"dropped: fills cannot be cut (outlines kept)", "RA RR WG FP"},
        {"applied", "IN DF IP IR SC RO IW PS LT PM DT SI SR DI DR SL LO CP BL TL UL"},
        {"kept", "SP VS FS"},
        {"dropped: plot symbols are not drawn", "SM"},
        {"ignored: fill patterns and shading cannot be cut", "FT AC RF UF PT SV TR CF PP"},
        {"ignored: pen width and line ends do not change a knife's path", "PW WU LA"},
        {"ignored: colour does not change a knife's path", "PC NP CR MC"},
        {"ignored: page feed; every page is cut in the same place", "PG AF AH FR"},
        {"ignored: the plot is cut once, not replotted", "RP"},
        {"ignored: the plot's name and job settings do not change the cut", "BP"},
        {"ignored: media handling and quality settings do not change a knife's path", "EC NR MT QL"},
        {"ignored: acceleration and pen handling do not change a knife's path", "AS VA VN CV AP"},
        {"ignored: plotter status, display and interface settings",
         "OA OC OD OE OF OG OH OI OK OL OO OP OS OT OW DC DP IM GM KY WD MG GC"},
        {"ignored: labels are cut in the built-in single-stroke font",
         "CS CA SS SA DS IV CM AD SD FI FN SB DL CC TD LM"},
        {"ignored: extra spacing and vertical text paths are not applied to labels", "ES DV"},
        {"ignored: curves are cut to convert's own tolerance", "CT"},
        {"ignored: a comment", "CO"},
    };
    std::map<std::string, std::string> expected;
    for (const auto& [fate, names] : groups)
        for (std::size_t i = 0; names[i] != '\0'; i += names[i + 2] == '\0' ? 2 : 3)
            EXPECT_TRUE(expected.emplace(std::string(names + i, 2), fate).second) << names + i;
    EXPECT_EQ(expected.size(), 124u);
    for (char a = 'A'; a <= 'Z'; ++a)
        for (char b = 'A'; b <= 'Z'; ++b) {
            const std::string name{a, b};
            const ConvertResult result = convert(name + ";");
            const auto line = std::find_if(result.summary.begin(), result.summary.end(),
                                           [&](const std::string& l) { return l.rfind(name + " 1 ", 0) == 0; });
            ASSERT_NE(line, result.summary.end()) << name;
            const auto known = expected.find(name);
            EXPECT_EQ(line->substr(5), known != expected.end()
                                           ? known->second
                                           : "ignored: an instruction this converter does not know")
                << name;
        }
}

// Instructions that come in pairs, absolute and relative, filled and
// edged, at once and buffered: each pair given the same shape cuts the
// same, and cuts something.
struct Twins {
    const char* name;
    std::string first, second;
};

class SameShape : public ::testing::TestWithParam<Twins> {};

TEST_P(SameShape, BothCutTheSame) {
    const std::string first = convert(GetParam().first).text();
    EXPECT_NE(first.find("PD"), std::string::npos);
    EXPECT_EQ(first, convert(GetParam().second).text());
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, SameShape,
    ::testing::Values(
        // P1-P2 of 4000 by 4000: 1 % is 40 units, 0.1 cm.
        Twins{"si_sr", "IN;IP0,0,4000,4000;SI0.1,0.2;PU0,0;LBAB\x03", "IN;IP0,0,4000,4000;SR1,2;PU0,0;LBAB\x03"},
        Twins{"di_dr", "IN;IP0,0,4000,4000;DI1,1;PU0,0;LBAB\x03", "IN;IP0,0,4000,4000;DR1,1;PU0,0;LBAB\x03"},
        // A page of 10000 by 10000: 10 % is 1000 units.
        Twins{"ip_ir", "IN;PS10000,10000;IP1000,1000,2000,2000;SC0,10,0,10;PU0,0;PD10,5;",
              "IN;PS10000,10000;IR10,10,20,20;SC0,10,0,10;PU0,0;PD10,5;"},
        Twins{"lb_bl_pb", "IN;PU100,100;LBAB\x03", "IN;BLAB\x03PU100,100;PB;"},
        Twins{"ea_er", "IN;PU100,100;EA500,400;", "IN;PU100,100;ER400,300;"},
        Twins{"ra_ea", "IN;PU100,100;RA500,400;", "IN;PU100,100;EA500,400;"},
        Twins{"wg_ew", "IN;PU100,100;WG400,30,120;", "IN;PU100,100;EW400,30,120;"},
        Twins{"fp_ep", "IN;PU0,0;PM0;PD400,0,400,400;PM2;FP;", "IN;PU0,0;PM0;PD400,0,400,400;PM2;EP;"}),
    [](const auto& param) { return std::string(param.param.name); });

// --- hostile input stays bounded

struct Hostile {
    const char* name;
    std::string input;
    double tolerance;
};

class Bounded : public ::testing::TestWithParam<Hostile> {};

TEST_P(Bounded, FinishesWithinItsBudget) {
    const ConvertResult result = convert(GetParam().input, GetParam().tolerance);
    // A bounded result: either the picture, at most a few characters per
    // vertex allowed, or nothing at all when the budget ran out.
    EXPECT_LE(result.text().size(), 2'000'000u * 24 + 1000);
    if (result.tooLarge) {
        EXPECT_TRUE(result.text().empty());
    }
}

std::string repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, Bounded,
    ::testing::Values(
        Hostile{"huge_circle", "IN;PU0,0;CI2147483648;", 0.001},
        Hostile{"huge_circles", repeated("CI2147483648;", 200), 0.001},
        Hostile{"tolerance_zero", "IN;PU0,0;CI4000;", 0.0},
        Hostile{"tolerance_negative", "IN;PU0,0;CI4000;", -1.0},
        Hostile{"tolerance_tiny", "IN;PU0,0;CI4000;", 1e-300},
        Hostile{"tolerance_nan", "IN;PU0,0;CI4000;", std::nan("")},
        Hostile{"endless_dashes", "IN;LT2,0.0001,1;PU0,0;PD99999999999999999999999,0;", 0.05},
        Hostile{"dashes_outside_the_window", "IN;IW0,0,1,1;LT2,0.0001,1;PU5,5;PD9999999999999,5;", 0.05},
        Hostile{"endless_pe_number", "IN;PE" + std::string(100000, 'A') + ";", 0.05},
        Hostile{"pe_without_end", "IN;PE=" + std::string(50000, '\xC0'), 0.05},
        Hostile{"long_label", "IN;PU0,0;LB" + std::string(200000, 'W'), 0.05},
        Hostile{"polygon_of_circles", "IN;PM0;" + repeated("CI2147483647;", 100) + "PM2;EP;FP;", 0.05},
        Hostile{"overflowing_numbers", "IN;SC0,1e-300,0,1;PU-" + std::string(400, '9') + ",0;PD" +
                                           std::string(400, '9') + ".9999,1;AA0,0,1e300;", 0.05},
        Hostile{"out_of_range_types_and_modes",
                "IN;LT2147483648000000000000;RO9" + std::string(40, '0') + ";PM1" + std::string(30, '0') +
                    ";LO-9" + std::string(30, '0') + ";SC0,1,0,1,9" + std::string(30, '0') + ";PD1,1;",
                0.05},
        Hostile{"unterminated_escape", "\x1b*b999999999W", 0.05},
        Hostile{"escape_at_end", "IN;PU0,0;PD5,5;\x1b", 0.05}),
    [](const auto& param) { return std::string(param.param.name); });

// --- the plotter's range: cuts beyond +-1e9 units clipped where they cross
// its edge, as a hard-clip limit clips them

struct Clip {
    const char* name;
    std::string input;
    std::string expected;
    std::size_t clipped;  // cuts that reached beyond
};

class Range : public ::testing::TestWithParam<Clip> {};

TEST_P(Range, ClipsAtTheEdgeAndCountsIt) {
    const ConvertResult result = convert(GetParam().input);
    EXPECT_EQ(result.text(), GetParam().expected);
    const std::size_t n = GetParam().clipped;
    EXPECT_EQ(mentions(result, "range: " + std::to_string(n) + " cuts reached beyond"), n > 0);
    EXPECT_EQ(mentions(result, "range: "), n > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Crossings, Range,
    ::testing::Values(
        // Half-way along x the line is at 1e9: y is half of 1e9 there.
        Clip{"beyond_one_end", "IN;PU0,0;PD2000000000,1000000000;",
             "IN;\nPU0,0;\nPD1000000000,500000000;\nPU1000000000,500000000;\n", 1},
        Clip{"through_the_range", "IN;PU-2000000000,7;PD2000000000,7;",
             "IN;\nPU-1000000000,7;\nPD1000000000,7;\nPU1000000000,7;\n", 1},
        // 1e9 of 1.5e9 along x: y is two thirds of 5e8.
        Clip{"crossing_between_units", "IN;PU0,0;PD1500000000,500000000;",
             "IN;\nPU0,0;\nPD1000000000,333333333;\nPU1000000000,333333333;\n", 1},
        Clip{"through_the_corner", "IN;PU0,0;PD-3000000000,-3000000000;",
             "IN;\nPU0,0;\nPD-1000000000,-1000000000;\nPU-1000000000,-1000000000;\n", 1},
        // Out to 2e9 and back towards (0,5e8): back in where x is 1e9,
        // half-way, y 2.5e8; the knife goes there lifted.
        Clip{"out_and_back", "IN;PU0,0;PD2000000000,0,0,500000000;",
             "IN;\nPU0,0;\nPD1000000000,0;\nPU1000000000,250000000;\nPD0,500000000;\nPU0,500000000;\n", 2},
        Clip{"wholly_beyond", "IN;PU0,0;PD10,0;PU1500000000,0;PD1600000000,0;PA1500000000,0;PD;PU;",
             "IN;\nPU0,0;\nPD10,0;\nPU10,0;\n", 2},
        Clip{"on_the_edge", "IN;PU1000000000,-1000000000;PD1000000000,1000000000;",
             "IN;\nPU1000000000,-1000000000;\nPD1000000000,1000000000;\nPU1000000000,1000000000;\n", 0}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Range, ACircleAcrossTheEdgeKeepsTheHalfWithin) {
    // Centred on the edge: the left half, from the top crossing (1e9, 400)
    // round to the bottom one, one cut; the right half is not cut at all.
    const ConvertResult result = convert("IN;PU1000000000,0;CI400;");
    const auto all = strokes(result.text());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].front().x, 1'000'000'000);
    EXPECT_EQ(all[0].back().x, 1'000'000'000);
    EXPECT_NEAR(static_cast<double>(all[0].front().y), 400, 1);
    EXPECT_NEAR(static_cast<double>(all[0].back().y), -400, 1);
    const Box box = boxOf(result.text());
    EXPECT_EQ(box.maxX, 1'000'000'000);
    EXPECT_EQ(box.minX, 1'000'000'000 - 400);
    EXPECT_TRUE(mentions(result, "range: "));
    // Circles wholly beyond: nothing of them is cut, nothing is moved onto
    // the edge.
    for (const char* input : {"IN;PU0,0;CI4294967296;", "IN;PU2147483000,0;CI10000;"}) {
        const ConvertResult beyond = convert(input);
        EXPECT_EQ(beyond.text(), "IN;\n") << input;
        EXPECT_EQ(beyond.cuts, 0u);
        EXPECT_TRUE(mentions(beyond, "range: "));
    }
}

TEST(Bounded, ABudgetThatRunsOutGivesNothing) {
    ConvertOptions options;
    options.vertexBudget = 1000;
    const ConvertResult result = convertPlot("IN;PU0,0;CI400000;CI400000;", options);
    EXPECT_TRUE(result.tooLarge);
    EXPECT_TRUE(result.text().empty());
}

// --- the converted file is one Kerfline's own reader takes whole

TEST(Output, ReadsBackInKerflinesOwnReader) {
    const ConvertResult result =
        convert("in;ip0,0,4000,4000;sc0,100,0,100;pu10,10;pd;ci5;aa50,50,-270;lt3;pr10,0,0,10;"
                "pm0;pd;pa0,0,90,0;pm2;ep;si.2,.3;lbHELLO\x03");
    test::ReadResult read;
    test::readInto(read, result.text());
    EXPECT_FALSE(read.failed);
    EXPECT_TRUE(read.drawing.hasExtent());
    const Box box = boxOf(result.text());
    EXPECT_EQ(read.drawing.minX, box.minX);
    EXPECT_EQ(read.drawing.maxY, box.maxY);
}

}  // namespace
}  // namespace kerfline::dialect
