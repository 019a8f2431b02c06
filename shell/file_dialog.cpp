#include "shell/file_dialog.h"

namespace kerfline {

namespace {
// Pairs of description and pattern, the list ending in an empty pair.
constexpr char kPlotFilter[] = "PLT Files (*.PLT)\0*.plt\0All Files (*.*)\0*.*\0";
}  // namespace

bool askFileName(HWND owner, FileDialog kind, const char* initialFolder,
                 char (&chosen)[kPathCapacity]) {
    chosen[0] = '\0';
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kPlotFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = kPathCapacity;
    dialog.lpstrInitialDir = initialFolder;
    if (kind == FileDialog::open) {
        // The read-only box is shown; what the user sets there changes nothing.
        dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
        return GetOpenFileNameA(&dialog) != 0;
    }
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    return GetSaveFileNameA(&dialog) != 0;
}

}  // namespace kerfline
