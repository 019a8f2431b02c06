// Code page 1251 to UTF-8, UTF-8 checking and file names from paths.
#include "cli/text.h"

#include <gtest/gtest.h>

namespace kerfline::cli {
namespace {

struct CodePointCase {
    unsigned char byte;
    char32_t expected;
};

class Cp1251Test : public ::testing::TestWithParam<CodePointCase> {};

TEST_P(Cp1251Test, MapsTheByteToItsCharacter) {
    EXPECT_EQ(static_cast<std::uint32_t>(cp1251CodePoint(GetParam().byte)),
              static_cast<std::uint32_t>(GetParam().expected))
        << std::hex << int{GetParam().byte};
}

// Bytes of every kind: the ends of each run and the irregular ones.
INSTANTIATE_TEST_SUITE_P(Table, Cp1251Test,
                         ::testing::Values(CodePointCase{0x00, 0x0000}, CodePointCase{0x41, 0x0041},
                                           CodePointCase{0x7F, 0x007F}, CodePointCase{0x80, 0x0402},
                                           CodePointCase{0x82, 0x201A}, CodePointCase{0x88, 0x20AC},
                                           CodePointCase{0x8F, 0x040F}, CodePointCase{0x96, 0x2013},
                                           CodePointCase{0x98, 0x0098}, CodePointCase{0x99, 0x2122},
                                           CodePointCase{0x9F, 0x045F}, CodePointCase{0xA0, 0x00A0},
                                           CodePointCase{0xA5, 0x0490}, CodePointCase{0xA8, 0x0401},
                                           CodePointCase{0xAD, 0x00AD}, CodePointCase{0xB2, 0x0406},
                                           CodePointCase{0xB4, 0x0491}, CodePointCase{0xB8, 0x0451},
                                           CodePointCase{0xB9, 0x2116}, CodePointCase{0xBF, 0x0457},
                                           CodePointCase{0xC0, 0x0410}, CodePointCase{0xDF, 0x042F},
                                           CodePointCase{0xE0, 0x0430}, CodePointCase{0xEC, 0x043C},
                                           CodePointCase{0xFF, 0x044F}));

TEST(Cp1251ToUtf8, ConvertsTheCoreTexts) {
    EXPECT_EQ(cp1251ToUtf8("297x210 \xEC\xEC"), "297x210 \xD0\xBC\xD0\xBC");
    EXPECT_EQ(cp1251ToUtf8("(10 \xEC\xEC,-2 \xEC\xEC)"),
              "(10 \xD0\xBC\xD0\xBC,-2 \xD0\xBC\xD0\xBC)");
    EXPECT_EQ(cp1251ToUtf8(""), "");
    EXPECT_EQ(cp1251ToUtf8(std::string_view("a\0b", 3)), std::string_view("a\0b", 3));
    // One, two and three byte forms in one text: A, Ж, €.
    EXPECT_EQ(cp1251ToUtf8("A\xC6\x88"), "A\xD0\x96\xE2\x82\xAC");
}

TEST(Cp1251ToUtf8, EveryByteBecomesOneWellFormedCharacter) {
    // Each byte alone gives valid UTF-8 that decodes to cp1251CodePoint, and
    // no two bytes give the same character.
    std::set<std::string> seen;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const std::string utf8 = cp1251ToUtf8(std::string_view(&byte, 1));
        ASSERT_TRUE(isUtf8(utf8)) << b;
        const char32_t c = cp1251CodePoint(static_cast<unsigned char>(b));
        const std::size_t expectedLength = c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        EXPECT_EQ(utf8.size(), expectedLength) << b;
        EXPECT_TRUE(seen.insert(utf8).second) << "byte " << b << " shares its character";
    }
}

struct Utf8Case {
    std::string_view text;
    bool valid;
};

class IsUtf8Test : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(IsUtf8Test, JudgesWellFormedness) { EXPECT_EQ(isUtf8(GetParam().text), GetParam().valid); }

INSTANTIATE_TEST_SUITE_P(Forms, IsUtf8Test,
                         ::testing::Values(Utf8Case{"", true}, Utf8Case{"plain.plt", true},
                                           Utf8Case{"\xD0\xBC\xD0\xBC", true},  // мм
                                           Utf8Case{"\xE2\x82\xAC", true},      // €
                                           Utf8Case{"\xF0\x9F\x98\x80", true},  // U+1F600
                                           Utf8Case{"\xF4\x8F\xBF\xBF", true},  // U+10FFFF
                                           Utf8Case{"\xEC\xEC", false},  // мм in code page 1251
                                           Utf8Case{"\xD0", false},      // cut short
                                           Utf8Case{"\xE2\x82", false},  // cut short
                                           Utf8Case{"\x80", false},      // lone continuation
                                           Utf8Case{"\xC0\xAF", false},  // overlong '/'
                                           Utf8Case{"\xE0\x80\xAF", false},      // overlong '/'
                                           Utf8Case{"\xED\xA0\x80", false},      // surrogate
                                           Utf8Case{"\xF4\x90\x80\x80", false},  // above U+10FFFF
                                           Utf8Case{"\xF8\x88\x80\x80\x80", false}));  // five bytes

struct NameCase {
    std::string_view path;
    std::string_view name;
};

class FileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNameTest, DropsTheFolderAndDrive) {
    EXPECT_EQ(fileNameOf(GetParam().path), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileNameTest,
    ::testing::Values(NameCase{"a.plt", "a.plt"}, NameCase{"dir/a.plt", "a.plt"},
                      NameCase{"/x/y/a.plt", "a.plt"}, NameCase{"C:\\plots\\a.plt", "a.plt"},
                      NameCase{"C:a.plt", "a.plt"}, NameCase{"c:/plots/a.plt", "a.plt"},
                      NameCase{"dir\\sub/a.plt", "a.plt"}, NameCase{"dir/sub\\a.plt", "a.plt"},
                      NameCase{"\\\\server\\share\\a.plt", "a.plt"}, NameCase{"dir/", ""},
                      NameCase{"", ""}, NameCase{"C:", ""}, NameCase{"1:a.plt", "1:a.plt"},
                      NameCase{"ab:c.plt", "ab:c.plt"}, NameCase{"\xEF\xF0.plt", "\xEF\xF0.plt"}));

#ifndef _WIN32
TEST(NameToUtf8, KeepsUtf8NamesAndReadsOthersAsCp1251) {
    EXPECT_EQ(nameToUtf8("plain.plt"), "plain.plt");
    EXPECT_EQ(nameToUtf8("\xD0\xBF.plt"), "\xD0\xBF.plt");  // п, already UTF-8
    EXPECT_EQ(nameToUtf8("\xEF.plt"), "\xD0\xBF.plt");      // п in code page 1251
}
#endif

}  // namespace
}  // namespace kerfline::cli
