// The main window created inside this test program from the same code and
// resources as kerfline.exe, so that its menu and class can be inspected
// directly (Wine does not expose them to other processes).
#include "shell/main_window.h"
#include "startup_menu_checks.h"

#include <gtest/gtest.h>

namespace kerfline::test {
namespace {

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A class is registered once per process.
        classRegistered_ = registerMainWindowClass(GetModuleHandleA(nullptr));
    }

    void SetUp() override {
        ASSERT_TRUE(classRegistered_) << "RegisterClass failed";
        window_ = createMainWindow(GetModuleHandleA(nullptr));
        ASSERT_NE(window_, nullptr) << "CreateWindow failed, error " << GetLastError();
    }

    void TearDown() override {
        if (window_ != nullptr && IsWindow(window_)) {
            DestroyWindow(window_);
        }
        // Drop the WM_QUIT that destroying the main window posts, so that it
        // does not leak into the next test.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {}
    }

    static bool classRegistered_;
    HWND window_ = nullptr;
};

bool MainWindow::classRegistered_ = false;

TEST_F(MainWindow, IsATopLevelWindowOfClassKerflineTitledKerfline) {
    char className[64] = {};
    GetClassNameA(window_, className, sizeof className);
    EXPECT_STREQ(className, "KERFLINE");
    char title[64] = {};
    GetWindowTextA(window_, title, sizeof title);
    EXPECT_STREQ(title, "Kerfline");
    EXPECT_EQ(GetWindowLongPtrA(window_, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    // Created hidden: WinMain shows it as the caller asked.
    EXPECT_FALSE(IsWindowVisible(window_));
}

TEST_F(MainWindow, ClassCarriesIconCursorBrushAndRoomForAStatePointer) {
    EXPECT_NE(GetClassLongPtrA(window_, GCLP_HICON), 0) << "icon KERFLINE not loaded";
    EXPECT_NE(GetClassLongPtrA(window_, GCLP_HCURSOR), 0);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(GetClassLongPtrA(window_, GCLP_HBRBACKGROUND)),
              GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetClassLongPtrA(window_, GCL_CBWNDEXTRA), static_cast<ULONG_PTR>(sizeof(void*)));
    const ULONG_PTR style = GetClassLongPtrA(window_, GCL_STYLE);
    EXPECT_EQ(style & (CS_HREDRAW | CS_VREDRAW), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
}

TEST_F(MainWindow, ShowsTheStartupMenu) { expectStartupMenu(GetMenu(window_)); }

TEST_F(MainWindow, ClosingItDestroysItAndAsksTheMessageLoopToQuitWithZero) {
    SendMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window_));
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "no WM_QUIT after the main window closed";
    EXPECT_EQ(message.wParam, 0u);
}

TEST_F(MainWindow, LeavesOtherMessagesToTheDefaultProcedure) {
    // WM_SETTEXT is not handled by Kerfline itself: the title must change.
    ASSERT_TRUE(SendMessageA(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other")));
    char title[64] = {};
    GetWindowTextA(window_, title, sizeof title);
    EXPECT_STREQ(title, "Other");
}

}  // namespace
}  // namespace kerfline::test
