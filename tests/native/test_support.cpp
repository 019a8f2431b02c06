#include "test_support.h"

#include <gtest/gtest.h>

namespace kerfline::test {

namespace {
// Every run starts the way the program does: with the table sorted.
class SortedTableEnvironment : public ::testing::Environment {
public:
    void SetUp() override { sortMnemonicTable(); }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new SortedTableEnvironment);
}  // namespace

}  // namespace kerfline::test
