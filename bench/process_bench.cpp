// Opening a big job as a whole process: `kerfline-cli info` beside `cat`
// (the cost of merely reading the file) and hp2xx (another HP-GL reader),
// run in turns in one run so that a busy machine weighs on all three alike.
// Each figure is the median of the rounds: wall time, peak resident memory
// and page faults, as the system reports them for the finished process.
// Last, the memory of a file of nothing but ";" for each instruction.
//
//   build/native/bench/kerfline_process_bench [ROUNDS] [--cli PATH]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_file.h"

namespace {

struct Run {
    double seconds = 0;
    double peakMiB = 0;
    double faults = 0;
    bool ok = false;
};

// Runs `argv` with standard output and error on /dev/null.
Run runProcess(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.faults = static_cast<double>(usage.ru_minflt + usage.ru_majflt);
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Series {
    const char* label;
    std::vector<std::string> argv;
    std::vector<double> seconds, peak, faults;
    bool failed = false;
    void add(const Run& r) {
        failed = failed || !r.ok;
        seconds.push_back(r.seconds);
        peak.push_back(r.peakMiB);
        faults.push_back(r.faults);
    }
};

std::string tempFile(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    std::string cli = KERF_CLI_PATH;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cli") == 0 && i + 1 < argc)
            cli = argv[++i];
        else
            rounds = std::max(1, std::atoi(argv[i]));
    }
    const std::string job = kerfline::bench::plainJobFile();
    const double megabytes = static_cast<double>(std::filesystem::file_size(job)) / 1e6;
    std::printf("%s: %.1f MB, %d instructions; %d rounds, medians\n", job.c_str(), megabytes,
                kerfline::bench::kInstructions + 2, rounds);

    const bool haveHp2xx = std::system("command -v hp2xx >/dev/null 2>&1") == 0;
    std::vector<Series> series = {{"cat", {"cat", job}, {}, {}, {}},
                                  {"kerfline-cli info", {cli, "info", job}, {}, {}, {}}};
    if (haveHp2xx)
        series.push_back({"hp2xx", {"hp2xx", "-q", "-m", "hpgl", "-f", "/dev/null", job}, {}, {}, {}});
    runProcess(series[0].argv);  // the file into the page cache
    for (int round = 0; round < rounds; ++round)
        for (Series& s : series) s.add(runProcess(s.argv));
    // The same runs one straight after the other. On a virtual machine whose
    // host takes back the memory a process gave up (free page reporting),
    // fresh memory can cost several times as much to touch after another
    // program has run for a while, such as hp2xx, as right after a run of
    // the same program: the gap between the two rows is the machine's.
    Series inRow{"info, in a row", {cli, "info", job}, {}, {}, {}};
    for (int round = 0; round < rounds; ++round) inRow.add(runProcess(inRow.argv));
    series.push_back(inRow);

    std::printf("%-18s %9s %9s %10s %11s %9s\n", "", "time ms", "MB/s", "peak MiB", "peak/file",
                "faults");
    for (const Series& s : series) {
        const double t = median(s.seconds), peak = median(s.peak);
        std::printf("%-18s %9.1f %9.0f %10.1f %11.2f %9.0f%s\n", s.label, t * 1e3, megabytes / t,
                    peak, peak * 1.048576 / megabytes, median(s.faults),
                    s.failed ? "  (failed)" : "");
    }
    const double kerf = median(series[1].seconds);
    std::printf("kerfline-cli info: %.1fx the time of cat", kerf / median(series[0].seconds));
    if (haveHp2xx) std::printf(", %.1fx as fast as hp2xx", median(series[2].seconds) / kerf);
    std::printf("\n");

    // 50 MB of ";": every byte an instruction. What a process holds beyond
    // the file's own size, for each instruction, next to an empty file's run.
    const std::string semicolons = tempFile("kerfline-bench-semicolons.plt");
    constexpr std::size_t kSemicolons = 50u << 20;
    if (!std::filesystem::exists(semicolons) ||
        std::filesystem::file_size(semicolons) != kSemicolons) {
        std::FILE* out = std::fopen(semicolons.c_str(), "wb");
        const std::string block(1 << 20, ';');
        for (std::size_t i = 0; i < kSemicolons >> 20; ++i) std::fwrite(block.data(), 1, block.size(), out);
        std::fclose(out);
    }
    const std::string empty = tempFile("kerfline-bench-empty.plt");
    std::fclose(std::fopen(empty.c_str(), "wb"));
    const Run base = runProcess({cli, "info", empty});
    const Run bare = runProcess({cli, "info", semicolons});
    const double extra = (bare.peakMiB - base.peakMiB) * 1048576.0 - static_cast<double>(kSemicolons);
    std::printf("50 MiB of \";\": %.0f ms, peak %.1f MiB%s; beyond the file %.1f bytes per instruction\n",
                bare.seconds * 1e3, bare.peakMiB, bare.ok ? "" : " (failed)",
                extra / static_cast<double>(kSemicolons));
    return 0;
}
