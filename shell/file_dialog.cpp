#include "shell/file_dialog.h"

#include <dlgs.h>

#include <iterator>

namespace kerfline {

namespace {
// Pairs of description and pattern, the list ending in an empty pair.
constexpr char kPlotFilter[] = "PLT Files (*.PLT)\0*.plt\0All Files (*.*)\0*.*\0";

// The dialog's own handling of a name longer than its buffer cannot be
// relied on (Wine's overruns a buffer of its own and the program dies), so
// the name is measured first, when OK is pressed, and a name too long ends
// the dialog here.
struct NameGuard {
    WNDPROC original = nullptr;
    bool tooLong = false;
};
constexpr char kGuardProperty[] = "KerflineNameGuard";

// The name typed into the dialog, with the folder it shows when the name is
// not a full path of its own: whether the path takes kPathCapacity or more.
bool typedNameTooLong(HWND dialog) {
    HWND box = GetDlgItem(dialog, cmb13);
    if (!box) box = GetDlgItem(dialog, edt1);
    if (!box) return false;
    wchar_t name[4 * kPathCapacity] = {};
    const int length = GetWindowTextW(box, name, static_cast<int>(std::size(name)));
    if (length <= 0) return false;
    const bool full = (length >= 2 && name[1] == L':') || name[0] == L'\\' || name[0] == L'/';
    // The folder's length with its terminator, which stands for the separator.
    const LRESULT folder = full ? 0 : SendMessageW(dialog, CDM_GETFOLDERPATH, 0, 0);
    return static_cast<std::size_t>(length) + static_cast<std::size_t>(folder > 0 ? folder : 0) >=
           kPathCapacity;
}

LRESULT CALLBACK guardedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* guard = static_cast<NameGuard*>(GetPropA(dialog, kGuardProperty));
    if (!guard) return DefWindowProcW(dialog, message, wParam, lParam);
    const WNDPROC original = guard->original;
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK && typedNameTooLong(dialog)) {
        guard->tooLong = true;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(dialog, kGuardProperty);
    }
    return CallWindowProcW(original, dialog, message, wParam, lParam);
}

// Called for the (empty) child dialog of an Explorer-style file dialog: its
// parent is the dialog itself.
UINT_PTR CALLBACK fileDialogHook(HWND child, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return 0;
    auto* guard = reinterpret_cast<NameGuard*>(reinterpret_cast<OPENFILENAMEA*>(lParam)->lCustData);
    HWND dialog = GetParent(child);
    if (guard && dialog && SetPropA(dialog, kGuardProperty, guard))
        guard->original = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(guardedDialogProc)));
    return 0;
}
}  // namespace

FileChoice askFileName(HWND owner, FileDialog kind, const char* initialFolder,
                       char (&chosen)[kPathCapacity]) {
    chosen[0] = '\0';
    NameGuard guard;
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kPlotFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = kPathCapacity;
    dialog.lpstrInitialDir = initialFolder;
    dialog.lpfnHook = fileDialogHook;
    dialog.lCustData = reinterpret_cast<LPARAM>(&guard);
    if (kind == FileDialog::open) {
        // The read-only box is shown; what the user sets there changes nothing.
        dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    } else {
        dialog.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    }
    dialog.Flags |= OFN_EXPLORER | OFN_ENABLEHOOK;
    const BOOL ok = kind == FileDialog::open ? GetOpenFileNameA(&dialog) : GetSaveFileNameA(&dialog);
    if (ok) return FileChoice::chosen;
    // The dialog's own refusal of a name that does not fit ends it as if cancelled.
    const bool tooLong = guard.tooLong || CommDlgExtendedError() == FNERR_BUFFERTOOSMALL;
    chosen[0] = '\0';
    return tooLong ? FileChoice::tooLong : FileChoice::cancelled;
}

}  // namespace kerfline
