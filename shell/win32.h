// The Windows headers for the program's sources: <windows.h> as the core's
// drawing/gdi.h includes it (narrow-character API, no min/max, no IN and
// OUT), with the common dialogs and the print spooler.
#pragma once

#include "drawing/gdi.h"

#include <commdlg.h>
#include <winspool.h>
