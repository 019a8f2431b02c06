#include "support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <system_error>

#include <unistd.h>

namespace kerfline::clitest {

ScratchDir::ScratchDir() {
    static std::atomic<unsigned> counter{0};
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "kerfline-cli-test-" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter++);
    if (test) name += std::string("-") + test->name();
    for (char& c : name)
        if (c == '/') c = '_';
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    // A test may have made something read-only; make it removable again.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::set<std::string> ScratchDir::names() const {
    std::set<std::string> result;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        result.insert(entry.path().filename().string());
    return result;
}

}  // namespace kerfline::clitest
