#include "shell/file_dialog.h"

namespace kerfline {

namespace {
// Pairs of description and pattern, the list ending in an empty pair.
constexpr char kPlotFilter[] = "PLT Files (*.PLT)\0*.plt\0All Files (*.*)\0*.*\0";
}  // namespace

FileChoice askFileName(HWND owner, FileDialog kind, const char* initialFolder,
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
    } else {
        dialog.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    }
    const BOOL ok = kind == FileDialog::open ? GetOpenFileNameA(&dialog) : GetSaveFileNameA(&dialog);
    if (ok) return FileChoice::chosen;
    // The dialog ends as if cancelled when the name does not fit.
    const bool tooLong = CommDlgExtendedError() == FNERR_BUFFERTOOSMALL;
    chosen[0] = '\0';
    return tooLong ? FileChoice::tooLong : FileChoice::cancelled;
}

}  // namespace kerfline
