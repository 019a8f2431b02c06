// The Windows headers for the program's sources: <windows.h> as the core's
// io/windows_headers.h includes it (narrow-character API, no min/max, no IN and
// OUT), with the common dialogs and the print spooler, as printing has them.
#pragma once

#include "print/win32.h"
