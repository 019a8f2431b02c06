// The Image menu's dialogs and the About box. They run as Unicode dialogs:
// their templates hold UTF-16 already, and the code page 1251 texts of the
// program are widened from 1251 explicitly, so that the Russian labels read
// right whatever the system's ANSI code page is.
#pragma once

#include <cstdint>
#include <string>

#include "print/messages.h"
#include "shell/win32.h"

namespace kerfline {

INT_PTR CALLBACK infoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK frameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK scaleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK rotateDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK moveDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The number in an edit box, read as a user typed it (see parseTypedInteger).
std::int32_t readIntItem(HWND dialog, int id);

// Runs the dialog template `name` ("Info", "Frame", ...) from `instance`
// with its procedure, owned by `owner`; its result, 0 for a name it does not
// know.
INT_PTR runDialog(HINSTANCE instance, HWND owner, const char* name);

}  // namespace kerfline
