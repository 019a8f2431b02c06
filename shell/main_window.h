// The program's main window: its class, creation and window procedure.
#pragma once

#include "shell/win32.h"

namespace kerfline {

// Class name of the main window; also the name of its menu and icon
// resources, and what tests look for to find the running program.
inline constexpr const char* kMainWindowClass = "KERFLINE";
inline constexpr const char* kMainWindowTitle = "Kerfline";

// Registers the main window class. Returns false if Windows refused.
bool registerMainWindowClass(HINSTANCE instance);

// Creates the (still hidden) main window, or returns nullptr.
HWND createMainWindow(HINSTANCE instance);

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The module the dialogs' templates come from, recorded at WM_CREATE.
HINSTANCE dialogInstance();

}  // namespace kerfline
