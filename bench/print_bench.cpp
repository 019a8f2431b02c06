// Raw printing of a big cutter job beside saving it: kerfline's own
// onPrint and saveFile in the real main window, timed in process.
//
//   scripts/bench-windows print
//
// needs the print server of the tests (scripts/cups-harness) with its raw
// queue "plotter" as the default printer; the Print dialog is answered with
// OK from a second thread, and the job counts as delivered when the
// listener standing in for the cutter has closed its file.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "bench/bench_file.h"
#include "hpgl/mnemonics.h"
#include "shell/document.h"
#include "shell/main_window.h"

namespace {

using namespace kerfline;
using Clock = std::chrono::steady_clock;

std::atomic<long long> okPressedAt{0};

HWND ownPrintDialog() {
    for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", "Print"); w;
         w = FindWindowExA(nullptr, w, "#32770", "Print")) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == GetCurrentProcessId() && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

void pressOkWhenShown() {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < deadline) {
        if (HWND dialog = ownPrintDialog()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it settle
            okPressedAt = Clock::now().time_since_epoch().count();
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::size_t jobCount(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".bin") ++count;
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    const char* jobs = std::getenv("KERF_PLOTTER_JOBS");
    if (!jobs) {
        std::fprintf(stderr,
                     "print_bench: KERF_PLOTTER_JOBS is not set (start the print server)\n");
        return 2;
    }
    std::string folder = jobs;
    if (!folder.empty() && folder.front() == '/') folder = "Z:" + folder;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    sortMnemonicTable();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    registerMainWindowClass(instance);
    HWND window = createMainWindow(instance);
    PlotDocument document(window);
    attachDocument(window, &document);
    ShowWindow(window, SW_SHOW);
    const std::string path = bench::bigJobFile("kerfline-bench-short-cuts.plt", true);
    if (!document.openFile(path.c_str())) return 1;
    settings.PrintLikeHPGL = 1;
    const std::string saved =
        (std::filesystem::temp_directory_path() / "kerfline-bench-saved.plt").string();

    for (int run = 0; run < runs; ++run) {
        const Clock::time_point saveStart = Clock::now();
        if (!document.saveFile(saved.c_str())) return 1;
        const double saveMs =
            std::chrono::duration<double, std::milli>(Clock::now() - saveStart).count();

        const std::size_t before = jobCount(folder);
        std::thread answer(pressOkWhenShown);
        document.onPrint();
        const Clock::time_point handedOver = Clock::now();
        answer.join();
        // A job the print server gives up on never comes: the server's log
        // says why.
        const Clock::time_point giveUp = handedOver + std::chrono::seconds(120);
        while (jobCount(folder) == before && Clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (jobCount(folder) == before) {
            const char* log = std::getenv("KERF_CUPS_ERROR_LOG");
            std::fprintf(stderr, "print_bench: no job reached the cutter in 120 s; see %s\n",
                         log ? log : "the print server's error log");
            return 1;
        }
        const Clock::time_point delivered = Clock::now();
        const double printMs =
            std::chrono::duration<double, std::milli>(
                delivered - Clock::time_point(Clock::duration(okPressedAt.load())))
                .count();
        const double ourMs =
            std::chrono::duration<double, std::milli>(
                handedOver - Clock::time_point(Clock::duration(okPressedAt.load())))
                .count();
        std::printf(
            "run %d: %ju bytes; File/Save %.0f ms; raw print: OK to the job handed to "
            "the spooler %.0f ms, to the last byte at the cutter %.0f ms\n",
            run + 1, static_cast<std::uintmax_t>(std::filesystem::file_size(saved)), saveMs, ourMs,
            printMs);
        std::fflush(stdout);
    }
    std::filesystem::remove(saved);
    attachDocument(window, nullptr);
    DestroyWindow(window);
    return 0;
}
