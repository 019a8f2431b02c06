// Helpers shared by the kerfline-cli tests: scratch folders and whole-file
// reads and writes.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <string_view>

#include "tests/common/files.h"

namespace kerfline::clitest {

// A fresh, empty folder for one test, removed again when the test ends.
class ScratchDir {
public:
    ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir();

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
    // The names in the folder, to check that nothing was left behind.
    std::set<std::string> names() const;

private:
    std::filesystem::path path_;
};

using test::corpusDir;
using test::readBytes;
using test::writeBytes;

}  // namespace kerfline::clitest
