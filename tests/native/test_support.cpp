#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace kerfline::test {

namespace {
// Every run starts the way the program does: with the table sorted.
class SortedTableEnvironment : public ::testing::Environment {
public:
    void SetUp() override { sortMnemonicTable(); }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new SortedTableEnvironment);
}  // namespace

std::filesystem::path corpusDir() {
    std::filesystem::path dir;
    if (const char* env = std::getenv("KERF_CORPUS_DIR"))
        dir = env;
    else
        dir = KERF_CORPUS_DIR;
    std::error_code error;
    return std::filesystem::is_directory(dir, error) ? dir : std::filesystem::path();
}

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

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace kerfline::test
