// Saving beside and then replacing: the new bytes arrive whole, or the old
// file stays as it was, and no temporary file is ever left behind.
#include "io/safe_save.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support.h"

namespace kerfline {
namespace {

using clitest::readBytes;
using clitest::ScratchDir;
using clitest::writeBytes;

ContentWriter writing(std::string text) {
    return [text](OutputStream& out) { out.write(text); };
}

TEST(SaveReplacing, CreatesANewFileWithLineFeedsAsCrLf) {
    ScratchDir dir;
    const auto target = dir / "new.plt";
    ASSERT_TRUE(saveReplacing(target.c_str(), writing("IN;\nLBa\nb\x03;")));
    EXPECT_EQ(readBytes(target), "IN;\r\nLBa\r\nb\x03;");
    EXPECT_EQ(dir.names(), (std::set<std::string>{"new.plt"}));
}

TEST(SaveReplacing, ReplacesAnExistingFileWhollyAndKeepsItsPermissions) {
    ScratchDir dir;
    const auto target = dir / "old.plt";
    writeBytes(target, std::string(100000, 'x'));  // longer than the new content
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_TRUE(saveReplacing(target.c_str(), writing("PU0,0;")));
    EXPECT_EQ(readBytes(target), "PU0,0;");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.names(), (std::set<std::string>{"old.plt"}));
}

TEST(SaveReplacing, ANewFileGetsTheUsualPermissions) {
    ScratchDir dir;
    const auto target = dir / "fresh.plt";
    const mode_t mask = ::umask(022);
    const bool saved = saveReplacing(target.c_str(), writing("IN;"));
    ::umask(mask);
    ASSERT_TRUE(saved);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u) << "not the private mode of a temporary file";
}

TEST(SaveReplacing, ContentLargerThanTheStreamBufferArrivesWhole) {
    ScratchDir dir;
    const auto target = dir / "big.plt";
    std::string content;
    for (int i = 0; content.size() < 300000; ++i) content += "PD" + std::to_string(i) + ",1;\n";
    std::string expected;
    for (char c : content) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_TRUE(saveReplacing(target.c_str(), writing(content)));
    EXPECT_EQ(readBytes(target), expected);
}

struct UnwritableCase {
    const char* label;
    // Makes the target unwritable in `dir` and returns its path.
    std::filesystem::path (*prepare)(const ScratchDir& dir);
};

class SaveReplacingFailure : public ::testing::TestWithParam<UnwritableCase> {};

TEST_P(SaveReplacingFailure, FailsAndLeavesTheFolderAsItWas) {
    ScratchDir dir;
    writeBytes(dir / "keep.plt", "IN;");
    const auto target = GetParam().prepare(dir);
    const auto before = dir.names();
    EXPECT_FALSE(saveReplacing(target.c_str(), writing("PU0,0;")));
    EXPECT_EQ(dir.names(), before);
    EXPECT_EQ(readBytes(dir / "keep.plt"), "IN;");
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SaveReplacingFailure,
    ::testing::Values(UnwritableCase{"missing folder",
                                     [](const ScratchDir& dir) {
                                         return dir / "absent" / "out.plt";
                                     }},
                      UnwritableCase{"target is a folder",
                                     [](const ScratchDir& dir) {
                                         std::filesystem::create_directory(dir / "folder.plt");
                                         writeBytes(dir / "folder.plt" / "inside", "x");
                                         return dir / "folder.plt";
                                     }},
                      UnwritableCase{"path ends in a separator",
                                     [](const ScratchDir& dir) { return dir.path() / "sub" / ""; }},
                      // Renaming over it would leave a plain file in its place, as it would
                      // over a device such as /dev/null.
                      UnwritableCase{"target is a fifo",
                                     [](const ScratchDir& dir) {
                                         EXPECT_EQ(::mkfifo((dir / "fifo.plt").c_str(), 0644), 0);
                                         return dir / "fifo.plt";
                                     }}),
    [](const auto& p) {
        std::string name = p.param.label;
        for (char& c : name)
            if (c == ' ') c = '_';
        return name;
    });

// Runs `body` in a child process, so that what it changes (a limit, a
// signal's end) stays there, and gives its wait status.
int inChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(body());
    int status = -1;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    return status;
}

// Whatever ends the save, the old file stays and no temporary is left.
void expectUntouched(const ScratchDir& dir, const std::string& old) {
    EXPECT_EQ(readBytes(dir / "old.plt"), old);
    EXPECT_EQ(dir.names(), (std::set<std::string>{"old.plt"}));
}

