// Whole-file reads and writes and the shared corpus, for every test suite
// that works with files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kerfline::test {

// The shared HP-GL corpus beside the repository (or KERF_CORPUS_DIR when
// set); empty when it is absent, and the tests that need it skip.
std::filesystem::path corpusDir();

std::string readBytes(const std::filesystem::path& path);
// Fails the current test when the file cannot be written whole.
void writeBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kerfline::test
