// The platform's Print dialog with one box more, "Send like HP-GL", whose
// state the caller keeps.
#pragma once

#include <cstdint>
#include <string>

#include "print/handles.h"
#include "print/win32.h"

namespace kerfline {

// What a confirmed Print dialog hands back; all of it the job's to release.
struct PrintChoice {
    PrinterDc dc;
    GlobalBlock devMode;
    GlobalBlock devNames;
    // The printer's whole name, from DEVNAMES (DEVMODE holds at most 31
    // characters of it).
    std::string printer;
};

// Makes sure `block` holds a copy of the Print dialog's template from the
// module `resources`, with the "Send like HP-GL" box added. The copy is made
// once; the caller keeps it and frees it with GlobalFree.
void buildPrintDialogTemplate(HINSTANCE resources, HGLOBAL& block);

// Runs the dialog on the system's default printer, owned by `owner`, from
// the template in `dialogTemplate` (built first if it is empty). The box
// starts as `sendLikeHpgl` says; true when the user pressed OK, and then
// `sendLikeHpgl` holds the box (1 or 0).
bool runPrintDialog(HWND owner, HINSTANCE resources, HGLOBAL& dialogTemplate,
                    std::int32_t& sendLikeHpgl, PrintChoice& choice);

UINT_PTR CALLBACK printDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kerfline
