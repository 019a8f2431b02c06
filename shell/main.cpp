// Kerfline's entry point: sets up the core's tables, creates the main
// window and runs the message loop until the window is closed.
#include "hpgl/mnemonics.h"
#include "shell/main_window.h"

#include <exception>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int showCommand)
{
    try {
        // The command lookup table must be sorted before any file is read.
        kerfline::sortMnemonicTable();
    } catch (const std::exception& error) {
        MessageBoxA(nullptr, error.what(), kerfline::kMainWindowTitle, MB_OK | MB_ICONERROR);
        return 1;
    }

    if (!kerfline::registerMainWindowClass(instance)) {
        MessageBoxA(nullptr, "Cannot register the main window class.", kerfline::kMainWindowTitle,
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    HWND window = kerfline::createMainWindow(instance);
    if (window == nullptr) {
        MessageBoxA(nullptr, "Cannot create the main window.", kerfline::kMainWindowTitle,
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message;
    BOOL result;
    while ((result = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (result == -1) {
            return 1;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
