// Standard output carries a drawing with exactly the bytes of a saved file.
#include "cli/console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "support.h"

namespace kerfline::cli {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string throughStandardOutput(const std::string& content) {
    File file(std::tmpfile());
    EXPECT_TRUE(file);
    if (!file) return {};
    StandardOutput out(file.get());
    out.write(content);
    EXPECT_TRUE(out.finish());
    std::rewind(file.get());
    std::string bytes;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.append(chunk, got);
    return bytes;
}

std::string throughFileOutput(const std::string& content) {
    clitest::ScratchDir dir;
    const auto path = dir / "saved.plt";
    FileOutput out(path.c_str());
    out.write(content);
    EXPECT_TRUE(out.close());
    return clitest::readBytes(path);
}

std::string withLineFeedsAt(std::size_t size, std::initializer_list<std::size_t> positions) {
    std::string text(size, 'a');
    for (std::size_t p : positions) text[p] = '\n';
    return text;
}

class StandardOutputTest : public ::testing::TestWithParam<std::string> {};

TEST_P(StandardOutputTest, WritesTheSameBytesAsFileOutput) {
    const std::string& content = GetParam();
    const std::string bytes = throughStandardOutput(content);
    EXPECT_EQ(bytes, throughFileOutput(content));
    // And that is every LF as CR LF, nothing else changed.
    std::string expected;
    for (char c : content) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(bytes, expected);
}

constexpr std::size_t kBlock = 64 * 1024;  // the core stream's buffer

INSTANTIATE_TEST_SUITE_P(
    Contents, StandardOutputTest,
    ::testing::Values(std::string(), std::string("IN;PU0,0;"), std::string("\n"),
                      std::string("\n\n"), std::string("a\r\nb"), std::string("LBa\nb\x03;\n"),
                      std::string("x\0\ny", 4),
                      withLineFeedsAt(3 * kBlock + 7,
                                      {0, kBlock - 1, kBlock, 2 * kBlock - 1, 3 * kBlock + 6})));

TEST(StandardOutput, ReportsAStreamThatCannotBeWritten) {
    File full(std::fopen("/dev/full", "wb"));
    if (!full) GTEST_SKIP() << "no /dev/full here";
    StandardOutput out(full.get());
    out.write("IN;PU0,0;\n");
    EXPECT_FALSE(out.finish());
}

TEST(WriteText, WritesTheBytesToAFile) {
    File file(std::tmpfile());
    ASSERT_TRUE(file);
    ASSERT_TRUE(writeText(file.get(), "297x210 \xD0\xBC\xD0\xBC\n"));
    std::rewind(file.get());
    char buffer[64] = {};
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    EXPECT_EQ(std::string(buffer, got), "297x210 \xD0\xBC\xD0\xBC\n");
}

}  // namespace
}  // namespace kerfline::cli
