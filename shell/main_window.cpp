#include "shell/main_window.h"

#include <exception>

namespace kerfline {

namespace {

// Windows calls the window procedure from inside its own C code (the message
// loop, DefWindowProc, dialog boxes): an exception unwinding through those
// frames is undefined behaviour. Each message is therefore handled here and
// anything thrown is stopped in mainWindowProc below.
LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void reportUnexpectedError(HWND window, const char* what)
{
    MessageBoxA(window, what, kMainWindowTitle, MB_OK | MB_ICONERROR);
}

} // namespace

bool registerMainWindowClass(HINSTANCE instance)
{
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.cbClsExtra = 0;
    // Room for a pointer to the window's state.
    windowClass.cbWndExtra = sizeof(void*);
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, kMainWindowClass);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = kMainWindowClass;
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

HWND createMainWindow(HINSTANCE instance)
{
    return CreateWindowA(kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         nullptr, nullptr, instance, nullptr);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return handleMessage(window, message, wParam, lParam);
    } catch (const std::exception& error) {
        reportUnexpectedError(window, error.what());
    } catch (...) {
        reportUnexpectedError(window, "Unexpected error.");
    }
    return 0;
}

} // namespace kerfline
