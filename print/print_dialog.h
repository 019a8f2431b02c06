// The platform's Print dialog with one box more, "Send like HP-GL", whose
// state is the PrintLikeHPGL setting.
#pragma once

#include <string>

#include "print/handles.h"
#include "shell/win32.h"

namespace kerfline {

class PlotDocument;

// What a confirmed Print dialog hands back; all of it the job's to release.
struct PrintChoice {
    PrinterDc dc;
    GlobalBlock devMode;
    GlobalBlock devNames;
    // The printer's whole name, from DEVNAMES (DEVMODE holds at most 31
    // characters of it).
    std::string printer;
};

// Runs the dialog on the system's default printer, owned by the main
// window. True when the user pressed OK; PrintLikeHPGL then holds the box.
bool runPrintDialog(PlotDocument& document, PrintChoice& choice);

UINT_PTR CALLBACK printDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kerfline
