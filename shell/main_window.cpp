#include "shell/main_window.h"

#include <exception>

#include "shell/dialogs.h"
#include "shell/dispatch.h"
#include "shell/document.h"
#include "shell/settings_file.h"

namespace kerfline {

namespace {

HINSTANCE moduleInstance = nullptr;

LRESULT onCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    PlotDocument* document = documentOf(window);
    if (document && dispatchCommand(wParam, *document)) return 0;
    return DefWindowProcA(window, WM_COMMAND, wParam, lParam);
}

LRESULT onPaint(HWND window) {
    if (PlotDocument* document = documentOf(window)) {
        document->onPaint();
        return 0;
    }
    // Not attached yet: only validate, so the paint is not asked for again.
    return DefWindowProcA(window, WM_PAINT, 0, 0);
}

// Windows calls the window procedure from inside its own C code (the message
// loop, DefWindowProc, dialog boxes): an exception unwinding through those
// frames is undefined behaviour. Each message is therefore handled here and
// anything thrown is stopped in mainWindowProc below.
LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            moduleInstance = reinterpret_cast<const CREATESTRUCTA*>(lParam)->hInstance;
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_PAINT:
            return onPaint(window);
        case WM_COMMAND:
            return onCommand(window, wParam, lParam);
        case WM_ENDSESSION:
            // Logging off or shutting down ends the process without the
            // regular exit, as soon as this returns: the settings are
            // written now.
            if (wParam) saveSettings();
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

void reportUnexpectedError(HWND window, const char* what) {
    MessageBoxA(window, what, kMainWindowTitle, MB_OK | MB_ICONERROR);
}

}  // namespace

HINSTANCE dialogInstance() { return moduleInstance; }

bool registerMainWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.cbClsExtra = 0;
    // Slot 0: the document.
    windowClass.cbWndExtra = sizeof(void*);
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, kMainWindowClass);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = kMainWindowClass;
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

HWND createMainWindow(HINSTANCE instance) {
    return CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                           nullptr, instance, nullptr);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return handleMessage(window, message, wParam, lParam);
    } catch (const std::exception& error) {
        reportUnexpectedError(window, error.what());
    } catch (...) {
        reportUnexpectedError(window, "Unexpected error.");
    }
    return 0;
}

}  // namespace kerfline
