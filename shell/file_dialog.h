// The Open and Save As dialogs, behind one call.
#pragma once

#include "shell/settings.h"
#include "shell/win32.h"

namespace kerfline {

enum class FileDialog { open, saveAs };
enum class FileChoice { chosen, cancelled, tooLong };

// Asks for a file, starting in `initialFolder`. `chosen` with the file's
// absolute path in `chosen`; `cancelled` when the user cancelled or the
// dialog failed; `tooLong` when the name the user gave does not fit the
// program's path buffer.
FileChoice askFileName(HWND owner, FileDialog kind, const char* initialFolder,
                       char (&chosen)[kPathCapacity]);

}  // namespace kerfline