// The system itself refuses the bytes, as on a full disk: a file size limit
// makes the write fail with EFBIG.
TEST(SaveReplacing, AWriteTheSystemRefusesKeepsTheOldFileAndNoTemporary) {
    ScratchDir dir;
    writeBytes(dir / "old.plt", "IN;PU0,0;");
    const int status = inChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return saveReplacing((dir / "old.plt").c_str(), writing(std::string(100000, 'x'))) ? 1 : 0;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save was reported as done";
    expectUntouched(dir, "IN;PU0,0;");
}

// Ended mid-save by a signal: the temporary file goes with the program,
// which still dies of the signal.
TEST(SaveReplacing, ASignalMidSaveRemovesTheTemporaryAndStillEndsTheProgram) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ScratchDir dir;
        writeBytes(dir / "old.plt", "IN;");
        const int status = inChild([&] {
            saveReplacing((dir / "old.plt").c_str(), [signal](OutputStream& out) {
                out.write(std::string(200000, 'x'));  // some of it already on its way
                out.flush();
                ::raise(signal);
            });
            return 0;
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
        expectUntouched(dir, "IN;");
    }
}

TEST(SaveReplacing, ALinkIsSavedThroughAndStays) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "real");
    writeBytes(dir / "real" / "target.plt", "old");
    std::filesystem::create_symlink("real/target.plt", dir / "link.plt");
    std::filesystem::create_symlink("link.plt", dir / "chain.plt");
    ASSERT_TRUE(saveReplacing((dir / "chain.plt").c_str(), writing("PU0,0;")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.plt"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "chain.plt"));
    EXPECT_EQ(readBytes(dir / "real" / "target.plt"), "PU0,0;");
    // A link to nowhere names the file to make.
    std::filesystem::create_symlink("real/new.plt", dir / "dangling.plt");
    ASSERT_TRUE(saveReplacing((dir / "dangling.plt").c_str(), writing("IN;")));
    EXPECT_EQ(readBytes(dir / "real" / "new.plt"), "IN;");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling.plt"));
}

TEST(SaveReplacing, NamesAsLongAsTheSystemAllowsAreSaved) {
    for (const std::size_t length : {245u, 250u, 255u}) {
        ScratchDir dir;
        const auto target = dir / (std::string(length - 4, 'n') + ".plt");
        writeBytes(target, "old");
        EXPECT_TRUE(saveReplacing(target.c_str(), writing("IN;"))) << length;
        EXPECT_EQ(readBytes(target), "IN;");
        EXPECT_EQ(dir.names().size(), 1u);
    }
}

TEST(SaveReplacing, AnEmptyNameIsRefused) {
    EXPECT_FALSE(saveReplacing("", writing("IN;")));
    EXPECT_FALSE(saveReplacing(nullptr, writing("IN;")));
}

TEST(SaveReplacing, AReadOnlyFileIsNotReplaced) {
    // Also as the superuser, whom the permission check would let through.
    ScratchDir dir;
    const auto target = dir / "locked.plt";
    writeBytes(target, "IN;");
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    EXPECT_FALSE(saveReplacing(target.c_str(), writing("PU0,0;")));
    EXPECT_EQ(readBytes(target), "IN;");
    EXPECT_EQ(dir.names(), (std::set<std::string>{"locked.plt"}));
}

TEST(SaveReplacing, AWriterThatThrowsLeavesTheOldFileAndNoTemporary) {
    ScratchDir dir;
    const auto target = dir / "old.plt";
    writeBytes(target, "IN;PU0,0;");
    EXPECT_THROW(saveReplacing(target.c_str(),
                               [](OutputStream& out) {
                                   out.write("half");
                                   throw std::bad_alloc();
                               }),
                 std::bad_alloc);
    EXPECT_EQ(readBytes(target), "IN;PU0,0;");
    EXPECT_EQ(dir.names(), (std::set<std::string>{"old.plt"}));
}

TEST(SaveReplacing, ANameThatIsTooLongFailsCleanly) {
    ScratchDir dir;
    const auto target = dir / std::string(300, 'n');
    EXPECT_FALSE(saveReplacing(target.c_str(), writing("IN;")));
    EXPECT_TRUE(dir.names().empty());
}

}  // namespace
}  // namespace kerfline
