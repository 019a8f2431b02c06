// kerfline-cli.exe send under Wine, to the stand-in cutter (standin_cutter.py)
// on the Unix side: a pseudo-terminal that the stand-in links into the Wine
// prefix's dosdevices folder as a COM port, so that the program goes through
// the Win32 communications calls, or a socket of 127.0.0.1 for Winsock.
//
// The stand-in is a Unix program, which Wine starts but gives no handle of;
// it ends by itself after a minute at most, and speaks through files in a
// folder on drive Z:, whose Unix path is its Windows path without the drive.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "send_checks.h"
#include "tests/common/files.h"
#include "tests/common/wine_process.h"

namespace kerfline::clitest {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using sendtest::numberIn;
using test::readBytes;
using test::writeBytes;

// Z:\a\b as /a/b; empty for a path on another drive.
std::string unixPath(const fs::path& path) {
    std::string text = fs::absolute(path).string();
    if (text.size() < 2 || (text[0] != 'Z' && text[0] != 'z') || text[1] != ':') return {};
    text.erase(0, 2);
    for (char& c : text)
        if (c == '\\') c = '/';
    return text;
}

std::string quoted(const std::string& word) {
    return word.find_first_of(" \t\"") == std::string::npos ? word : "\"" + word + "\"";
}

bool waitFor(const fs::path& file, std::chrono::milliseconds limit) {
    for (auto waited = 0ms; waited < limit; waited += 20ms) {
        std::error_code error;
        if (fs::exists(file, error)) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// Starts a Unix program, which Wine runs without giving a handle back.
bool startUnix(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& arg : args) {
        if (!line.empty()) line += ' ';
        line += quoted(arg);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    return true;
}

// Ctrl-C reaches every process of our console: ours lets it pass.
BOOL WINAPI passOver(DWORD) { return TRUE; }

class WineSend : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A console of our own, which kerfline-cli.exe shares and which Ctrl-C
        // is generated in; our own output stays where it went. Once for the
        // program: each suite that derives from this one comes here again.
        static bool made = false;
        if (made) return;
        made = true;
        const HANDLE saved[3] = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                                 GetStdHandle(STD_ERROR_HANDLE)};
        FreeConsole();
        AllocConsole();
        SetStdHandle(STD_INPUT_HANDLE, saved[0]);
        SetStdHandle(STD_OUTPUT_HANDLE, saved[1]);
        SetStdHandle(STD_ERROR_HANDLE, saved[2]);
        SetConsoleCtrlHandler(passOver, TRUE);
    }

    void SetUp() override {
        char prefix[4096] = {};
        if (!GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix)) GTEST_SKIP() << "not under Wine";
        prefix_ = prefix;
        dir_ = std::make_unique<test::ScratchDir>(fs::current_path());
        if (unixPath(dir_->path()).empty()) GTEST_SKIP() << "the build folder is not on drive Z:";
        folder_ = dir_->path() / "cutter";
    }

    // The stand-in serving COM`port` (or a socket, with "--tcp").
    void startCutter(int port, std::vector<std::string> options) {
        fs::remove_all(folder_);
        fs::create_directory(folder_);
        std::vector<std::string> args{"Z:\\usr\\bin\\python3", KERF_STANDIN_CUTTER, unixPath(folder_)};
        if (port) {
            args.push_back("--pty");
            args.push_back(prefix_ + "/dosdevices/com" + std::to_string(port));
        }
        args.insert(args.end(), options.begin(), options.end());
        ASSERT_TRUE(startUnix(args)) << "error " << GetLastError();
        ASSERT_TRUE(waitFor(folder_ / "ready", 30s)) << "the stand-in cutter did not start";
    }

    void finishCutter() {
        writeBytes(folder_ / "finish", "");
        ASSERT_TRUE(waitFor(folder_ / "report.txt", 70s)) << "the stand-in cutter did not end";
        report_ = sendtest::reportOf(readBytes(folder_ / "report.txt"));
        received_ = readBytes(folder_ / "received.bin");
    }

    std::size_t progress() const {
        std::error_code error;
        if (!fs::exists(folder_ / "progress", error)) return 0;
        const std::string text = readBytes(folder_ / "progress");
        return text.empty() ? 0 : std::stoul(text);
    }

    struct Run {
        DWORD status = 0xFFFFFFFF;
        std::string err;
    };

    // kerfline-cli.exe with `args`, its standard error in a file; with
    // `stopAt`, Ctrl-C once the cutter has that many bytes.
    Run send(std::vector<std::string> args, std::size_t stopAt = 0) {
        Run run;
        const fs::path errPath = dir_->path() / "err.txt";
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0,
                                 nullptr);
        HANDLE none = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inheritable, OPEN_EXISTING, 0, nullptr);
        const std::string program = fs::absolute(KERF_CLI_PATH).string();
        std::string line = quoted(program) + " send";
        for (const std::string& arg : args) line += " " + quoted(arg);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = none;
        startup.hStdOutput = none;
        startup.hStdError = err;
        PROCESS_INFORMATION process{};
        const DWORD started = test::startRetryingWine([&] {
            process = {};
            return CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &process) != 0;
        });
        CloseHandle(err);
        CloseHandle(none);
        if (started != 0) {
            ADD_FAILURE() << "cannot start " << program << ": error " << started;
            return run;
        }
        if (stopAt) {
            for (auto waited = 0ms; progress() < stopAt && waited < 30s; waited += 10ms)
                std::this_thread::sleep_for(10ms);
            EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << "error " << GetLastError();
        }
        if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "kerfline-cli.exe did not end; ended by the test";
            TerminateProcess(process.hProcess, 999);
            WaitForSingleObject(process.hProcess, 5000);
        }
        GetExitCodeProcess(process.hProcess, &run.status);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        run.err = readBytes(errPath);
        return run;
    }

    std::string job(const std::string& text) {
        writeBytes(dir_->path() / "job.plt", text);
        return (dir_->path() / "job.plt").string();
    }

    double operator[](const std::string& key) const { return numberIn(report_, key); }

    std::string prefix_;
    std::unique_ptr<test::ScratchDir> dir_;
    fs::path folder_;
    std::map<std::string, std::string> report_;
    std::string received_;
};

