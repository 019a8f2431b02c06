#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace kerfline::test {

namespace {
// Every run starts the way the program does: with the table sorted.
class SortedTableEnvironment : public ::testing::Environment {
public:
    void SetUp() override { sortMnemonicTable(); }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new SortedTableEnvironment);
}  // namespace

std::filesystem::path scratchDir() {
    static const std::filesystem::path dir = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("kerfline-tests-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                     "-" + std::to_string(reinterpret_cast<std::uintptr_t>(&environment) & 0xFFFF));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        return path;
    }();
    return dir;
}

}  // namespace kerfline::test
