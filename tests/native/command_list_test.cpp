// The block-wise command list: order, insertion and walking across blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "drawing/command_list.h"
#include "hpgl/reader.h"
#include "test_support.h"

namespace kerfline {
namespace {

PlotCommand numbered(int i) { return PlotCommand(("PU" + std::to_string(i) + ",0;").c_str()); }
int numberOf(const PlotCommand& c) { return c.points().begin()->x; }

// Insertion at the edges: nothing, at the front, at the very end.
TEST(CommandList, InsertsAtEveryEdge) {
    struct Case {
        int size;
        std::size_t at;
        std::size_t count;
    };
    for (const Case c : {Case{0, 0, 0}, Case{0, 0, 2}, Case{3, 0, 0}, Case{3, 3, 0}, Case{3, 0, 1},
                         Case{3, 3, 2}, Case{1024, 1024, 1}, Case{1023, 0, 2}}) {
        CommandList list;
        for (int i = 0; i < c.size; ++i) list.push_back(numbered(i));
        PlotCommand created[2] = {numbered(-1), numbered(-2)};
        list.insert(c.at, created, c.count);
        ASSERT_EQ(list.size(), static_cast<std::size_t>(c.size) + c.count);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const int want = i < c.at             ? static_cast<int>(i)
                             : i < c.at + c.count ? -static_cast<int>(i - c.at + 1)
                                                  : static_cast<int>(i - c.count);
            ASSERT_EQ(numberOf(list[i]), want)
                << c.size << " " << c.at << " " << c.count << " @" << i;
        }
    }
}

class CommandListSizes : public ::testing::TestWithParam<int> {};

TEST_P(CommandListSizes, KeepsOrderAcrossBlocks) {
    const int n = GetParam();
    CommandList list;
    for (int i = 0; i < n; ++i) list.push_back(numbered(i));
    ASSERT_EQ(list.size(), static_cast<std::size_t>(n));

    int expected = 0;
    for (const PlotCommand& c : list) ASSERT_EQ(numberOf(c), expected++);
    EXPECT_EQ(expected, n);
    EXPECT_EQ(list.end() - list.begin(), n);
    for (int i = 0; i < n; i += 97) {
        EXPECT_EQ(numberOf(list[static_cast<std::size_t>(i)]), i);
        EXPECT_EQ(numberOf(*(list.begin() + i)), i);
    }

    // Three in front of the middle one, as a frame goes before the first move.
    const int at = n / 2;
    PlotCommand created[3] = {numbered(-1), numbered(-2), numbered(-3)};
    list.insert(static_cast<std::size_t>(at), created, 3);
    ASSERT_EQ(list.size(), static_cast<std::size_t>(n + 3));
    for (int i = 0; i < n + 3; ++i) {
        const int want = i < at ? i : i < at + 3 ? -(i - at + 1) : i - 3;
        ASSERT_EQ(numberOf(list[static_cast<std::size_t>(i)]), want) << i;
    }
    const auto found = std::find_if(list.begin(), list.end(),
                                    [](const PlotCommand& c) { return numberOf(c) == -2; });
    EXPECT_EQ(found.index(), static_cast<std::size_t>(at + 1));

    while (!list.empty()) list.pop_back();
    EXPECT_EQ(list.begin(), list.end());
    list.push_back(numbered(7));  // usable again after emptying
    EXPECT_EQ(numberOf(list.back()), 7);
}

INSTANTIATE_TEST_SUITE_P(BlockEdges, CommandListSizes,
                         ::testing::Values(0, 1, 1023, 1024, 1025, 2048, 3001));

TEST(CommandList, MovingHandsOverEveryCommand) {
    CommandList list;
    for (int i = 0; i < 1500; ++i) list.push_back(numbered(i));
    CommandList other(std::move(list));
    EXPECT_TRUE(list.empty());  // NOLINT(bugprone-use-after-move)
    ASSERT_EQ(other.size(), 1500u);
    EXPECT_EQ(numberOf(other[1499]), 1499);
    list = std::move(other);
    EXPECT_EQ(list.size(), 1500u);
    list.clear();
    EXPECT_TRUE(list.empty());
}

// The texts and points of a list live in its arena: whatever way a command
// enters or leaves a list, what it holds must outlive the list it came
// from, and nothing may leak (the sanitized build checks both).
std::string writtenList(const CommandList& list) {
    MemoryOutput out;
    for (const PlotCommand& c : list) writeCommand(out, c);
    return out.str();
}

const char* const kKinds[] = {"SP1;", "PD1,2,3,4,5,6;", "PU7,8;", "PR;", ";", "LT;", "IN;",
                              "LBtext\x03;"};

TEST(CommandListStorage, CommandsOutliveTheListTheyCameFrom) {
    std::string all;
    for (const char* text : kKinds) all += text;

    CommandList taken;
    std::vector<PlotCommand> outside;
    {
        test::ReadResult source;
        test::readInto(source, all);
        ASSERT_EQ(source.drawing.commands.size(), std::size(kKinds));
        // Into another list by push_back, and out of the list by moving.
        for (PlotCommand& c : source.drawing.commands) taken.push_back(std::move(c));
        test::ReadResult again;
        test::readInto(again, all);
        for (PlotCommand& c : again.drawing.commands) outside.push_back(std::move(c));
    }
    EXPECT_EQ(writtenList(taken), all);
    std::string fromOutside;
    for (const PlotCommand& c : outside) fromOutside += test::writtenCommand(c);
    EXPECT_EQ(fromOutside, all);
}

TEST(CommandListStorage, CommandsChangedInPlaceAreReleasedWithTheList) {
    std::string all;
    for (const char* text : kKinds) all += text;
    test::ReadResult r;
    test::readInto(r, all);
    CommandList& list = r.drawing.commands;
    // Each way of giving a list's command storage of its own.
    list[0] = PlotCommand("PD9,9,8,8;");
    list[1].assign(makeMnemonic('S', 'P'), "2");
    MemoryInput in("LBnew\x03;");
    readPlotCommand(in, list[2]);
    list[3].clear();
    std::swap(list[7], list[4]);  // through a command of its own
    EXPECT_EQ(writtenList(list), "PD9,9,8,8;SP2;LBnew\x03;LBtext\x03;LT;IN;;");
    PlotCommand made("PA1,1,2,2;");
    list.insert(1, &made, 1);
    EXPECT_EQ(writtenList(list), "PD9,9,8,8;PA1,1,2,2;SP2;LBnew\x03;LBtext\x03;LT;IN;;");
    list.clear();
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace kerfline
