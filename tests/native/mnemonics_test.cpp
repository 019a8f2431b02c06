#include <gtest/gtest.h>

#include <string>

#include "hpgl/mnemonics.h"

namespace kerfline {
namespace {

std::string name(MnemonicCode code) {
    return {static_cast<char>(code & 0xFF), static_cast<char>(code >> 8)};
}

TEST(Mnemonics, CodesPutTheFirstCharacterInTheLowByte) {
    EXPECT_EQ(mnemonic::IN, 20041);
    EXPECT_EQ(mnemonic::PA, 16720);
    EXPECT_EQ(mnemonic::PD, 17488);
    EXPECT_EQ(mnemonic::PR, 21072);
    EXPECT_EQ(mnemonic::PU, 21840);
    EXPECT_EQ(makeMnemonic('A', 'P'), 20545);
}

TEST(Mnemonics, SortOrdersByTheSecondCharacterFirst) {
    sortMnemonicTable();
    const char* const expected =
        "AA CA EA OA PA RA SA LB OC SC UC PD OE DF OF WG OH CI DI OI SI SL TL IM SM "
        "IN OO CP IP OP AR DR ER PR RR SR CS OS SS VS DT FT LT PT XT YT PU EW IW OW";
    std::string sorted;
    for (const MnemonicEntry& row : MnemonicTable) {
        if (!sorted.empty()) sorted += ' ';
        sorted += name(row.code);
    }
    EXPECT_EQ(sorted, expected);
    EXPECT_EQ(MnemonicTable[4].code, mnemonic::PA);
    EXPECT_EQ(MnemonicTable[11].code, mnemonic::PD);
    EXPECT_EQ(MnemonicTable[25].code, mnemonic::IN);
    EXPECT_EQ(MnemonicTable[33].code, mnemonic::PR);
    EXPECT_EQ(MnemonicTable[46].code, mnemonic::PU);

    // Sorting again (a second start-up path) changes nothing.
    sortMnemonicTable();
    std::string again;
    for (const MnemonicEntry& row : MnemonicTable) again += name(row.code);
    std::string compact = sorted;
    std::erase(compact, ' ');
    EXPECT_EQ(again, compact);
}

TEST(Mnemonics, EveryRowIsFoundAndOnlyTheFiveAreDrawable) {
    int drawable = 0;
    for (const MnemonicEntry& row : MnemonicTable) {
        const MnemonicEntry* found = findMnemonic(row.code);
        ASSERT_NE(found, nullptr) << name(row.code);
        EXPECT_EQ(found, &row);
        drawable += found->drawable;
    }
    EXPECT_EQ(drawable, 5);
    for (MnemonicCode code : {mnemonic::IN, mnemonic::PA, mnemonic::PD, mnemonic::PR, mnemonic::PU})
        EXPECT_EQ(findMnemonic(code)->drawable, 1) << name(code);
}

TEST(Mnemonics, OnlyExactCodesAreKnown) {
    struct Case {
        unsigned char first, second;
    };
    // Lower case, reversed, blank-padded, a common unknown (SP), the extremes.
    const Case unknown[] = {{'p', 'u'}, {'p', 'a'}, {'A', 'P'}, {'P', ' '}, {'S', 'P'},
                            {0, 0},     {255, 255}, {'P', 'a'}, {'p', 'A'}, {'O', 'X'}};
    for (const Case& c : unknown)
        EXPECT_EQ(findMnemonic(makeMnemonic(c.first, c.second)), nullptr) << c.first << c.second;
    EXPECT_EQ(compareMnemonics(1, 2), -1);
    EXPECT_EQ(compareMnemonics(0xFFFF, 1), 1);  // unsigned: 0xFFFF is the largest
    EXPECT_EQ(compareMnemonics(7, 7), 0);
}

}  // namespace
}  // namespace kerfline
