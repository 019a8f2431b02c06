// The print queues the Windows tests run beside (scripts/cups-harness), as a
// Windows program sees them: listed by the spooler, and the raw queue
// passing every byte written to it on, unchanged, to the stand-in cutter.
#include "running_program.h"

#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kerfline::test {
namespace {

namespace fs = std::filesystem;

constexpr char kLongName[] = "plotter-with-a-forty-character-long-name";
static_assert(sizeof kLongName - 1 == 40);

std::vector<std::string> printerNames() {
    DWORD needed = 0, count = 0;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    EnumPrintersA(flags, nullptr, 4, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersA(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) return {};
    const auto* printers = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
    std::vector<std::string> names;
    for (DWORD i = 0; i < count; ++i) names.emplace_back(printers[i].pPrinterName);
    return names;
}

std::set<fs::path> finishedJobs(const fs::path& folder) {
    std::set<fs::path> jobs;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.path().extension() == ".bin") jobs.insert(entry.path());
    return jobs;
}

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PrintQueues, TheSpoolerListsTheTestQueues) {
    const std::vector<std::string> names = printerNames();
    for (const char* name : {"plotter", "paper", kLongName})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end())
            << name << " not listed";
}

TEST(PrintQueues, TheRawQueueDeliversExactlyTheBytesWritten) {
    const char* jobs = std::getenv("KERF_PLOTTER_JOBS");  // the listener's, from the harness
    ASSERT_NE(jobs, nullptr)
        << "KERF_PLOTTER_JOBS is not set: run through scripts/run-tests windows";
    const fs::path folder = toWindowsPath(jobs);
    const std::set<fs::path> before = finishedJobs(folder);

    // HP-GL, then every byte a spooler or a filter might take for its own
    // (NUL, Ctrl-D, Ctrl-Z, ESC, a lone CR, the top bit), and what makes this
    // job ours among any others.
    std::string data = "IN;SP1;PU0,0;PD4000,0,4000,4000;PU;";
    data += std::string("\0\x04\x1a\x1b\r\n\x7f\x80\xff", 9);
    data += "job " + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());

    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>("plotter"), &printer, nullptr))
        << "error " << GetLastError();
    char name[] = "print_queue_test";
    DOC_INFO_1A document = {name, nullptr, nullptr};  // no data type: the queue's own
    EXPECT_NE(StartDocPrinterA(printer, 1, reinterpret_cast<BYTE*>(&document)), 0u)
        << GetLastError();
    EXPECT_TRUE(StartPagePrinter(printer));
    DWORD written = 0;
    EXPECT_TRUE(WritePrinter(printer, data.data(), static_cast<DWORD>(data.size()), &written));
    EXPECT_EQ(written, data.size());
    EXPECT_TRUE(EndPagePrinter(printer));
    EXPECT_TRUE(EndDocPrinter(printer)) << GetLastError();
    EXPECT_TRUE(ClosePrinter(printer));

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool delivered = false;
    while (!delivered && std::chrono::steady_clock::now() < deadline) {
        for (const fs::path& job : finishedJobs(folder))
            if (!before.contains(job) && contents(job) == data) delivered = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(delivered) << "no job in " << folder.string() << " holds the bytes written";
}

}  // namespace
}  // namespace kerfline::test
