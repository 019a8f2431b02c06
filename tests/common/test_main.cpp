// The main function of every test program: the mnemonic table sorted first,
// as the program does at start, then every test.
#include <gtest/gtest.h>

#include "hpgl/mnemonics.h"

int main(int argc, char** argv) {
    kerfline::sortMnemonicTable();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
