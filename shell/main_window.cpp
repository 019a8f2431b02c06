#include "shell/main_window.h"

#include <exception>

#include "shell/dialogs.h"
#include "shell/dispatch.h"
#include "shell/document.h"

namespace kerfline {

namespace {

HINSTANCE moduleInstance = nullptr;

// The window system's side of the menu commands, for one command.
class WindowCommands final : public CommandHost {
public:
    WindowCommands(HWND window, PlotDocument& document) : window_(window), document_(document) {}

    std::intptr_t runDialog(Dialog dialog) override {
        return kerfline::runDialog(moduleInstance, window_, dialog);
    }

    void run(Action action) override {
        switch (action) {
            case Action::open:
                document_.onOpen();
                break;
            case Action::save:
                document_.onSave();
                break;
            case Action::saveAs:
                document_.onSaveAs();
                break;
            case Action::print:
                document_.onPrint();
                break;
            // Default handling of WM_CLOSE destroys the window, which ends the loop.
            case Action::exit:
                SendMessageA(window_, WM_CLOSE, 0, 0);
                break;
            case Action::frame:
                document_.onFrame();
                break;
            case Action::scale:
                document_.onScale();
                break;
            case Action::rotate:
                document_.onRotate();
                break;
            case Action::move:
                document_.onMove();
                break;
            case Action::none:
                break;
        }
    }

private:
    HWND window_;
    PlotDocument& document_;
};

LRESULT onCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    PlotDocument* document = documentOf(window);
    if (document) {
        WindowCommands commands(window, *document);
        if (dispatchCommand(wParam, commands)) return 0;
    }
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
