// Starts the real kerfline.exe, checks what a user sees right after the
// start, closes it the way the title bar's close box does and checks that
// it ends cleanly.
//
// Wine keeps menus and class data inside the process that owns them, so
// from here only what the window server knows can be read (class, title,
// visibility, sizes, whether there is a menu bar). What the menu holds is
// checked in the menu resource of the same kerfline.exe, and inside a live
// window by main_window_test.
#include "running_program.h"
#include "startup_menu_checks.h"

#include <gtest/gtest.h>

#include <optional>

namespace kerfline::test {
namespace {

constexpr const char* kMainClass = "KERFLINE";

class KerflineStarted : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string exe = kerflineExePath();
        ASSERT_FALSE(exe.empty()) << "path of kerfline.exe unknown";
        program_.emplace(exe);
        ASSERT_TRUE(program_->started())
            << "CreateProcess(" << exe << ") failed, error " << program_->startError();
        window_ = program_->waitForWindow(kMainClass);
        ASSERT_NE(window_, nullptr) << "no KERFLINE window within " << kStartTimeout.count()
                                    << " ms; program running: " << program_->running();
    }

    std::optional<RunningProgram> program_;
    HWND window_ = nullptr;
};

TEST_F(KerflineStarted, ShowsItsMainWindowTitledKerfline) {
    EXPECT_EQ(windowText(window_), "Kerfline");
    EXPECT_TRUE(IsWindowVisible(window_));
    const LONG_PTR style = GetWindowLongPtrA(window_, GWL_STYLE);
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(GetParent(window_), nullptr);
}

TEST_F(KerflineStarted, HasAMenuBarBelowTheCaption) {
    EXPECT_NE(GetMenu(window_), nullptr);
    // The frame around the client area holds the caption and the menu bar.
    RECT windowRect{};
    RECT clientRect{};
    ASSERT_TRUE(GetWindowRect(window_, &windowRect));
    ASSERT_TRUE(GetClientRect(window_, &clientRect));
    const LONG frameHeight = (windowRect.bottom - windowRect.top) - clientRect.bottom;
    EXPECT_GE(frameHeight, GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU));
}

TEST_F(KerflineStarted, ClosingTheWindowEndsTheProgramWithExitCodeZero) {
    ASSERT_TRUE(PostMessageA(window_, WM_CLOSE, 0, 0));
    ASSERT_TRUE(program_->waitForExit())
        << "still running " << kExitTimeout.count() << " ms after WM_CLOSE";
    const std::optional<DWORD> code = program_->exitCode();
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    EXPECT_FALSE(IsWindow(window_));
}

// The resources as shipped: loaded from the file, not from this program.
class KerflineResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExA(kerflineExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr)
            << "cannot load " << kerflineExePath() << ", error " << GetLastError();
    }
    void TearDown() override {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    HMODULE module_ = nullptr;
};

TEST_F(KerflineResources, MenuKerflineStartsWithOnlyOpenExitAndAboutEnabled) {
    HMENU menu = LoadMenuA(module_, "KERFLINE");
    ASSERT_NE(menu, nullptr) << "no menu resource named KERFLINE";
    expectStartupMenu(menu);
    DestroyMenu(menu);
}

TEST_F(KerflineResources, IconKerflineHasA32By32SixteenColourImage) {
    HRSRC group = FindResourceA(module_, "KERFLINE", MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr) << "no icon resource named KERFLINE";
    HGLOBAL loaded = LoadResource(module_, group);
    ASSERT_NE(loaded, nullptr);
    auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
    const DWORD size = SizeofResource(module_, group);
    // GRPICONDIR: reserved, type (1 = icon), count; then 14-byte entries of
    // width, height, colour count, reserved, planes, bit count, size, id.
    ASSERT_GE(size, 6u + 14u);
    const int count = bytes[4] | (bytes[5] << 8);
    ASSERT_GE(count, 1);
    bool found = false;
    for (int i = 0; i < count && 6u + 14u * static_cast<DWORD>(i + 1) <= size; ++i) {
        const BYTE* entry = bytes + 6 + 14 * i;
        const int bitCount = entry[6] | (entry[7] << 8);
        found = found || (entry[0] == 32 && entry[1] == 32 && entry[2] == 16 && bitCount == 4);
    }
    EXPECT_TRUE(found) << "the icon has no 32x32 image with 16 colours";
}

TEST(RunningProgramHelper, TurnsUnixPathsIntoDriveZPaths) {
    EXPECT_EQ(toWindowsPath("/build/win64/shell/kerfline.exe"),
              "Z:\\build\\win64\\shell\\kerfline.exe");
    EXPECT_EQ(toWindowsPath("C:/temp/a.plt"), "C:\\temp\\a.plt");
    EXPECT_EQ(toWindowsPath("C:\\temp\\a.plt"), "C:\\temp\\a.plt");
}

TEST(RunningProgramHelper, QuotesArgumentsTheWayTheRuntimeSplitsThem) {
    EXPECT_EQ(quoteArgument("plain"), "plain");
    EXPECT_EQ(quoteArgument(""), "\"\"");
    EXPECT_EQ(quoteArgument("Z:\\a b\\c.plt"), "\"Z:\\a b\\c.plt\"");
    EXPECT_EQ(quoteArgument("a\"b"), "\"a\\\"b\"");
    EXPECT_EQ(quoteArgument("dir with space\\"), "\"dir with space\\\\\"");
}

TEST(RunningProgramHelper, TerminatesAProgramLeftRunning) {
    HANDLE survivor = nullptr;
    {
        RunningProgram program(kerflineExePath());
        ASSERT_TRUE(program.started()) << "error " << program.startError();
        ASSERT_NE(program.waitForWindow(kMainClass), nullptr);
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), program.processHandle(),
                                    GetCurrentProcess(), &survivor, SYNCHRONIZE, FALSE, 0));
    }
    // The destructor must have ended it: a failed test may not leave it behind.
    EXPECT_EQ(WaitForSingleObject(survivor, 0), WAIT_OBJECT_0);
    CloseHandle(survivor);
}

}  // namespace
}  // namespace kerfline::test
