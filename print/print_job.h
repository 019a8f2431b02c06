// File/Print for one drawing: the Print dialog, then the drawing either
// sent to the queue as the HP-GL text File/Save writes, or drawn through the
// printer driver; a line in the print log for each job that reached the
// printer. Everything it reads or sets comes in the request: printing knows
// nothing of the document or the window that asks for it.
#pragma once

#include <cstdint>

#include "drawing/drawing.h"
#include "print/win32.h"

namespace kerfline {

struct PrintRequest {
    HWND owner;                   // owns the dialog and the message boxes
    HINSTANCE resources;          // the module holding the Print dialog's template
    const PlotDrawing& drawing;   // printed as it is now
    const char* fileName;         // the job's name and the log's file field
    const char* logFile;          // the print log's path
    std::int32_t& sendLikeHpgl;   // the dialog's box: read, and set on OK
    HGLOBAL& dialogTemplate;      // the patched template, made on the first print and
                                  // kept (and freed) by the caller
};

void printDrawing(const PrintRequest& request);

}  // namespace kerfline
