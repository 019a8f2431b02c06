// Helpers shared by the kerfline-cli tests: scratch folders and whole-file
// reads and writes.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <string_view>

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

std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, std::string_view bytes);

// The shared HP-GL corpus beside the repository; empty when it is absent.
std::filesystem::path corpusDir();

}  // namespace kerfline::clitest
