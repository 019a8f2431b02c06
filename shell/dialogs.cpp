#include "shell/dialogs.h"

#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "shell/document.h"
#include "shell/settings.h"
#include "resources/resource.h"
#include "shell/texts.h"

namespace kerfline {

namespace {

constexpr std::size_t kTextCapacity = 128;

void setText1251(HWND dialog, int id, const char* text) {
    SetDlgItemTextW(dialog, id, from1251(text).c_str());
}

void setNumber(HWND dialog, int id, std::int32_t value) {
    char text[kIntegerCapacity];
    SetDlgItemTextA(dialog, id, integerText(value, text));
}

PlotDocument* ownerDocument(HWND dialog) { return documentOf(GetParent(dialog)); }

// OK (or Enter) stores what `store` stores and ends the dialog with
// `okResult`; Cancel (Escape, the close box) ends it with 0, storing nothing.
template <typename Store>
INT_PTR endOnOkOrCancel(HWND dialog, WPARAM wParam, INT_PTR okResult, Store store) {
    if (wParam != IDOK && wParam != IDCANCEL) return FALSE;
    if (wParam == IDOK) store();
    EndDialog(dialog, wParam == IDOK ? okResult : 0);
    return TRUE;
}
INT_PTR endOnOkOrCancel(HWND dialog, WPARAM wParam, INT_PTR okResult) {
    return endOnOkOrCancel(dialog, wParam, okResult, [] {});
}

// Frame and Scale: one number, spin arrows beside it, stored on OK.
INT_PTR numberDialog(HWND dialog, UINT message, WPARAM wParam, int id, std::int32_t& value) {
    switch (message) {
        case WM_INITDIALOG:
            setNumber(dialog, id, value);
            return TRUE;
        case WM_COMMAND:
            return endOnOkOrCancel(dialog, wParam, 1, [&] { value = readIntItem(dialog, id); });
        case WM_VSCROLL:
            // The arrows step whatever the box holds; the bar's own range
            // and position play no part.
            if (LOWORD(wParam) == SB_LINEUP) {
                setNumber(dialog, id, stepTypedInteger(readIntItem(dialog, id), 1));
            } else if (LOWORD(wParam) == SB_LINEDOWN) {
                setNumber(dialog, id, stepTypedInteger(readIntItem(dialog, id), -1));
            }
            return TRUE;
        default:
            return FALSE;
    }
}

// A dialog procedure is called from inside the system's own code, which an
// exception must never unwind through.
template <typename Handler>
INT_PTR guarded(Handler handler) noexcept {
    try {
        return handler();
    } catch (...) {
        return FALSE;
    }
}

}  // namespace

std::int32_t readIntItem(HWND dialog, int id) {
    char text[kTypedCharacters + 1] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return parseTypedInteger(text);
}

INT_PTR CALLBACK infoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return guarded([&]() -> INT_PTR {
        if (message == WM_INITDIALOG) {
            if (PlotDocument* document = ownerDocument(dialog)) {
                SetDlgItemTextA(dialog, IDC_INFO_FILE, document->fileName());
                char text[kTextCapacity];
                setText1251(dialog, IDC_INFO_AREA, document->areaText(text, sizeof text));
                setText1251(dialog, IDC_LOWER_LEFT, document->lowerLeftText(text, sizeof text));
                setText1251(dialog, IDC_INFO_TRAVEL, document->travelText(text, sizeof text));
            }
            return TRUE;
        }
        return message == WM_COMMAND ? endOnOkOrCancel(dialog, wParam, 0) : FALSE;
    });
}

INT_PTR CALLBACK frameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return guarded([&] {
        return numberDialog(dialog, message, wParam, IDC_FRAME_DISTANCE, settings.FrameDistance);
    });
}

INT_PTR CALLBACK scaleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return guarded(
        [&] { return numberDialog(dialog, message, wParam, IDC_SCALE_PERCENT, settings.Scale_K); });
}

INT_PTR CALLBACK rotateDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    return message == WM_COMMAND ? endOnOkOrCancel(dialog, wParam, 1) : FALSE;
}

INT_PTR CALLBACK moveDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return guarded([&]() -> INT_PTR {
        switch (message) {
            case WM_INITDIALOG:
                if (PlotDocument* document = ownerDocument(dialog)) {
                    char text[kTextCapacity];
                    setText1251(dialog, IDC_LOWER_LEFT, document->lowerLeftText(text, sizeof text));
                }
                setNumber(dialog, IDC_MOVE_X, settings.xMove);
                setNumber(dialog, IDC_MOVE_Y, settings.yMove);
                return TRUE;
            case WM_COMMAND:
                return endOnOkOrCancel(dialog, wParam, 1, [&] {
                    settings.xMove = readIntItem(dialog, IDC_MOVE_X);
                    settings.yMove = readIntItem(dialog, IDC_MOVE_Y);
                });
            default:
                return FALSE;
        }
    });
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return guarded([&]() -> INT_PTR {
        if (message == WM_INITDIALOG) {
            SetDlgItemTextA(dialog, IDC_ABOUT_STAMP, buildStamp(__DATE__, __TIME__).c_str());
            return TRUE;
        }
        return message == WM_COMMAND ? endOnOkOrCancel(dialog, wParam, 0) : FALSE;
    });
}

INT_PTR runDialog(HINSTANCE instance, HWND owner, const char* name) {
    static constexpr std::pair<std::string_view, DLGPROC> kProcedures[] = {
        {"Info", infoDialogProc},   {"Frame", frameDialogProc}, {"Scale", scaleDialogProc},
        {"Rotate", rotateDialogProc}, {"Move", moveDialogProc},   {"About", aboutDialogProc},
    };
    DLGPROC procedure = nullptr;
    for (const auto& [templateName, handler] : kProcedures)
        if (name && templateName == name) procedure = handler;
    if (!procedure) return 0;
    // The template names are ASCII.
    const std::wstring wide(name, name + std::strlen(name));
    const INT_PTR result = DialogBoxParamW(instance, wide.c_str(), owner, procedure, 0);
    // -1: the dialog could not be made; that is no OK.
    return result == -1 ? 0 : result;
}

}  // namespace kerfline
