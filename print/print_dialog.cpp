#include "print/print_dialog.h"

#include <cstring>
#include <span>

#include "print/dialog_template.h"

namespace kerfline {

namespace {

constexpr int kWhereId = 1101;  // the printer's location beside "Where:"
constexpr int kPrintToFileId = print::kPrintToFileId;
constexpr int kSendLikeHpglId = print::kSendLikeHpglId;
// A changed selection in the printer list.
constexpr WORD kSelectionChanged = CBN_SELCHANGE;

// What the hook keeps for one dialog, handed over in lCustData and kept as
// a property of the dialog window.
struct HookState {
    std::int32_t* sendLikeHpgl;
    // The "Where:" text is narrowed once per dialog.
    bool whereNarrowed = false;
};
constexpr char kHookStateProperty[] = "KerflinePrintHook";

HookState* hookState(HWND dialog) {
    return static_cast<HookState*>(GetPropA(dialog, kHookStateProperty));
}

void setPrintToFile(HWND dialog, bool enabled) {
    if (!enabled) CheckDlgButton(dialog, kPrintToFileId, BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, kPrintToFileId), enabled ? TRUE : FALSE);
}

// The added box overlaps the right end of the location text: stop the text
// where the box begins. False when either is missing.
bool narrowWhere(HWND dialog) {
    HWND where = GetDlgItem(dialog, kWhereId);
    HWND box = GetDlgItem(dialog, kSendLikeHpglId);
    if (!where || !box) return false;
    RECT whereRect{}, boxRect{};
    GetWindowRect(where, &whereRect);
    GetWindowRect(box, &boxRect);
    SetWindowPos(where, nullptr, 0, 0, boxRect.left - whereRect.left,
                 whereRect.bottom - whereRect.top,
                 SWP_NOCOPYBITS | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE);
    return true;
}

std::string deviceName(HGLOBAL devNames) {
    LockedBlock<const DEVNAMES> names(devNames);
    if (!names.get()) return {};
    const SIZE_T size = GlobalSize(devNames);
    const SIZE_T offset = names.get()->wDeviceOffset;
    if (offset >= size) return {};
    const char* text = reinterpret_cast<const char*>(names.get()) + offset;
    return std::string(text, strnlen(text, size - offset));
}

}  // namespace

void buildPrintDialogTemplate(HINSTANCE instance, HGLOBAL& printDialogTemplate) {
    if (printDialogTemplate) return;
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(print::kPrintDialogTemplateId),
                                MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* resource = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(instance, found) : 0;
    if (!resource || size == 0) return;
    printDialogTemplate =
        GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size + print::kAddedControlSize);
    if (!printDialogTemplate) return;
    bool added = false;
    {
        LockedBlock<std::uint8_t> block(printDialogTemplate);
        if (!block.get()) return;
        std::memcpy(block.get(), resource, size);
        added = print::addSendLikeHpglBox(
                    std::span<std::uint8_t>(block.get(), size + print::kAddedControlSize), size) ==
                print::AddBoxResult::added;
    }
    // The unpatched copy serves all the same, without the box; once a run.
    if (!added)
        MessageBoxA(nullptr, "\"Print To File\" CheckBox Not Found", "Error",
                    MB_OK | MB_ICONWARNING);
}

bool runPrintDialog(HWND owner, HINSTANCE resources, HGLOBAL& dialogTemplate,
                    std::int32_t& sendLikeHpgl, PrintChoice& choice) {
    buildPrintDialogTemplate(resources, dialogTemplate);
    // The dialog is handed the locked block's address: given the handle of a
    // moveable block it shows an empty dialog.
    LockedBlock<void> locked(dialogTemplate);
    HookState state{&sendLikeHpgl};
    PRINTDLGA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_ENABLEPRINTHOOK;
    dialog.lpfnPrintHook = printDialogHook;
    dialog.lCustData = reinterpret_cast<LPARAM>(&state);
    if (locked.get()) {
        dialog.Flags |= PD_ENABLEPRINTTEMPLATEHANDLE;
        dialog.hPrintTemplate = static_cast<HGLOBAL>(locked.get());
    }
    const BOOL confirmed = PrintDlgA(&dialog);
    choice.dc.reset(dialog.hDC);
    choice.devMode.reset(dialog.hDevMode);
    choice.devNames.reset(dialog.hDevNames);
    if (!confirmed) return false;
    choice.printer = deviceName(choice.devNames.get());
    if (choice.printer.empty()) {
        LockedBlock<const DEVMODEA> mode(choice.devMode.get());
        if (mode.get())
            choice.printer.assign(reinterpret_cast<const char*>(mode.get()->dmDeviceName),
                                  strnlen(reinterpret_cast<const char*>(mode.get()->dmDeviceName),
                                          sizeof mode.get()->dmDeviceName));
    }
    return true;
}

UINT_PTR CALLBACK printDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<HookState*>(reinterpret_cast<PRINTDLGA*>(lParam)->lCustData);
        SetPropA(dialog, kHookStateProperty, state);
        if (state && *state->sendLikeHpgl) {
            CheckDlgButton(dialog, kSendLikeHpglId, BST_CHECKED);
            setPrintToFile(dialog, false);
        }
        return 1;
    }
    if (message == WM_DESTROY) {
        RemovePropA(dialog, kHookStateProperty);
        return 0;
    }
    HookState* state = hookState(dialog);
    if (message != WM_COMMAND || !state) return 0;
    if (wParam == static_cast<WPARAM>(kSendLikeHpglId)) {
        // The two boxes exclude each other.
        setPrintToFile(dialog, IsDlgButtonChecked(dialog, kSendLikeHpglId) != BST_CHECKED);
    } else if (wParam == IDOK) {
        *state->sendLikeHpgl = IsDlgButtonChecked(dialog, kSendLikeHpglId) == BST_CHECKED ? 1 : 0;
    } else if (HIWORD(wParam) == kSelectionChanged && !state->whereNarrowed) {
        state->whereNarrowed = narrowWhere(dialog);
    }
    return 0;
}

}  // namespace kerfline
