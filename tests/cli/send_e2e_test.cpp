// kerfline-cli send against a stand-in cutter (standin_cutter.py) on the far
// end of a pseudo-terminal or on a socket of 127.0.0.1: every byte once for
// each flow control and buffer, the cutter kept busy, a stop and its
// resumption cutting every cut whole and once, a stall, and ports that
// cannot be used.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "runner.h"
#include "send_checks.h"
#include "support.h"

extern char** environ;

namespace kerfline::clitest {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using sendtest::numberIn;

// A child process, ended by us if it has not ended by itself.
class Child {
public:
    Child(std::vector<std::string> args, const fs::path& err = {}, const fs::path& in = {}) {
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, in.empty() ? "/dev/null" : in.c_str(), O_RDONLY, 0);
        if (!err.empty()) posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        // The stop signals as a terminal gives them, whatever the test runner
        // ignores: a program keeps an ignored signal ignored.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t stops;
        sigemptyset(&stops);
        for (const int number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, number);
        posix_spawnattr_setsigdefault(&attributes, &stops);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        if (posix_spawnp(&pid_, argv[0], &actions, &attributes, argv.data(), environ) != 0) pid_ = -1;
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_GT(pid_, 0) << "cannot start " << args[0];
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (pid_ > 0 && status_ < 0) {
            ::kill(pid_, SIGKILL);
            wait(5s);
        }
    }
    void signal(int number) const { ::kill(pid_, number); }
    // The exit status, or -1 when it has not ended within `limit`.
    int wait(std::chrono::milliseconds limit) {
        for (auto waited = 0ms; status_ < 0 && pid_ > 0 && waited < limit; waited += 20ms) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_)
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
            else
                std::this_thread::sleep_for(20ms);
        }
        return status_;
    }

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

