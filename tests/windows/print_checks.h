// The tests' print server seen from a Windows test: its default printer,
// the jobs that reach the stand-in cutter, the paper queue's PostScript
// page rendered to a bitmap to measure, and the server's own account of a
// job that failed.
//
// Unix programs (lpadmin, Ghostscript) run through /bin/sh. Wine starts
// them natively but hands back no process to wait on, so each script
// leaves its exit status in a file that we poll for, and timeout(1) bounds
// the programs themselves: every wait here has an end.
#pragma once

#include "program_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <utility>

namespace kerfline::test {

namespace fs = std::filesystem;

inline std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The Unix path of a Windows path, as Wine maps it; empty if it cannot.
inline std::string unixPath(const std::string& windowsPath) {
    using Convert = char*(CDECL*)(const wchar_t*);
    FARPROC found = GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
    if (found == nullptr) return {};
    const std::wstring wide(windowsPath.begin(), windowsPath.end());  // ASCII paths
    char* converted = reinterpret_cast<Convert>(reinterpret_cast<void*>(found))(wide.c_str());
    if (converted == nullptr) return {};
    std::string path = converted;
    HeapFree(GetProcessHeap(), 0, converted);
    return path;
}

// Runs `commands` with /bin/sh in `folder` for at most `limit`. True when
// they ended with status 0; otherwise the current test fails with their
// output.
inline bool runUnix(const ScratchFolder& folder, const std::string& commands,
                    std::chrono::seconds limit) {
    const std::string unix = unixPath(folder.path());
    writeBytes(folder.path("commands.sh"), commands + "\n");
    writeBytes(folder.path("run.sh"), "cd \"$(dirname \"$0\")\" || exit 1\ntimeout -k 2 " +
                                          std::to_string(limit.count()) +
                                          " sh ./commands.sh >output 2>&1\n"
                                          "echo $? >status.tmp\nmv status.tmp status\n");
    std::string commandLine = "sh \"" + unix + "/run.sh\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (unix.empty() || !CreateProcessA("Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE,
                                        0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot run " << commandLine << ": error " << GetLastError();
        return false;
    }
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    const bool ended = waitUntil([&] { return fs::exists(folder.path("status")); }, limit + 5s);
    if (ended && readBytes(folder.path("status")) == "0\n") return true;
    ADD_FAILURE() << commands << ": "
                  << (ended ? readBytes(folder.path("output")) : std::string("no status"));
    return false;
}

// The print server's default destination for the programs started while
// it lives (each Wine process reads it when it starts); "plotter" again
// afterwards, also when the test fails.
class DefaultPrinter {
public:
    explicit DefaultPrinter(const std::string& name) : set_(choose(name)) {}
    DefaultPrinter(const DefaultPrinter&) = delete;
    DefaultPrinter& operator=(const DefaultPrinter&) = delete;
    ~DefaultPrinter() { choose("plotter"); }
    bool set() const { return set_; }

private:
    static bool choose(const std::string& name) {
        return runUnix(ScratchFolder(), "lpadmin -d " + name, 20s);
    }
    bool set_;
};

// What the print server logged from the moment this object was made. A job
// it gives up on (a filter that cannot read the spooled file, a cutter that
// cannot be reached) leaves "E [time] [Job N] reason" lines in its error log
// at once, so a test waiting for that job can stop there and say why.
class PrintServerLog {
public:
    PrintServerLog() : path_(toWindowsPath(environment("KERF_CUPS_ERROR_LOG"))), from_(size()) {}

    bool errors() const {
        return std::ranges::any_of(lines(from_),
                                   [](const std::string& line) { return line.starts_with("E "); });
    }

    // Why a job did not come, in the server's words: its errors and
    // warnings since then, or else the last lines of its log.
    std::string account() const {
        std::string found;
        for (const std::string& line : lines(from_))
            if (line.starts_with("E ") || line.starts_with("W ")) found += line + "\n";
        if (!found.empty()) return "the print server says:\n" + found;
        const std::vector<std::string> all = lines(0);
        std::string text = "the print server reported no error; the end of " + path_.string() +
                           (all.empty() ? " (empty)" : ":") + "\n";
        for (std::size_t i = all.size() > 10 ? all.size() - 10 : 0; i < all.size(); ++i)
            text += all[i] + "\n";
        return text;
    }

private:
    std::uintmax_t size() const {
        std::error_code error;
        const std::uintmax_t bytes = fs::file_size(path_, error);
        return error ? 0 : bytes;
    }

    // The log's whole lines from byte `offset` on; none before it exists.
    std::vector<std::string> lines(std::uintmax_t offset) const {
        std::vector<std::string> found;
        std::ifstream in(path_, std::ios::binary);
        if (!in || !in.seekg(std::streamoff(offset))) return found;
        for (std::string line; std::getline(in, line) && !in.eof();) found.push_back(line);
        return found;
    }

    fs::path path_;
    std::uintmax_t from_;
};

// The jobs the stand-in cutter receives, one file each, named once complete.
class PlotterJobs {
public:
    PlotterJobs() : folder_(toWindowsPath(environment("KERF_PLOTTER_JOBS"))), seen_(finished()) {}

