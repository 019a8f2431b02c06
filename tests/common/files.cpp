#include "tests/common/files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace kerfline::test {

std::filesystem::path corpusDir() {
    std::filesystem::path dir = KERF_CORPUS_DIR;
    if (const char* env = std::getenv("KERF_CORPUS_DIR")) dir = env;
    std::error_code error;
    return std::filesystem::is_directory(dir, error) ? dir : std::filesystem::path();
}

std::filesystem::path corpusFile(const std::string& name) {
    const std::filesystem::path dir = corpusDir();
    return dir.empty() ? std::filesystem::path() : dir / name;
}

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "cannot read " << path.string();
        return "<unreadable>";
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    ASSERT_FALSE(out.fail()) << path.string();
}

ScratchDir::ScratchDir(const std::filesystem::path& parent) {
    // Unique across the test programs that run at once, and within one.
    static const unsigned run = std::random_device{}();
    static std::atomic<unsigned> counter{0};
    std::string name = "kerfline-test-" + std::to_string(run) + "-" + std::to_string(counter++);
    if (const ::testing::TestInfo* current =
            ::testing::UnitTest::GetInstance()->current_test_info()) {
        name += '-';
        for (const char c : std::string_view(current->name()))
            name += (c == '/' || c == '\\') ? '_' : c;
    }
    path_ = (parent.empty() ? std::filesystem::temp_directory_path() : parent) / name;
    std::error_code error;
    std::filesystem::remove_all(path_, error);
    if (!std::filesystem::create_directories(path_, error))
        ADD_FAILURE() << "cannot create " << path_.string() << ": " << error.message();
}

ScratchDir::~ScratchDir() {
    std::error_code error;
    // A test may have made something read-only, which would stop its removal.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    for (auto it = std::filesystem::recursive_directory_iterator(path_, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        std::error_code ignored;
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    error.clear();
    std::filesystem::remove_all(path_, error);
    if (error) ADD_FAILURE() << "cannot remove " << path_.string() << ": " << error.message();
}

ScratchDir::Names ScratchDir::names() const {
    Names result;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path_, error))
        result.insert(entry.path().filename().native());
    return result;
}

}  // namespace kerfline::test
