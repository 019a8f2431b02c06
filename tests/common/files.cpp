#include "tests/common/files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace kerfline::test {

std::filesystem::path corpusDir() {
    std::filesystem::path dir = KERF_CORPUS_DIR;
    if (const char* env = std::getenv("KERF_CORPUS_DIR")) dir = env;
    std::error_code error;
    return std::filesystem::is_directory(dir, error) ? dir : std::filesystem::path();
}

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    ASSERT_FALSE(out.fail()) << path;
}

}  // namespace kerfline::test