    // The new jobs that hold `tag` (other tests may print beside us): waits
    // up to `within` for the first, or until the print server reports an
    // error, then a while for a second that must not come. A later call sees
    // only the jobs that came after.
    std::vector<std::string> holding(std::string_view tag, std::chrono::milliseconds within) {
        std::vector<std::string> found;
        const auto collect = [&] {
            found.clear();
            for (const fs::path& job : finished())
                if (!seen_.contains(job))
                    if (std::string bytes = readBytes(job); bytes.find(tag) != std::string::npos)
                        found.push_back(std::move(bytes));
            return !found.empty();
        };
        if (waitUntil([&] { return collect() || server_.errors(); }, within)) {
            std::this_thread::sleep_for(kQuietWait);
            collect();
        }
        seen_ = finished();
        return found;
    }

    // The print server's account, for a test that got no job.
    std::string serverSays() const { return server_.account(); }

private:
    std::set<fs::path> finished() const {
        std::set<fs::path> jobs;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder_, error))
            if (entry.path().extension() == ".bin") jobs.insert(entry.path());
        return jobs;
    }

    fs::path folder_;
    std::set<fs::path> seen_;
    PrintServerLog server_;
};

// The file that the paper queue prints into, as Windows and Unix name it.
inline fs::path paperOutput() { return toWindowsPath(environment("KERF_PAPER_OUTPUT")); }

// The whole PostScript job once cupsd has written it: it ends with %%EOF
// (then only line ends and the Ctrl-D that ends a job) and holds still.
// Empty if none is complete within `timeout`, or once `server` reports an
// error.
inline std::string waitForPaper(std::chrono::milliseconds timeout, const PrintServerLog& server) {
    std::string text, before = "-";
    bool complete = false;
    waitUntil(
        [&] {
            if (fs::exists(paperOutput())) {
                text = readBytes(paperOutput());
                const std::size_t last = text.find_last_not_of("\r\n\x04");
                const bool ends = last != std::string::npos &&
                                  std::string_view(text).substr(0, last + 1).ends_with("%%EOF");
                complete = std::exchange(before, text) == text && ends;
            }
            return complete || server.errors();
        },
        timeout);
    return complete ? text : std::string();
}

// A printer's page in its own pixels and millimetres.
struct PrinterPage {
    int pixelsWide, pixelsHigh, mmWide, mmHigh;  // the printable area
    int offsetX, offsetY, paperWide, paperHigh;  // pixels
    int dpi;
    double pixelsPerMmX() const { return double(pixelsWide) / mmWide; }
    double pixelsPerMmY() const { return double(pixelsHigh) / mmHigh; }
};

inline std::optional<PrinterPage> printerPage(const char* printer) {
    HDC dc = CreateDCA("WINEPS.DRV", printer, nullptr, nullptr);
    if (dc == nullptr) return std::nullopt;
    const auto cap = [&](int index) { return GetDeviceCaps(dc, index); };
    const PrinterPage page{cap(HORZRES),       cap(VERTRES),         cap(HORZSIZE),
                           cap(VERTSIZE),      cap(PHYSICALOFFSETX), cap(PHYSICALOFFSETY),
                           cap(PHYSICALWIDTH), cap(PHYSICALHEIGHT),  cap(LOGPIXELSX)};
    DeleteDC(dc);
    return page;
}

// A rendered page: its size and the box around its black pixels
// (inclusive; right < left on a blank page).
struct RenderedPage {
    int width = 0, height = 0;
    int left = 0, top = 0, right = -1, bottom = -1;
};

// The first page of the paper queue's output, rendered by Ghostscript at
// `dpi` into a PBM bitmap (one bit a pixel, 1 black, rows padded to bytes).
inline std::optional<RenderedPage> renderPaper(int dpi) {
    const ScratchFolder folder;
    if (!runUnix(folder,
                 "gs -q -dSAFER -dNOPAUSE -dBATCH -dFirstPage=1 -dLastPage=1 -sDEVICE=pbmraw -r" +
                     std::to_string(dpi) + " -sOutputFile=page.pbm '" +
                     environment("KERF_PAPER_OUTPUT") + "'",
                 60s))
        return std::nullopt;
    const std::string pbm = readBytes(folder.path("page.pbm"));
    // "P4", comment lines, width and height, one white-space character, the rows.
    RenderedPage page;
    std::size_t start = 3;
    while (start < pbm.size() && pbm[start] == '#') start = pbm.find('\n', start) + 1;
    int header = 0;
    const bool read =
        pbm.starts_with("P4\n") && start > 0 && start < pbm.size() &&
        std::sscanf(pbm.c_str() + start, "%d %d%n", &page.width, &page.height, &header) == 2 &&
        page.width > 0 && page.height > 0;
    const std::size_t rowBytes = std::size_t(page.width + 7) / 8;
    start += std::size_t(header) + 1;
    if (!read || pbm.size() < start + rowBytes * std::size_t(page.height)) {
        ADD_FAILURE() << "not a PBM bitmap: " << pbm.substr(0, 80);
        return std::nullopt;
    }
    const auto black = [&](int x, int y) {
        const auto byte =
            static_cast<unsigned char>(pbm[start + std::size_t(y) * rowBytes + std::size_t(x / 8)]);
        return ((byte >> (7 - x % 8)) & 1) != 0;
    };
    page.left = page.width, page.top = page.height;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x)
            if (black(x, y)) {
                page.left = std::min(page.left, x), page.right = std::max(page.right, x);
                page.top = std::min(page.top, y), page.bottom = std::max(page.bottom, y);
            }
    return page;
}

}  // namespace kerfline::test
