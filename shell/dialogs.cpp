#include "shell/dialogs.h"

#include <exception>
#include <string>
#include <utility>

#include "shell/document.h"
#include "shell/settings.h"
#include "resources/resource.h"
#include "shell/texts.h"

namespace kerfline {

namespace {

constexpr std::size_t kTextCapacity = 128;

// The program's texts are code page 1251 bytes, whatever the system's.
void setText1251(HWND dialog, int id, const char* text) {
    wchar_t wide[kTextCapacity];
    if (MultiByteToWideChar(1251, 0, text, -1, wide, kTextCapacity) == 0) wide[0] = L'\0';
    SetDlgItemTextW(dialog, id, wide);
}

void setNumber(HWND dialog, int id, std::int32_t value) {
    char text[kDecimalCapacity];
    SetDlgItemTextA(dialog, id, decimalText(value, text));
}

PlotDocument* ownerDocument(HWND dialog) { return documentOf(GetParent(dialog)); }

// Frame and Scale: one number, spin arrows beside it, stored on OK.
INT_PTR numberDialog(HWND dialog, UINT message, WPARAM wParam, int id, std::int32_t& value) {
    switch (message) {
        case WM_INITDIALOG:
            setNumber(dialog, id, value);
            return TRUE;
        case WM_COMMAND:
            if (wParam == IDOK) {
                value = readIntItem(dialog, id);
                EndDialog(dialog, 1);
                return TRUE;
            }
            if (wParam == IDCANCEL) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
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

// Ends a dialog that only shows things, whichever way it is closed.
INT_PTR closeOnOkOrCancel(HWND dialog, WPARAM wParam) {
    if (wParam == IDOK || wParam == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
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
        return message == WM_COMMAND ? closeOnOkOrCancel(dialog, wParam) : FALSE;
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
    if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) {
        EndDialog(dialog, wParam == IDOK ? 1 : 0);
        return TRUE;
    }
    return FALSE;
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
                if (wParam == IDOK) {
                    settings.xMove = readIntItem(dialog, IDC_MOVE_X);
                    settings.yMove = readIntItem(dialog, IDC_MOVE_Y);
                    EndDialog(dialog, 1);
                    return TRUE;
                }
                if (wParam == IDCANCEL) {
                    EndDialog(dialog, 0);
                    return TRUE;
                }
                return FALSE;
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
        return message == WM_COMMAND ? closeOnOkOrCancel(dialog, wParam) : FALSE;
    });
}

INT_PTR runDialog(HINSTANCE instance, HWND owner, Dialog which) {
    static constexpr std::pair<Dialog, DLGPROC> kProcedures[] = {
        {Dialog::info, infoDialogProc},   {Dialog::frame, frameDialogProc},
        {Dialog::scale, scaleDialogProc}, {Dialog::rotate, rotateDialogProc},
        {Dialog::move, moveDialogProc},   {Dialog::about, aboutDialogProc},
    };
    DLGPROC procedure = nullptr;
    for (const auto& [dialog, handler] : kProcedures)
        if (dialog == which) procedure = handler;
    if (!procedure) return 0;
    // The template names are ASCII.
    std::wstring name;
    for (const char* c = dialogName(which); *c; ++c) name += static_cast<wchar_t>(*c);
    const INT_PTR result = DialogBoxParamW(instance, name.c_str(), owner, procedure, 0);
    // -1: the dialog could not be made; that is no OK.
    return result == -1 ? 0 : result;
}

}  // namespace kerfline
