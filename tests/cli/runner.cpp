#include "runner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "support.h"

extern char** environ;

namespace kerfline::clitest {

namespace {

// A capture file for one run, apart from the tests' folders so that a test
// which checks "nothing was left behind" sees only what the program made.
class CaptureFile {
public:
    CaptureFile() {
        path_ = (std::filesystem::temp_directory_path() / "kerfline-cli-capture-XXXXXX").string();
        const int fd = ::mkstemp(path_.data());
        if (fd < 0)
            path_.clear();
        else
            ::close(fd);
    }
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;
    ~CaptureFile() {
        if (!path_.empty()) std::remove(path_.c_str());
    }
    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

CliRun runCli(const std::vector<std::string>& args, const std::string& stdoutPath) {
    CliRun result;
    const CaptureFile outCapture;
    const CaptureFile errCapture;
    if (!outCapture.ok() || !errCapture.ok()) {
        ADD_FAILURE() << "cannot create capture files";
        return result;
    }
    const std::string& outPath = outCapture.path();
    const std::string& errPath = errCapture.path();
    const std::string& target = stdoutPath.empty() ? outPath : stdoutPath;

    std::vector<char*> argv;
    std::string program = KERF_CLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies(args);
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (stdoutPath == kClosed) {
        posix_spawn_file_actions_addclose(&actions, 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, target.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
    }
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << program << ": error " << spawned;
        return result;
    }
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(wstatus))
        result.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus))
        result.status = 1000 + WTERMSIG(wstatus);
    if (stdoutPath.empty()) result.out = readBytes(outPath);
    result.err = readBytes(errPath);
    return result;
}

}  // namespace kerfline::clitest
