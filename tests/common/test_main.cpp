// The main function of every test program: the mnemonic table sorted first,
// as the program does at start, then every test.
//
// When KERF_TEST_TALLY names a file, the program adds one line to it at the
// end: how many tests passed, failed and were skipped. A program that runs
// many tests as one CTest test is then still counted test by test.
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "hpgl/mnemonics.h"

int main(int argc, char** argv) {
    kerfline::sortMnemonicTable();
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    if (const char* tally = std::getenv("KERF_TEST_TALLY"); tally != nullptr && *tally != '\0') {
        // One short line, written whole on close, so that programs running
        // side by side do not mix their lines.
        if (std::FILE* file = std::fopen(tally, "a")) {
            const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
            std::fprintf(file, "%d %d %d\n", run.successful_test_count(), run.failed_test_count(),
                         run.skipped_test_count());
            std::fclose(file);
        }
    }
    return status;
}
