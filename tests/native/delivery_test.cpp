// Delivering a job, the parts that decide: the instructions and their
// bytes, where a stopped job resumes and what the cutter needs first, the
// time of each instruction, the pacing without a handshake, the answer to
// ESC . B and the progress line. Expected values are worked by hand, or
// come from the job figures of info --json and a simulation of our own.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "delivery/job.h"
#include "delivery/pacing.h"
#include "delivery/progress.h"
#include "delivery/sender.h"
#include "test_support.h"

namespace kerfline::delivery {
namespace {

Job jobOf(std::string text) {
    Job job;
    EXPECT_TRUE(job.read(std::move(text)));
    return job;
}

struct SplitCase {
    const char* label;
    std::string bytes;
    bool valid;
    std::vector<std::uint64_t> ends;
};

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, CountsEveryInstructionTheReaderReads) {
    const SplitCase& c = GetParam();
    Job job;
    ASSERT_EQ(job.read(c.bytes), c.valid);
    if (!c.valid) return;
    EXPECT_EQ(job.bytes(), c.bytes);
    std::vector<std::uint64_t> ends;
    for (std::size_t i = 0; i < job.instructionCount(); ++i) ends.push_back(job.end(i));
    EXPECT_EQ(ends, c.ends);
    // As info counts them.
    EXPECT_EQ(job.instructionCount(), job.drawing().commands.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Split,
    ::testing::Values(SplitCase{"plain", "IN;PU0,0;", true, {3, 9}},
                      SplitCase{"line_ends_stay_in_the_bytes", "IN;\r\nPU0,0;\r\n", true, {3, 11}},
                      SplitCase{"ctrl_z_ends_the_text", "IN;PD;\x1aPU1,1;", true, {3, 6}},
                      SplitCase{"empty_instructions", ";;", true, {1, 2}},
                      SplitCase{"nothing", "", true, {}},
                      SplitCase{"cut_off", "IN;PU", false, {}},
                      SplitCase{"cut_off_before_ctrl_z", "IN;PU\x1a;", false, {}}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(Split, WholeWithinCountsInstructionsThatEndedInTheBytes) {
    const Job job = jobOf("IN;PU0,0;");
    EXPECT_EQ(job.wholeWithin(0), 0u);
    EXPECT_EQ(job.wholeWithin(2), 0u);
    EXPECT_EQ(job.wholeWithin(3), 1u);
    EXPECT_EQ(job.wholeWithin(8), 1u);
    EXPECT_EQ(job.wholeWithin(9), 2u);
}

struct ResumeCase {
    const char* label;
    const char* job;
    std::size_t received;
    std::size_t expected;  // from 1
};

class Resume : public ::testing::TestWithParam<ResumeCase> {};

TEST_P(Resume, GoesBackToTheStartOfACutBrokenOff) {
    const ResumeCase& c = GetParam();
    EXPECT_EQ(resumeInstruction(jobOf(c.job), c.received), c.expected);
}

// Instructions from 1. A: IN PU PD(cut) PU PD(plunge) PU. B: PU PD PA VS PA
// PU, one cut across the VS. C: PD(cut) PA-home PA(a new cut from home) PU.
// D: PU PD PR PR PU.
constexpr const char* kA = "IN;PU0,0;PD100,0,100,100;PU;PD;PU;";
constexpr const char* kB = "PU0,0;PD;PA10,0;VS5;PA10,10;PU;";
constexpr const char* kC = "PD0,0,10,0;PA;PA5,5;PU;";
constexpr const char* kD = "PU0,0;PD;PR10,0,0,10;PR-10,0;PU;";

INSTANTIATE_TEST_SUITE_P(
    Cases, Resume,
    ::testing::Values(ResumeCase{"nothing_yet", kA, 0, 1}, ResumeCase{"before_a_cut", kA, 2, 3},
                      ResumeCase{"cut_whole", kA, 3, 4}, ResumeCase{"after_the_lift", kA, 4, 5},
                      ResumeCase{"plunge_then_lift", kA, 5, 6},
                      ResumeCase{"plunge_that_goes_on", kB, 2, 2},
                      ResumeCase{"halfway", kB, 3, 2}, ResumeCase{"across_a_speed_change", kB, 4, 2},
                      ResumeCase{"last_point_sent", kB, 5, 6},
                      ResumeCase{"home_ends_the_cut", kC, 1, 2},
                      ResumeCase{"home_with_the_knife_down", kC, 2, 3},
                      ResumeCase{"cut_from_home", kC, 3, 4}, ResumeCase{"relative", kD, 3, 2},
                      ResumeCase{"relative_done", kD, 4, 5}),
    [](const auto& p) { return std::string(p.param.label); });

struct PrefixCase {
    const char* label;
    const char* job;
    std::size_t from;
    const char* expected;
};

class Prefix : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(Prefix, SetsTheCutterAsTheJobHadIt) {
    const PrefixCase& c = GetParam();
    EXPECT_EQ(resumePrefix(jobOf(c.job), c.from), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Prefix,
    ::testing::Values(
        PrefixCase{"from_the_start", kA, 1, ""},
        PrefixCase{"init_and_position", kA, 4, "IN;PU;PA100,100;"},
        PrefixCase{"settings", "IN;SP2;VS10;VS5,1;FS3;PU100,200;PD300,200;PU;PU0,0;", 9,
                   "IN;SP2;VS10;VS5,1;FS3;PU;PA300,200;"},
        PrefixCase{"init_forgets_earlier_settings", "VS5,1;VS10;SP1;IN;VS7,2;PU5,5;", 6,
                   "IN;VS7,2;PU;PA0,0;"},
        PrefixCase{"speed_for_all_pens_replaces_each_pens",
                   "VS5,1;VS6,2;VS10;VS3,2;VS4,2;PU1,1;", 6, "VS10;VS4,2;PU;PA0,0;"},
        PrefixCase{"knife_down_cutting_on", kB, 3, "PU;PA0,0;PD;"},
        PrefixCase{"knife_down_then_lifted", "PD0,0,5,0;VS9;PU;", 2, "PU;PA5,0;"},
        PrefixCase{"relative", kD, 4, "PU;PA10,10;PR;PD;"},
        PrefixCase{"written_as_in_the_file", "in;\r\n  vs10;\npu1,1;", 3, "in;vs10;PU;PA0,0;"}),
    [](const auto& p) { return std::string(p.param.label); });

double totalSeconds(const Job& job, double speed) {
    KnifeWalk walk(job, speed);
    double seconds = 0;
    while (walk.next() < job.instructionCount()) seconds += walk.step();
    return seconds;
}

TEST(InstructionTimes, AreTheModelsOfInfoJson) {
    // A 100 mm square at 20 cm/s reached by a 50 mm pen-up move: 0.125 s
    // for the move, 2 s and a drop and a lift for the cut.
    const Job square = jobOf("PU2000,0;PD6000,0,6000,4000,2000,4000,2000,0;");
    KnifeWalk walk(square, 20.0);
    EXPECT_NEAR(walk.step(), 0.125, 1e-12);
    EXPECT_NEAR(walk.step(), 2.2, 1e-12);

    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(KERF_TEST_CORPUS)) files.push_back(entry.path());
    if (const std::filesystem::path shared = test::corpusDir(); !shared.empty())
        for (const auto& entry : std::filesystem::directory_iterator(shared)) files.push_back(entry.path());
    std::string generated = "IN;SP1;VS10;VS40,2;";
    for (int i = 0; i < 200; ++i) {
        generated += "PU" + std::to_string(i * 37 % 900) + "," + std::to_string(i * 53 % 700) + ";PD";
        generated += std::to_string(i * 11) + ",0," + std::to_string(i) + ",9;";
        if (i % 7 == 0) generated += "SP" + std::to_string(1 + i % 3) + ";PD;PR40,0;VS" + std::to_string(5 + i) + ";PR0,40;PA;";
    }
    int checked = 0;
    auto check = [&](const std::string& label, std::string bytes) {
        Job job;
        if (!job.read(std::move(bytes))) return;
        const JobFigures figures = jobFigures(job.drawing(), TimeModel{15.0});
        EXPECT_NEAR(totalSeconds(job, 15.0), figures.seconds, 1e-9 * (1 + figures.seconds)) << label;
        ++checked;
    };
    check("generated", generated);
    for (const auto& file : files)
        if (file.extension() != ".md") check(file.filename().string(), test::readBytes(file));
    EXPECT_GE(checked, 5);
}

// ---- pacing ---------------------------------------------------------------

TEST(Pacer, WorkedByHand) {
    // 1000 bytes a second down the line, a buffer of 50, one instruction of
    // 100 bytes that takes a second.
    Pacer pacer(1000, 50);
    pacer.add(100, 1.0);
    EXPECT_EQ(pacer.room(0), 50u);
    pacer.wrote(50, 0);
    EXPECT_EQ(pacer.room(0), 0u);
    // The 50 bytes are there at 0.05 s and fill the buffer: the knife starts
    // and takes 100 bytes a second.
    EXPECT_EQ(pacer.room(0.30), 25u);
    pacer.wrote(25, 0.30);
    EXPECT_EQ(pacer.room(0.55), 25u);
    // Nothing more written: the knife waits at byte 75.
    EXPECT_EQ(pacer.room(1.0), 50u);
    EXPECT_DOUBLE_EQ(pacer.taken(), 75);

    // Instructions of no time go as soon as they are there.
    Pacer quick(100, 20);
    for (int i = 0; i < 5; ++i) quick.add(10, 0);
    quick.wrote(20, 0);
    EXPECT_EQ(quick.room(0.05), 0u);
    EXPECT_EQ(quick.room(0.1), 10u);
    EXPECT_EQ(quick.room(0.2), 20u);

    // A rewind takes back what was thrown away before it arrived.
    Pacer back(1000, 50);
    back.add(100, 1.0);
    back.wrote(50, 0);
    EXPECT_EQ(back.room(0.30), 25u);
    back.rewind(30);
    EXPECT_EQ(back.room(0.30), 45u);
}

// The cutter the pacer pictures, stepped in time slices of a tenth of a
// millisecond instead of from event to event.
struct SteppedCutter {
    struct Piece {
        double start, end, seconds;
    };
    std::vector<Piece> pieces;
    double rate, buffer;
    double written = 0, arrived = 0, taken = 0, idle = 0;
    std::size_t current = 0;
    bool running = false;

    void step(double dt) {
        arrived = std::min(written, arrived + rate * dt);
        double left = dt;
        while (current < pieces.size()) {
            const Piece& p = pieces[current];
            if (!running) running = arrived >= std::min(p.end, taken + buffer) - 1e-9;
            if (!running) {
                idle += left;
                return;
            }
            if (p.seconds > 0) {
                const double speed = (p.end - p.start) / p.seconds;
                const double before = taken;
                taken = std::min({p.end, arrived, taken + speed * left});
                if (taken < p.end - 1e-9) return;
                // The rest of the slice goes to the next piece.
                left -= std::min(left, (taken - before) / speed);
            } else {
                taken = std::min(p.end, arrived);
                if (taken < p.end - 1e-9) return;
            }
            ++current;
            running = false;
        }
    }
};

TEST(Pacer, NeverPutsMoreThanTheBufferAheadOfASteppedKnife) {
    for (const double buffer : {60.0, 256.0, 1024.0}) {
        SCOPED_TRACE(buffer);
        SteppedCutter cutter{{}, 960.0, buffer};
        Pacer pacer(960.0, static_cast<std::uint64_t>(buffer));
        double at = 0;
        unsigned seed = 7;
        for (int i = 0; i < 300; ++i) {
            seed = seed * 1103515245u + 12345u;
            const double bytes = 5 + seed % 40;
            const double seconds = (seed >> 8) % 4 == 0 ? 0.0 : ((seed >> 12) % 50) / 1000.0;
            cutter.pieces.push_back({at, at + bytes, seconds});
            pacer.add(static_cast<std::uint64_t>(bytes), seconds);
            at += bytes;
        }
        double worst = 0, apart = 0, before = 0;
        const double dt = 1e-4;
        for (int tick = 0; cutter.current < cutter.pieces.size() && tick < 600000; ++tick) {
            const double t = tick * dt;
            const std::uint64_t room = pacer.room(t);
            const double pacerTaken = pacer.taken();
            const double write = std::min<double>(static_cast<double>(room), at - cutter.written);
            if (write > 0) {
                pacer.wrote(static_cast<std::uint64_t>(write), t);
                cutter.written += write;
            }
            const double now = cutter.taken;
            cutter.step(dt);
            // The pacer's knife is the stepped one, within a slice of time.
            apart = std::max({apart, before - pacerTaken, pacerTaken - cutter.taken});
            before = now;
            worst = std::max(worst, cutter.written - cutter.taken);
        }
        EXPECT_EQ(cutter.current, cutter.pieces.size());
        EXPECT_LE(worst, buffer + 1e-6);
        EXPECT_LT(apart, 0.5);
    }
}

// ---- ESC . B --------------------------------------------------------------

TEST(FreeBufferAnswer, ReadsDigitsToTheTerminator) {
    struct Case {
        std::string bytes;
        std::vector<std::uint64_t> answers;
    };
    for (const Case& c : std::vector<Case>{{"123\r", {123}},
                                           {"0\r", {0}},
                                           {"12\n", {12}},
                                           {"\x13 1\x11"
                                            "5\r",
                                            {15}},
                                           {"?7\r", {7}},
                                           {"4x2\r", {2}},
                                           {"\r\r", {}},
                                           {"1\r2\r", {1, 2}},
                                           {"99999999999999999999\r", {1u << 30}}}) {
        FreeBufferAnswer answer;
        std::vector<std::uint64_t> got;
        for (const char ch : c.bytes)
            if (const auto value = answer.take(ch)) got.push_back(*value);
        EXPECT_EQ(got, c.answers) << c.bytes;
    }
}

// ---- progress -------------------------------------------------------------

TEST(ProgressText, ShowsBarAmountsAndTimes) {
    Progress half{500, 1000, 10, 20, 5.0};
    EXPECT_EQ(progressLine(half), "[########--------]  50%  0:05, 0:05 left  500/1000 B  10/20 instructions");
    EXPECT_EQ(progressLogLine(half), "sent 50%: 500/1000 B, instruction 10 of 20, 0:05");
    Progress start{0, 25600, 0, 2560, 0.0};
    EXPECT_EQ(progressLine(start), "[----------------]   0%  0:00, --:-- left  0.0/25.6 KB  0/2560 instructions");
    Progress big{12000000, 48000000, 600000, 2400000, 3725.0};
    EXPECT_EQ(progressLine(big),
              "[####------------]  25%  1:02:05, 3:06:15 left  12.0/48.0 MB  600000/2400000 in");
    EXPECT_EQ(clockText(65), "1:05");
}

TEST(ProgressText, ALogGetsALineAtEveryTenthATerminalARedrawnLine) {
    ProgressReport log(false);
    std::string lines;
    for (const std::uint64_t sent : {0, 50, 120, 190, 250, 1000}) lines += log.update({sent, 1000, 0, 1, 1.0});
    EXPECT_EQ(lines,
              "sent 12%: 120/1000 B, instruction 0 of 1, 0:01\n"
              "sent 25%: 250/1000 B, instruction 0 of 1, 0:01\n"
              "sent 100%: 1000/1000 B, instruction 0 of 1, 0:01\n");
    ProgressReport terminal(true);
    const std::string first = terminal.update({0, 100000000, 0, 1000000, 1.0});
    const std::string second = terminal.update({5000, 10000, 1, 2, 1.0});
    EXPECT_EQ(first.front(), '\r');
    EXPECT_EQ(second.front(), '\r');
    // The shorter line blanks out the rest of the longer one.
    EXPECT_EQ(second.size(), first.size());
    EXPECT_EQ(second.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace kerfline::delivery