bool waitFor(const fs::path& file, std::chrono::milliseconds limit) {
    for (auto waited = 0ms; waited < limit; waited += 20ms) {
        if (fs::exists(file)) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// The stand-in cutter in a folder of its own, serving a pseudo-terminal
// (whose far end is `port()`) or a socket.
class StandIn {
public:
    StandIn(const ScratchDir& dir, std::vector<std::string> options)
        : folder_(dir / "cutter"), port_(dir / "port") {
        fs::create_directory(folder_);
        std::vector<std::string> args{"python3", KERF_STANDIN_CUTTER, folder_.string()};
        if (std::find(options.begin(), options.end(), "--tcp") == options.end()) {
            args.push_back("--pty");
            args.push_back(port_.string());
        }
        args.insert(args.end(), options.begin(), options.end());
        child_ = std::make_unique<Child>(args, folder_ / "log");
        EXPECT_TRUE(waitFor(folder_ / "ready", 30s)) << "the stand-in cutter did not start";
    }
    std::string port() const { return port_.string(); }
    std::string tcpPort() const { return trimmed(readBytes(folder_ / "ready")); }
    std::size_t progress() const {
        const std::string text = fs::exists(folder_ / "progress") ? readBytes(folder_ / "progress") : "0";
        return text.empty() ? 0 : std::stoul(text);
    }
    // Lets it finish what is on its way, then reads its report.
    void finish() {
        writeBytes(folder_ / "finish", "");
        EXPECT_EQ(child_->wait(60s), 0) << readBytes(folder_ / "log");
        report_ = sendtest::reportOf(readBytes(folder_ / "report.txt"));
        received_ = readBytes(folder_ / "received.bin");
    }
    const std::string& received() const { return received_; }
    double operator[](const std::string& key) const { return numberIn(report_, key); }

private:
    static std::string trimmed(std::string text) {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        return text;
    }
    fs::path folder_, port_;
    std::unique_ptr<Child> child_;
    std::map<std::string, std::string> report_;
    std::string received_;
};

std::vector<std::string> cli(std::vector<std::string> args) {
    args.insert(args.begin(), KERF_CLI_PATH);
    return args;
}

// ---- every byte once, the cutter kept busy ------------------------------

struct FlowCase {
    std::string flow;
    int buffer;
    int baud;
};

class Delivery : public ::testing::TestWithParam<FlowCase> {};

TEST_P(Delivery, EveryByteOnceNoneLostTheCutterKeptBusy) {
    const FlowCase& c = GetParam();
    ScratchDir dir;
    const bool paced = c.flow == "none";
    const std::string job = sendtest::testJob(paced ? 8 : 20);
    writeBytes(dir / "job.plt", job);
    // Drained at two thirds of the line's rate; paced: executed 2 % faster
    // than the time model, as a real cutter may.
    const std::string drain = std::to_string(c.baud / 15);
    StandIn cutter(dir, {"--mode", c.flow, "--buffer", std::to_string(c.buffer), "--drain", drain, "--factor", "1.02"});
    const CliRun run = runCli({"send", (dir / "job.plt").string(), "--port", cutter.port(), "--baud",
                               std::to_string(c.baud), "--flow", c.flow, "--buffer", std::to_string(c.buffer)});
    cutter.finish();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(cutter.received(), job);
    EXPECT_EQ(cutter["lost"], 0);
    EXPECT_EQ(cutter["baud"], c.baud);
    EXPECT_EQ(cutter["ixon"], c.flow == "xonxoff" ? 1 : 0);
    EXPECT_EQ(cutter["cs8"] + cutter["parenb"] + cutter["cstopb"], 1) << "8N1";
    if (c.flow == "esc-b") {
        EXPECT_GT(cutter["questions"], 0);
    }
    // Not on a terminal: a line at tenths of the job, ending at 100 %.
    EXPECT_NE(run.err.find("sent 100%: "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\r'), std::string::npos);

    const double idle = cutter["idle_s"], busy = cutter["job_s"];
    std::printf("busy: --flow %s --buffer %d at %d baud: idle %.3f s of %.3f s (%.1f %%)\n", c.flow.c_str(),
                c.buffer, c.baud, idle, busy, 100 * idle / busy);
    ::testing::Test::RecordProperty("idle_per_cent", std::to_string(100 * idle / busy));
    EXPECT_LE(idle, 0.05 * busy);
}

INSTANTIATE_TEST_SUITE_P(
    Flows, Delivery,
    ::testing::Values(FlowCase{"xonxoff", 60, 9600}, FlowCase{"xonxoff", 256, 19200},
                      FlowCase{"xonxoff", 1024, 38400}, FlowCase{"esc-b", 60, 9600},
                      FlowCase{"esc-b", 256, 19200}, FlowCase{"esc-b", 1024, 38400},
                      FlowCase{"none", 60, 9600}, FlowCase{"none", 256, 19200}, FlowCase{"none", 1024, 38400}),
    [](const auto& p) { return p.param.flow.substr(0, 3) + "_" + std::to_string(p.param.buffer); });

TEST(Delivery, RtsCtsIsSetOnThePortAndStandardInputIsRead) {
    // A pseudo-terminal has no modem lines: the settings are what can be seen.
    ScratchDir dir;
    const std::string job = sendtest::testJob(10);
    writeBytes(dir / "job.plt", job);
    StandIn cutter(dir, {"--mode", "raw", "--buffer", "100000", "--drain", "100000"});
    Child sender(cli({"send", "-", "--port", cutter.port(), "--baud", "115200", "--flow", "rtscts", "--quiet"}),
                 dir / "err", dir / "job.plt");
    EXPECT_EQ(sender.wait(60s), 0) << readBytes(dir / "err");
    cutter.finish();
    EXPECT_EQ(cutter.received(), job);
    EXPECT_EQ(cutter["crtscts"], 1);
    EXPECT_EQ(cutter["ixon"], 0);
    EXPECT_EQ(readBytes(dir / "err"), "") << "--quiet";
}

TEST(Delivery, ASocketGetsTheJobByteForByte) {
    ScratchDir dir;
    const std::string job = sendtest::testJob(200);
    writeBytes(dir / "job.plt", job);
    StandIn cutter(dir, {"--tcp"});
    const CliRun run = runCli({"send", (dir / "job.plt").string(), "--tcp", "127.0.0.1:" + cutter.tcpPort()});
    cutter.finish();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(cutter.received(), job);
}

// ---- a stop, and going on --------------------------------------------------

struct StopCase {
    std::string flow;
    int signal;  // Ctrl-C, kill, a closed terminal
    std::string name;
};

class StopAndResume : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopAndResume, CutsEveryCutWholeAndOnce) {
    const std::string flow = GetParam().flow;
    ScratchDir dir;
    // More than a pseudo-terminal holds, so that the sender is still at it.
    const std::string job = sendtest::testJob(500);
    writeBytes(dir / "job.plt", job);
    const std::vector<std::string> cutterOptions{"--mode", flow, "--buffer", "256", "--drain", "7000"};
    const std::vector<std::string> send{"send", (dir / "job.plt").string(), "--baud", "115200", "--flow", flow};

    StandIn first(dir, cutterOptions);
    std::vector<std::string> args = cli(send);
    args.insert(args.end(), {"--port", first.port()});
    Child sender(args, dir / "err");
    for (auto waited = 0ms; first.progress() < 8000 && waited < 30s; waited += 10ms) std::this_thread::sleep_for(10ms);
    sender.signal(GetParam().signal);
    EXPECT_EQ(sender.wait(60s), 1);
    first.finish();
    const std::string err = readBytes(dir / "err");
    const std::size_t at = err.find("stopped after instruction ");
    ASSERT_NE(at, std::string::npos) << err;
    std::size_t received = 0, count = 0, from = 0;
    ASSERT_EQ(std::sscanf(err.c_str() + at, "stopped after instruction %zu of %zu; resume with --from %zu",
                          &received, &count, &from),
              3)
        << err;
    const std::string& got = first.received();
    EXPECT_EQ(got.substr(got.size() - 3), "PU;") << "the knife is lifted last";
    EXPECT_LT(got.size(), job.size());
    EXPECT_EQ(first["lost"], 0);
    // What came before the lift is the job up to the end of an instruction.
    EXPECT_EQ(job.substr(0, got.size() - 3), got.substr(0, got.size() - 3));
    EXPECT_EQ(std::count(got.begin(), got.end() - 3, ';'), static_cast<long>(received));
    EXPECT_EQ(got[got.size() - 4], ';');
    EXPECT_LE(from, received + 1);

    fs::remove_all(dir / "cutter");
    StandIn second(dir, cutterOptions);
    args = cli(send);
    args.insert(args.end(), {"--port", second.port(), "--from", std::to_string(from), "--quiet"});
    Child resumed(args, dir / "err2");
    EXPECT_EQ(resumed.wait(60s), 0) << readBytes(dir / "err2");
    second.finish();
    EXPECT_EQ(second["lost"], 0);
    EXPECT_EQ(sendtest::checkResumed(job, got, second.received()), "");
}

INSTANTIATE_TEST_SUITE_P(Flows, StopAndResume,
                         ::testing::Values(StopCase{"xonxoff", SIGINT, "xonxoff_int"},
                                           StopCase{"esc-b", SIGINT, "escb_int"},
                                           StopCase{"xonxoff", SIGTERM, "xonxoff_term"},
                                           StopCase{"esc-b", SIGHUP, "escb_hup"}),
                         [](const auto& p) { return p.param.name; });

// ---- a cutter that stops taking data ------------------------------------

TEST(Stall, IsSaidWithinTheTimeout) {
    for (const std::string flow : {"xonxoff", "esc-b"}) {
        SCOPED_TRACE(flow);
        ScratchDir dir;
        const std::string job = sendtest::testJob(400);
        writeBytes(dir / "job.plt", job);
        StandIn cutter(dir, {"--mode", flow, "--buffer", "256", "--drain", "5000", "--hold-after", "3000"});
        const auto started = std::chrono::steady_clock::now();
        const CliRun run = runCli({"send", (dir / "job.plt").string(), "--port", cutter.port(), "--baud", "115200",
                                   "--flow", flow, "--timeout", "1.5"});
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        cutter.finish();
        EXPECT_EQ(run.status, 1);
        std::size_t sent = 0, total = 0;
        const std::size_t at = run.err.find("the cutter stopped taking data after ");
        ASSERT_NE(at, std::string::npos) << run.err;
        ASSERT_EQ(std::sscanf(run.err.c_str() + at, "the cutter stopped taking data after %zu of %zu bytes", &sent,
                              &total),
                  2);
        EXPECT_EQ(total, job.size());
        EXPECT_LT(sent, job.size());
        EXPECT_NE(run.err.find("resume with --from "), std::string::npos);
        // It waited out the timeout, and no more than that and the job's
        // start: not a hang.
        EXPECT_GE(took, 1.5);
        EXPECT_LT(took, 30.0);
    }
}

// ---- ports that cannot be used -------------------------------------------

TEST(Ports, ThatCannotBeUsedSayWhyAndSendNothing) {
    ScratchDir dir;
    writeBytes(dir / "job.plt", "IN;PU0,0;PD10,10;");
    writeBytes(dir / "notes.txt", "unchanged");
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const std::string busy = ::ttyname(slave);
    ASSERT_EQ(::flock(slave, LOCK_EX | LOCK_NB), 0);
    struct Case {
        std::string port;
        std::string message;
    };
    for (const Case& c : std::vector<Case>{
             {(dir / "nothing").string(), "Can't Open Port: " + (dir / "nothing").string() + ": not there ("},
             {dir.path().string(), "Can't Open Port: " + dir.path().string() + ": a folder, not a serial port ("},
             {(dir / "notes.txt").string(), "Can't Open Port: " + (dir / "notes.txt").string() + ": not a serial port"},
             {busy, "Can't Open Port: " + busy + ": busy: another program has it open ("}}) {
        const CliRun run = runCli({"send", (dir / "job.plt").string(), "--port", c.port});
        EXPECT_EQ(run.status, 1) << c.port;
        EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
    }
    // An invalid file: said before the port is touched.
    writeBytes(dir / "bad.plt", "IN;PU0,0;PD10");
    const CliRun bad = runCli({"send", (dir / "bad.plt").string(), "--port", busy});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Invalid File: " + (dir / "bad.plt").string() + "\n");
    const CliRun past = runCli({"send", (dir / "job.plt").string(), "--port", busy, "--from", "4"});
    EXPECT_EQ(past.status, 2);

    EXPECT_EQ(readBytes(dir / "notes.txt"), "unchanged");
    pollfd entry{master, POLLIN, 0};
    EXPECT_EQ(::poll(&entry, 1, 100), 0) << "nothing reached the busy port";
    ::close(slave);
    ::close(master);
}

}  // namespace
}  // namespace kerfline::clitest
