// The Open and Save As dialogs, behind one call.
#pragma once

#include "shell/settings.h"
#include "shell/win32.h"

namespace kerfline {

enum class FileDialog { open, saveAs };

// Asks for a file, starting in `initialFolder`. True with the chosen file's
// absolute path in `chosen`; false when the user cancelled or the dialog
// failed.
bool askFileName(HWND owner, FileDialog kind, const char* initialFolder,
                 char (&chosen)[kPathCapacity]);

}  // namespace kerfline