struct FlowCase {
    std::string flow;
    int buffer;
    int baud;
};

class WineDelivery : public WineSend, public ::testing::WithParamInterface<FlowCase> {};

TEST_P(WineDelivery, EveryByteOnceNoneLostTheCutterKeptBusy) {
    const FlowCase& c = GetParam();
    const std::string text = sendtest::testJob(c.flow == "none" ? 8 : 20);
    static int next = 200;
    const int port = next++;
    startCutter(port, {"--mode", c.flow, "--buffer", std::to_string(c.buffer), "--drain",
                       std::to_string(c.baud / 15), "--factor", "1.02"});
    const Run run = send({job(text), "--port", "COM" + std::to_string(port), "--baud", std::to_string(c.baud),
                          "--flow", c.flow, "--buffer", std::to_string(c.buffer)});
    finishCutter();
    EXPECT_EQ(run.status, 0u) << run.err;
    EXPECT_EQ(received_, text);
    EXPECT_EQ((*this)["lost"], 0);
    EXPECT_EQ((*this)["baud"], c.baud);
    EXPECT_EQ((*this)["ixon"], c.flow == "xonxoff" ? 1 : 0);
    const double idle = (*this)["idle_s"], busy = (*this)["job_s"];
    std::printf("busy under Wine: --flow %s --buffer %d at %d baud: idle %.3f s of %.3f s (%.1f %%)\n",
                c.flow.c_str(), c.buffer, c.baud, idle, busy, 100 * idle / busy);
    EXPECT_LE(idle, 0.05 * busy);
}

INSTANTIATE_TEST_SUITE_P(
    Flows, WineDelivery,
    ::testing::Values(FlowCase{"xonxoff", 60, 19200}, FlowCase{"xonxoff", 256, 38400},
                      FlowCase{"xonxoff", 1024, 115200}, FlowCase{"esc-b", 60, 19200},
                      FlowCase{"esc-b", 256, 38400}, FlowCase{"esc-b", 1024, 115200},
                      FlowCase{"none", 60, 19200}, FlowCase{"none", 256, 38400}, FlowCase{"none", 1024, 115200}),
    [](const auto& p) { return p.param.flow.substr(0, 3) + "_" + std::to_string(p.param.buffer); });

TEST_F(WineSend, RtsCtsIsSetOnThePortAndASocketGetsTheJob) {
    const std::string text = sendtest::testJob(10);
    startCutter(230, {"--mode", "raw", "--buffer", "100000", "--drain", "100000"});
    Run run = send({job(text), "--port", "com230", "--baud", "57600", "--flow", "rtscts", "--quiet"});
    finishCutter();
    EXPECT_EQ(run.status, 0u) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(received_, text);
    EXPECT_EQ((*this)["crtscts"], 1);
    EXPECT_EQ((*this)["ixon"], 0);

    startCutter(0, {"--tcp"});
    std::string port = readBytes(folder_ / "ready");
    port.erase(port.find_last_not_of("\r\n") + 1);
    run = send({job(text), "--tcp", "127.0.0.1:" + port});
    finishCutter();
    EXPECT_EQ(run.status, 0u) << run.err;
    EXPECT_EQ(received_, text);
}

