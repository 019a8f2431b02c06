// Files for every test suite: a scratch folder per test, whole-file reads
// and writes, and the shared corpus.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <string_view>

namespace kerfline::test {

// The shared HP-GL corpus beside the repository (or KERF_CORPUS_DIR when
// set); empty when it is absent, and the tests that need it skip.
std::filesystem::path corpusDir();
// A file of that corpus; empty when the corpus is absent.
std::filesystem::path corpusFile(const std::string& name);

// The whole file; fails the current test when it cannot be read.
std::string readBytes(const std::filesystem::path& path);
// Fails the current test when the file cannot be written whole.
void writeBytes(const std::filesystem::path& path, std::string_view bytes);

// A fresh, empty folder for one test, in the temporary folder or in
// `parent`, removed with all it holds when the test ends, also when it fails
// (files a test made read-only included).
class ScratchDir {
public:
    using Names = std::set<std::filesystem::path::string_type>;

    explicit ScratchDir(const std::filesystem::path& parent = {});
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir();

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }
    // The names in the folder, to check that nothing was left behind.
    Names names() const;

private:
    std::filesystem::path path_;
};

}  // namespace kerfline::test
