// The document inside a real main window of this test program: what a failed
// open leaves behind when memory runs out (the menus and files around an
// open are checked end to end).
#include "shell/document.h"
#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <thread>

#include "tests/common/files.h"

// This replaces the C++ allocator of the whole test program with malloc and
// free, which GCC cannot see through.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
// Allocations made while armed draw on this budget; past it they fail.
std::atomic<bool> armed{false};
std::atomic<long long> allocationsLeft{0};
}  // namespace

void* operator new(std::size_t size) {
    if (armed.load() && allocationsLeft.fetch_sub(1) <= 0) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace kerfline::test {
namespace {

// Answers the one message box the program shows, from another thread, and
// keeps what it said.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer() : thread_([this] { watch(); }) {}
    ~MessageBoxAnswerer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // Waits for the box to have been answered (or for the watch to give up).
    std::string text() {
        if (thread_.joinable()) thread_.join();
        return text_;
    }

private:
    static BOOL CALLBACK collect(HWND child, LPARAM parameter) {
        char text[256] = {};
        GetWindowTextA(child, text, sizeof text);
        char kind[32] = {};
        GetClassNameA(child, kind, sizeof kind);
        if (_stricmp(kind, "Static") == 0 && *text)
            *reinterpret_cast<std::string*>(parameter) = text;
        return TRUE;
    }
    // Only this process's: other test programs share the desktop.
    static HWND ownErrorBox() {
        for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", "Error"); w;
             w = FindWindowExA(nullptr, w, "#32770", "Error")) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == GetCurrentProcessId()) return w;
        }
        return nullptr;
    }
    void watch() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!stop_ && std::chrono::steady_clock::now() < deadline) {
            if (HWND box = ownErrorBox()) {
                EnumChildWindows(box, collect, reinterpret_cast<LPARAM>(&text_));
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    std::atomic<bool> stop_{false};
    std::string text_;
    std::thread thread_;
};

bool imageEnabled(HWND window) {
    return (GetMenuState(GetMenu(window), 1, MF_BYPOSITION) & MF_GRAYED) == 0;
}

class Document : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerMainWindowClass(GetModuleHandleA(nullptr)); }
    void SetUp() override {
        window_ = createMainWindow(GetModuleHandleA(nullptr));
        ASSERT_NE(window_, nullptr);
        document_ = new PlotDocument(window_);
        attachDocument(window_, document_);
    }
    void TearDown() override {
        attachDocument(window_, nullptr);
        delete document_;
        DestroyWindow(window_);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {}
    }
    std::string write(const char* name, const std::string& text) {
        const auto path = folder_ / name;
        test::writeBytes(path, text);
        return path.string();
    }

    HWND window_ = nullptr;
    PlotDocument* document_ = nullptr;
    test::ScratchDir folder_;
};

TEST_F(Document, AnOpenThatRunsOutOfMemoryIsAnInvalidFileAndLeavesNoDrawing) {
    const std::string small = write("small.plt", "IN;PU0,0;PD400,400;");
    ASSERT_TRUE(document_->openFile(small.c_str()));
    EXPECT_TRUE(imageEnabled(window_));

    std::string big;
    for (int i = 0; i < 50000; ++i)
        big += "PD" + std::to_string(i) + "," + std::to_string(i) + ",1,2;";
    const std::string bigPath = write("big.plt", big);
    bool opened = true;
    std::string said;
    {
        MessageBoxAnswerer answerer;
        // A drawing takes its memory in a few large blocks, which double in
        // size: this file needs a few dozen, and the tenth one fails.
        allocationsLeft = 10;
        armed = true;
        opened = document_->openFile(bigPath.c_str());
        armed = false;
        said = answerer.text();
    }
    EXPECT_FALSE(opened);
    EXPECT_EQ(said, "Invalid File");
    EXPECT_TRUE(document_->commands.empty());
    EXPECT_FALSE(document_->hasExtent());
    char title[300] = {};
    GetWindowTextA(window_, title, sizeof title);
    EXPECT_STREQ(title, "Kerfline");
    EXPECT_FALSE(imageEnabled(window_));
    // The last file that did open is still the current one.
    EXPECT_STREQ(document_->fileName(), "small.plt");
}

}  // namespace
}  // namespace kerfline::test