TEST_F(WineSend, CtrlCLiftsTheKnifeAndTheResumptionCutsEveryCutWholeAndOnce) {
    const std::string text = sendtest::testJob(500);
    const std::vector<std::string> options{"--mode", "xonxoff", "--buffer", "256", "--drain", "7000"};
    startCutter(231, options);
    const Run first = send({job(text), "--port", "COM231", "--baud", "115200"}, 8000);
    finishCutter();
    EXPECT_EQ(first.status, 1u) << first.err;
    std::size_t received = 0, count = 0, from = 0;
    const std::size_t at = first.err.find("stopped after instruction ");
    ASSERT_NE(at, std::string::npos) << first.err;
    ASSERT_EQ(std::sscanf(first.err.c_str() + at, "stopped after instruction %zu of %zu; resume with --from %zu",
                          &received, &count, &from),
              3);
    const std::string got = received_;
    ASSERT_GT(got.size(), 3u);
    EXPECT_EQ(got.substr(got.size() - 3), "PU;");
    EXPECT_EQ(text.substr(0, got.size() - 3), got.substr(0, got.size() - 3));
    EXPECT_EQ((*this)["lost"], 0);

    startCutter(232, options);
    const Run second =
        send({job(text), "--port", "COM232", "--baud", "115200", "--from", std::to_string(from), "--quiet"});
    finishCutter();
    EXPECT_EQ(second.status, 0u) << second.err;
    EXPECT_EQ(sendtest::checkResumed(text, got, received_), "");
}

TEST_F(WineSend, AStallIsSaidWithinTheTimeout) {
    const std::string text = sendtest::testJob(300);
    startCutter(233, {"--mode", "xonxoff", "--buffer", "256", "--drain", "5000", "--hold-after", "2000"});
    const auto started = std::chrono::steady_clock::now();
    const Run run = send({job(text), "--port", "COM233", "--baud", "115200", "--timeout", "1.5"});
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    finishCutter();
    EXPECT_EQ(run.status, 1u);
    EXPECT_NE(run.err.find("the cutter stopped taking data after "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" of " + std::to_string(text.size()) + " bytes"), std::string::npos) << run.err;
    EXPECT_LT(took, 30.0);
}

TEST_F(WineSend, PortsThatCannotBeUsedSayWhyAndSendNothing) {
    const std::string file = job("IN;PU0,0;PD10,10;");
    Run run = send({file, "--port", "COM249"});
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.err.rfind("Can't Open Port: COM249: not there (", 0), 0u) << run.err;

    // Not a serial port: a link to a plain file.
    writeBytes(dir_->path() / "plain", "unchanged");
    const std::string link = prefix_ + "/dosdevices/com235";
    ASSERT_TRUE(startUnix({"Z:\\bin\\ln", "-sfn", unixPath(dir_->path() / "plain"), link}));
    ASSERT_TRUE(waitFor("Z:" + link, 10s));
    run = send({file, "--port", "COM235"});
    startUnix({"Z:\\bin\\rm", "-f", link});
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.err.rfind("Can't Open Port: COM235: not a serial port", 0), 0u) << run.err;
    EXPECT_EQ(readBytes(dir_->path() / "plain"), "unchanged");

    // A folder.
    const std::string folderLink = prefix_ + "/dosdevices/com236";
    ASSERT_TRUE(startUnix({"Z:\\bin\\ln", "-sfn", unixPath(dir_->path()), folderLink}));
    ASSERT_TRUE(waitFor("Z:" + folderLink, 10s));
    run = send({file, "--port", "COM236"});
    startUnix({"Z:\\bin\\rm", "-f", folderLink});
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.err.rfind("Can't Open Port: COM236: a folder, not a serial port", 0), 0u) << run.err;

    run = send({file, "--port", "LPT1"});
    EXPECT_EQ(run.status, 2u) << run.err;
}

TEST_F(WineSend, ABusyPortSaysSoAndGetsNothing) {
    // Windows' serial driver lets one program at a time open a port; Wine
    // keeps no such count for a COM port that is a Unix device, and this
    // test process is the other program.
    const std::string file = job("IN;PU0,0;PD10,10;");
    startCutter(237, {"--mode", "raw", "--buffer", "100000", "--drain", "100000"});
    const HANDLE held = CreateFileA("\\\\.\\COM237", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    const HANDLE again = CreateFileA("\\\\.\\COM237", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     0, nullptr);
    if (again != INVALID_HANDLE_VALUE) {
        CloseHandle(again);
        CloseHandle(held);
        finishCutter();
        GTEST_SKIP() << "this Wine lets a COM port be opened twice";
    }
    const Run run = send({file, "--port", "COM237"});
    CloseHandle(held);
    finishCutter();
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.err.rfind("Can't Open Port: COM237: busy: another program has it open (", 0), 0u) << run.err;
    EXPECT_EQ(received_, "") << "nothing reached the busy port";
}

}  // namespace
}  // namespace kerfline::clitest
