// The program's message boxes, and its code page 1251 texts for the
// wide-character windows that show them. Printing needs both, and the shell
// above it uses the same.
#pragma once

#include <string>

#include "print/win32.h"

namespace kerfline {

// The message boxes of the file and print commands: caption "Error",
// warning icon, OK.
void showError(HWND owner, const char* message);

// The program's code page 1251 text as UTF-16, whatever the system's code page.
std::wstring from1251(const char* text);

}  // namespace kerfline
