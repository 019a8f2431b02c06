// The Windows headers printing needs: <windows.h> as the core's
// drawing/gdi.h includes it, with the common dialogs and the print spooler.
#pragma once

#include "drawing/gdi.h"

#include <commdlg.h>
#include <winspool.h>
