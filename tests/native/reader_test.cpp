// Reading instructions into records and writing them back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "hpgl/find_byte.h"
#include "hpgl/reader.h"
#include "test_support.h"

namespace kerfline {
namespace {

using Points = std::vector<PlotPoint>;

Points pointsOf(const PlotCommand& c) {
    const PointSpan points = c.points();
    return Points(points.begin(), points.end());
}

std::string writtenCommand(const HpglCommand& c) { return test::writtenCommand(c); }

struct InstructionCase {
    std::string input;                // one instruction, ";" included
    MnemonicCode mnemonic;            // 0 when unknown
    std::optional<std::string> text;  // the record's text; nullopt: none
    std::optional<Points> points;     // nullopt: no point list
    std::string written;
};

class Instruction : public ::testing::TestWithParam<InstructionCase> {};

TEST_P(Instruction, ReadsIntoTheRecordAndWritesBack) {
    const InstructionCase& c = GetParam();
    MemoryInput in(c.input);
    PlotCommand command;
    readPlotCommand(in, command);
    ASSERT_FALSE(in.failed());
    EXPECT_EQ(command.mnemonic(), c.mnemonic);
    EXPECT_EQ(command.isKnown(), c.mnemonic != 0);
    EXPECT_FALSE(command.isEmpty());
    if (c.text) {
        EXPECT_EQ(std::string(command.text() ? command.text() : "<none>"), *c.text);
    } else {
        EXPECT_EQ(command.text(), nullptr);
    }
    ASSERT_EQ(command.points().exists(), c.points.has_value());
    if (c.points) {
        EXPECT_EQ(pointsOf(command), *c.points);
    }
    EXPECT_EQ(writtenCommand(command), c.written);

    // The construction from text gives the same record.
    PlotCommand made(c.input.c_str());
    if (c.input.find('\0') == std::string::npos) {
        EXPECT_EQ(writtenCommand(made), c.written);
    }
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases, Instruction,
    ::testing::Values(
        InstructionCase{"IN;", mnemonic::IN, std::nullopt, std::nullopt, "IN;"},
        InstructionCase{"IN5;", mnemonic::IN, std::nullopt, std::nullopt, "IN;"},
        InstructionCase{"SP1;", 0, "SP1", std::nullopt, "SP1;"},
        InstructionCase{"PU0,0;", mnemonic::PU, std::nullopt, Points{{0, 0}}, "PU0,0;"},
        InstructionCase{"PD100,0,100,100,0,100;", mnemonic::PD, std::nullopt,
                        Points{{100, 0}, {100, 100}, {0, 100}}, "PD100,0,100,100,0,100;"},
        InstructionCase{"PR -50, 0, 0,-50;", mnemonic::PR, std::nullopt, Points{{-50, 0}, {0, -50}},
                        "PR-50,0,0,-50;"},
        InstructionCase{"PU;", mnemonic::PU, std::nullopt, Points{}, "PU;"},
        InstructionCase{"pu10,10;", 0, "pu10,10", std::nullopt, "pu10,10;"},
        InstructionCase{"PA1.5,2;", mnemonic::PA, std::nullopt, Points{}, "PA;"},
        InstructionCase{"PA0100,0200;", mnemonic::PA, std::nullopt, Points{{100, 200}},
                        "PA100,200;"},
        InstructionCase{"PA+5,-7;", mnemonic::PA, std::nullopt, Points{{5, -7}}, "PA5,-7;"},
        InstructionCase{"PA5 -7;", mnemonic::PA, std::nullopt, Points{{5, -7}}, "PA5,-7;"},
        InstructionCase{"PD1,,2;", mnemonic::PD, std::nullopt, Points{}, "PD;"},
        InstructionCase{"PD1 2 3 4;", mnemonic::PD, std::nullopt, Points{{1, 2}, {3, 4}},
                        "PD1,2,3,4;"},
        InstructionCase{"PU99999999999,0;", mnemonic::PU, std::nullopt, Points{}, "PU;"},
        InstructionCase{"PA100,200,300;", mnemonic::PA, std::nullopt, Points{{100, 200}},
                        "PA100,200;"},
        InstructionCase{"PA-2147483648,2147483647;", mnemonic::PA, std::nullopt,
                        Points{{kInt32Min, kInt32Max}}, "PA-2147483648,2147483647;"},
        // A single point within 30 bits lives in the record, one beyond in a block.
        InstructionCase{"PD536870911,-536870912;", mnemonic::PD, std::nullopt,
                        Points{{536870911, -536870912}}, "PD536870911,-536870912;"},
        InstructionCase{"PR536870912,-536870913;", mnemonic::PR, std::nullopt,
                        Points{{536870912, -536870913}}, "PR536870912,-536870913;"},
        InstructionCase{"PA2147483648,0;", mnemonic::PA, std::nullopt, Points{}, "PA;"},
        InstructionCase{"PA-2147483649,0;", mnemonic::PA, std::nullopt, Points{}, "PA;"},
        InstructionCase{"PA00000000000000000000001,2;", mnemonic::PA, std::nullopt, Points{{1, 2}},
                        "PA1,2;"},
        InstructionCase{"PA- 5,1;", mnemonic::PA, std::nullopt, Points{}, "PA;"},
        InstructionCase{"PD\n10\t,\r20 ;", mnemonic::PD, std::nullopt, Points{{10, 20}},
                        "PD10,20;"},
        InstructionCase{"PD1,2,;", mnemonic::PD, std::nullopt, Points{{1, 2}}, "PD1,2;"},
        InstructionCase{"SC 0, 100 ,0,100;", makeMnemonic('S', 'C'), " 0, 100 ,0,100", std::nullopt,
                        "SC 0, 100 ,0,100;"},
        InstructionCase{"LT;", makeMnemonic('L', 'T'), std::nullopt, std::nullopt, "LT;"},
        InstructionCase{"PA100\0,200;"s, mnemonic::PA, std::nullopt, Points{}, "PA;"},
        InstructionCase{"SP\0garbage;"s, 0, "SP", std::nullopt, "SP;"},
        InstructionCase{"LB\0x;"s, makeMnemonic('L', 'B'), std::nullopt, std::nullopt, "LB;"},
        InstructionCase{"P\0A;"s, 0, "P", std::nullopt, "P;"},
        InstructionCase{";", 0, "", std::nullopt, ";"},
        InstructionCase{"X;", 0, "X", std::nullopt, "X;"},
        InstructionCase{"LBHello\x03PU;", makeMnemonic('L', 'B'), "Hello\x03PU", std::nullopt,
                        "LBHello\x03PU;"},
        InstructionCase{"\xC3\x80\xFF;", 0, "\xC3\x80\xFF", std::nullopt, "\xC3\x80\xFF;"}));

TEST(ReadCommand, GenericRecordKeepsTextForDrawables) {
    // readCommand alone parses nothing; writing falls back on the text.
    MemoryInput in("PD1, 2;IN7;");
    PlotCommand command;
    readCommand(in, command);
    EXPECT_STREQ(command.text(), "1, 2");
    EXPECT_FALSE(command.points().exists());
    EXPECT_EQ(writtenCommand(command), "PD1, 2;");
    command.parsePoints();
    EXPECT_EQ(command.text(), nullptr);
    EXPECT_EQ(pointsOf(command), (Points{{1, 2}}));

    readCommand(in, command);
    EXPECT_STREQ(command.text(), "7");
    command.parsePoints();
    EXPECT_EQ(command.text(), nullptr);
    EXPECT_EQ(writtenCommand(command), "IN;");

    HpglCommand base;
    MemoryInput again("IN7;");
    readCommand(again, base);
    EXPECT_EQ(writtenCommand(base), "IN7;");  // the base record writes its text
}

TEST(ReadCommand, RecordStatesAndClear) {
    PlotCommand command;
    EXPECT_TRUE(command.isEmpty());
    EXPECT_EQ(writtenCommand(command), "");

    command.assign(makeMnemonic('p', 'u'), "");
    EXPECT_FALSE(command.isKnown());
    EXPECT_EQ(command.mnemonic(), 0);
    EXPECT_FALSE(command.isEmpty());
    EXPECT_STREQ(command.text(), "pu");

    command.clear();
    command.assign(makeMnemonic('L', 'T'), "");
    EXPECT_EQ(command.mnemonic(), 21580);
    EXPECT_EQ(command.text(), nullptr);
    EXPECT_FALSE(command.isEmpty());
    EXPECT_FALSE(command.isDrawable());

    PlotCommand pa("PA1,2,3,4;");
    EXPECT_TRUE(pa.isDrawable());
    pa.clear();
    EXPECT_TRUE(pa.isEmpty());
    EXPECT_EQ(pa.mnemonic(), 0);
    EXPECT_FALSE(pa.points().exists());

    EXPECT_TRUE(PlotCommand("IN;").isDrawable());
    EXPECT_TRUE(PlotCommand("PU1,2").isEmpty());  // no ";": nothing read
}

TEST(ReadCommand, MovingHandsOverTextAndPoints) {
    std::vector<PlotCommand> list;
    for (const char* text : {"PD1,2,3,4,5,6;", "PU7,8;", "SP2;", "PR;"}) {
        PlotCommand made(text);
        list.push_back(std::move(made));
        EXPECT_TRUE(made.isEmpty());  // NOLINT(bugprone-use-after-move): moved-from is empty
    }
    list.reserve(100);  // moves every element again
    std::string all;
    for (const PlotCommand& c : list) all += writtenCommand(c);
    EXPECT_EQ(all, "PD1,2,3,4,5,6;PU7,8;SP2;PR;");
}

TEST(ReadCommand, PointListGrowsPastTheInlinePoint) {
    PointList list;
    EXPECT_FALSE(list.exists());
    for (int i = 0; i < 100; ++i) list.push_back({i, -i});
    ASSERT_EQ(list.size(), 100u);
    EXPECT_EQ(list[0], (PlotPoint{0, 0}));
    EXPECT_EQ(list.back(), (PlotPoint{99, -99}));
    PointList moved(std::move(list));
    EXPECT_FALSE(list.exists());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(moved.size(), 100u);
}

TEST(ReadPoint, NumbersAndSeparators) {
    MemoryInput in(" -12 ,\t+34 , ,5");
    PlotPoint p;
    readPoint(in, p);
    EXPECT_FALSE(in.failed());
    EXPECT_EQ(p, (PlotPoint{-12, 34}));
    skipSeparator(in);
    EXPECT_EQ(in.get(), ' ');  // only one "," is skipped, with the blanks before it
    readPoint(in, p);
    EXPECT_TRUE(in.failed());  // the second "," is not a number
}

TEST(ReadDrawingText, TheSixLineFile) {
    const std::string file =
        "IN;SP1;PU0,0;\r\nPD100,0,100,100,0,100;\r\nPR -50, 0, "
        "0,-50;\r\nPU;\r\npu10,10;\r\nPA1.5,2;\r\n";
    const test::ScratchDir scratch;
    const auto path = scratch / "six.plt";
    test::writeBytes(path, file);
    PlotDrawing drawing;
    FileInput in(path.string().c_str());
    readDrawing(in, drawing);
    EXPECT_FALSE(in.failed());
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(drawing.commands.size(), 8u);
    EXPECT_EQ(test::written(drawing),
              "IN;SP1;PU0,0;PD100,0,100,100,0,100;PR-50,0,0,-50;PU;pu10,10;PA;");
}

struct TextCase {
    std::string input;
    bool failed;
    std::string written;
};

class WholeText : public ::testing::TestWithParam<TextCase> {};

TEST_P(WholeText, ReadsAndWrites) {
    test::ReadResult result;
    test::readInto(result, GetParam().input);
    EXPECT_EQ(result.failed, GetParam().failed);
    EXPECT_EQ(test::written(result.drawing), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WholeText,
    ::testing::Values(TextCase{"", false, ""}, TextCase{" \t\r\n\v\f", false, ""},
                      TextCase{"IN;PU0,0;PD10,10", true, "IN;PU0,0;"},  // the last one has no ";"
                      TextCase{";;;", false, ";;;"},
                      TextCase{"LBHello\x03PU;", false, "LBHello\x03PU;"},
                      TextCase{"LBline one\nline two\x03;PU1,1;", false,
                               "LBline one\nline two\x03;PU1,1;"},
                      TextCase{"IN;SP1;\n\n  PD1,1;  \n", false, "IN;SP1;PD1,1;"},
                      TextCase{"\x1A;", false, "\x1A;"},  // Ctrl-Z ends only files, not memory text
                      TextCase{"IN;\x01;", false, "IN;\x01;"}));

TEST(InstructionLength, LongInstructionsReadUpToTheBound) {
    // Real exports hold PD instructions of thousands of characters.
    std::string pd = "PD";
    while (pd.size() < 1455) pd += "1234,5678,";
    pd += "1,1";
    test::ReadResult result;
    test::readInto(result, "IN;" + pd + ";PU0,0;");
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(result.drawing.commands.size(), 3u);

    const std::size_t limit = kMaxInstructionLength;
    std::string exact(limit, 'x');
    exact[0] = 'L';
    exact[1] = 'B';
    test::ReadResult whole;
    test::readInto(whole, exact + ";");
    EXPECT_FALSE(whole.failed);
    ASSERT_EQ(whole.drawing.commands.size(), 1u);
    EXPECT_EQ(std::string(whole.drawing.commands[0].text()).size(), limit - 2);

    test::ReadResult tooLong;
    test::readInto(tooLong, "IN;" + exact + "x;PU;");
    EXPECT_TRUE(tooLong.failed);
    EXPECT_EQ(test::written(tooLong.drawing), "IN;");
}

TEST(FileText, LineEndsAndCtrlZFollowTextModeRules) {
    struct Case {
        std::string bytes;
        bool failed;
        std::string written;  // as kept in memory, before any line-end translation
    };
    const Case cases[] = {
        {"LBa\r\nb\x03;", false, "LBa\nb\x03;"},      // CR LF arrives as LF
        {"LBa\rb\x03;", false, "LBa\rb\x03;"},        // a lone CR stays
        {"LBa\r\r\nb\x03;", false, "LBa\r\nb\x03;"},  // CR, then a pair
        {"IN;PU1,1;\x1APD5,5;", false, "IN;PU1,1;"},  // Ctrl-Z ends the file
        {"IN;PD5\x1A,5;", true, "IN;"},               // ... even inside an instruction
        {"\x1AIN;", false, ""},
        {"LBx\r", true, ""},  // a CR at the very end
    };
    for (const Case& c : cases) {
        const test::ScratchDir scratch;
        const auto path = scratch / "mode.plt";
        test::writeBytes(path, c.bytes);
        PlotDrawing drawing;
        FileInput in(path.string().c_str());
        readDrawing(in, drawing);
        EXPECT_EQ(in.failed(), c.failed) << c.bytes;
        EXPECT_EQ(test::written(drawing), c.written) << c.bytes;
    }
}

TEST(FileText, PairSplitAcrossBlockRefillsStillPairs) {
    // The reader takes files in blocks; put a CR LF pair on every possible
    // boundary near the first two block ends.
    constexpr std::size_t kBlock = FileInput::kBlockSize;
    for (std::size_t boundary : {kBlock, 2 * kBlock}) {
        for (std::size_t offset = 0; offset < 3; ++offset) {
            std::string bytes = "LB";
            bytes.append(boundary - offset - 3, 'a');
            bytes += "\r\nz\x03;PU1,2;\r\n";
            const test::ScratchDir scratch;
            const auto path = scratch / "split.plt";
            test::writeBytes(path, bytes);
            PlotDrawing drawing;
            FileInput in(path.string().c_str());
            readDrawing(in, drawing);
            ASSERT_FALSE(in.failed());
            ASSERT_EQ(drawing.commands.size(), 2u);
            const std::string label = drawing.commands[0].text();
            EXPECT_EQ(label.find('\r'), std::string::npos) << boundary << "/" << offset;
            EXPECT_EQ(label.substr(label.size() - 3), "\nz\x03");
        }
    }
}

// Hands out a text in blocks of `chunk` characters, each in a buffer of
// exactly that size, as a file stream hands out its blocks.
class ChunkedInput final : public InputStream {
public:
    ChunkedInput(std::string_view text, std::size_t chunk) : text_(text), chunk_(chunk) {}

protected:
    bool refill() override {
        if (offset_ >= text_.size()) return false;
        const std::size_t n = std::min(chunk_, text_.size() - offset_);
        block_.reset(new unsigned char[n]);
        std::memcpy(block_.get(), text_.data() + offset_, n);
        offset_ += n;
        cur_ = block_.get();
        end_ = cur_ + n;
        return true;
    }

private:
    std::string_view text_;
    std::size_t chunk_;
    std::size_t offset_ = 0;
    std::unique_ptr<unsigned char[]> block_;
};

// A drawing is read by scanning the instructions where they lie in the
// stream's blocks, collecting only one that runs past a block's end, and
// its statistics come with the reading. Wherever the blocks end, it must
// read what the instruction reader reads one instruction at a time, and
// find the statistics that computeBounds and computeTravel find.
// Hundreds of one-point cuts of lengths no double holds exactly, pen-up
// moves, point lists and cuts too long for a plain square root between them:
// the reader's total must be the same to the last bit as a walk's.
std::string manyCuts() {
    std::string text = "IN;";
    int x = 0, y = 0;
    for (int i = 1; i <= 700; ++i) {
        // Cuts from a few units to half a metre long, so that the order of
        // the sum shows.
        const int reachX = 1 + 10 * (i % 10 < 3) + 1000 * (i % 10 == 5) + 100000 * (i % 7 == 0);
        const int reachY = 1 + 100 * (i % 3 == 0) + 10000 * (i % 11 == 0);
        x += i * 7919 % (2 * reachX + 1) - reachX;
        y += i * 104729 % (2 * reachY + 1) - reachY;
        const std::string point = std::to_string(x) + "," + std::to_string(y);
        if (i % 150 == 0)
            text += "PU" + point + ";PA" + point + ";";
        else if (i % 97 == 0)
            text += "PD" + point + ",3,5;";
        else if (i == 350)  // a list longer than the statistics copy out plainly
            for (int k = 0; k < 300; ++k)
                text += (k ? "," : "PD") + std::to_string(x + k * k) + "," +
                        std::to_string(y - 7 * k) + (k == 299 ? ";" : "");
        else if (i % 201 == 0)
            text += "PD2000000000," + std::to_string(i) + ";";
        else
            text += "PD" + point + ";";
    }
    return text;
}

TEST(WholeTextReader, AgreesWithTheInstructionReaderWhereverBlocksEnd) {
    const std::string texts[] = {
        manyCuts(),
        "IN;SP1;PU100,100;PD200,300,-5,7;PR10,0,0,-10;PA1.5,2;pu1,1;;;X;PD;PU;\n",
        "  PD12345,67890;\r\n\tPU 1 2 3 4 ;LBlabel\x03;PR-5,5,5,-5;IN;PA7,8;PD9,9",
        "PA100\0,200;PD1,2\0,3,4;SP\0x;P\0A;LB\0;PD00000000001,2;PU99999999999,0;"s,
        "PD1-1-1-1 2,,3;PR2147483647,0,1,0;PD-2147483648,2147483647;PA2147483648,1;",
        std::string(40, ' ') + "PD" + std::string(30, '7') + ",1;PD1,",
    };
    for (const std::string& text : texts) {
        // One instruction at a time, into commands of their own.
        MemoryInput reference(text);
        std::string expected;
        for (;;) {
            PlotCommand command;
            readPlotCommand(reference, command);
            if (command.isEmpty()) break;
            expected += test::writtenCommand(command);
        }
        for (std::size_t chunk : {1, 2, 3, 4, 5, 7, 8, 9, 13, 16, 17, 4096}) {
            ChunkedInput in(text, chunk);
            PlotDrawing drawing;
            readDrawing(in, drawing);
            ASSERT_EQ(in.failed(), reference.failed()) << chunk << ": " << text;
            ASSERT_EQ(test::written(drawing), expected) << chunk << ": " << text;
            const PlotDrawing& read = drawing;
            const auto found = std::make_tuple(read.minX, read.minY, read.maxX, read.maxY,
                                               read.shift, read.totalTravel);
            drawing.computeBounds();
            drawing.computeTravel();
            EXPECT_EQ(found, std::make_tuple(drawing.minX, drawing.minY, drawing.maxX,
                                             drawing.maxY, drawing.shift, drawing.totalTravel))
                << chunk << ": " << text;
        }
    }
}

TEST(FileText, WritingTurnsLfIntoCrLfAndReadingUndoesIt) {
    const test::ScratchDir scratch;
    const auto path = scratch / "out.plt";
    const std::string source = "IN;LBfirst\nsecond\x03;PU1,2;LB\n\n\x03;";
    {
        test::ReadResult result;
        test::readInto(result, source);
        FileOutput out(path.string().c_str());
        writeDrawing(out, result.drawing);
        ASSERT_TRUE(out.close());
    }
    EXPECT_EQ(test::readBytes(path), "IN;LBfirst\r\nsecond\x03;PU1,2;LB\r\n\r\n\x03;");
    PlotDrawing again;
    FileInput in(path.string().c_str());
    readDrawing(in, again);
    EXPECT_EQ(test::written(again), source);
}

TEST(FileText, MissingFilesFailCleanly) {
    const test::ScratchDir scratch;
    const auto missing = scratch / "no-such-dir" / "x.plt";
    FileInput in(missing.string().c_str());
    EXPECT_FALSE(in.isOpen());
    EXPECT_TRUE(in.failed());
    PlotDrawing drawing;
    drawing.commands.push_back(PlotCommand("PD1,1;"));
    readDrawing(in, drawing);
    EXPECT_TRUE(drawing.commands.empty());  // a failed read still empties the drawing
    EXPECT_FALSE(drawing.hasExtent());

    FileOutput out(missing.string().c_str());
    EXPECT_TRUE(out.failed());
    out.write("IN;");
    EXPECT_FALSE(out.close());
}

// The word-at-a-time search against a byte loop: every length up to three
// words, every place of the first match (or none), a second match after it,
// and fillers next to the value, where a borrow between bytes would show.
TEST(FindByte, FirstMatchAtEveryPlace) {
    const unsigned char values[] = {0x00, 0x01, 0x1A, '\r', ';', 0x7F, 0x80, 0xFE, 0xFF};
    for (const unsigned char value : values) {
        const unsigned char fillers[] = {static_cast<unsigned char>(value - 1),
                                         static_cast<unsigned char>(value + 1),
                                         static_cast<unsigned char>(value ^ 0x80), 0x00, 0xFF};
        for (const unsigned char filler : fillers) {
            if (filler == value) continue;
            for (std::size_t length = 0; length <= 24; ++length) {
                for (std::size_t at = 0; at <= length; ++at) {
                    // One byte of room on each side, to start off the word grid.
                    std::vector<unsigned char> bytes(length + 2, filler);
                    if (at < length) bytes[1 + at] = value;
                    if (at + 3 < length) bytes[1 + at + 3] = value;
                    const unsigned char* begin = bytes.data() + 1;
                    const unsigned char* end = begin + length;
                    const unsigned char* expected = at < length ? begin + at : nullptr;
                    ASSERT_EQ(findByteByWords(begin, end, value), expected)
                        << int(value) << " in " << length << " bytes of " << int(filler);
                    ASSERT_EQ(findByte(begin, end, value), expected);
                }
            }
        }
    }
}

}  // namespace
}  // namespace kerfline

namespace kerfline {
namespace {

// The point parser reads spans eight bytes at a time; the stream grammar
// reads a character at a time. They must agree on every text, whatever
// stands around a number and wherever it falls against the eight bytes.
TEST(PointParser, AgreesWithTheStreamGrammar) {
    const std::vector<std::string> numbers = {"0",          "7",
                                              "00",         "0007",
                                              "12",         "123",
                                              "1234",       "12345",
                                              "1234567",    "12345678",
                                              "123456789",  "2147483647",
                                              "2147483648", "00000000002147483647",
                                              "99999999999"};
    const std::vector<std::string> around = {",", " ", "",  ";", "\xFA", "\xFF", "/",
                                             ":", ".", "-", "+", "\t,",  "9"};
    std::size_t texts = 0;
    for (const std::string& pad : {std::string(), std::string(" "), std::string("       ")}) {
        for (const std::string& x : numbers) {
            for (const std::string& sep : around) {
                for (const std::string& y :
                     {std::string("5"), std::string("-88888888"), std::string("x")}) {
                    for (const std::string& tail : around) {
                        const std::string text = pad + x + sep + y + tail + "1,2";
                        PointList parsed;
                        parsePointList(text, parsed);
                        MemoryInput in(text);
                        std::vector<PlotPoint> streamed;
                        PlotPoint p;
                        while (!readPoint(in, p).failed()) {
                            streamed.push_back(p);
                            skipSeparator(in);
                        }
                        ASSERT_EQ(std::vector<PlotPoint>(parsed.begin(), parsed.end()), streamed)
                            << text;
                        ++texts;
                    }
                }
            }
        }
    }
    EXPECT_GT(texts, 5000u);
}

}  // namespace
}  // namespace kerfline
