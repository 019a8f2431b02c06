#include "print/print_job.h"

#include <ctime>
#include <string>

#include "print/handles.h"
#include "print/messages.h"
#include "print/print_dialog.h"
#include "print/print_log.h"

namespace kerfline {

namespace {

// The size question, in the program's code page 1251.
constexpr char kTooLarge[] =
    "\xC8\xE7\xEE\xE1\xF0\xE0\xE6\xE5\xED\xE8\xE5 \xF1\xEB\xE8\xF8\xEA\xEE\xEC "
    "\xE1\xEE\xEB\xFC\xF8\xEE\xE5.\n\xD3\xEC\xE5\xED\xFC\xF8\xE8\xF2\xFC \xE4\xEE "
    "\xF0\xE0\xE7\xEC\xE5\xF0\xEE\xE2 \xEB\xE8\xF1\xF2\xE0?";

// The raw path. True when the queue took every byte.
bool sendRaw(const PrintRequest& job, const std::string& printer) {
    PrinterHandle handle;
    if (!OpenPrinterA(const_cast<char*>(printer.c_str()), handle.put(), nullptr)) {
        showError(job.owner, "Can't Open Printer");
        return false;
    }
    MemoryOutput text;
    writeDrawing(text, job.drawing);
    const std::string& bytes = text.str();

    // No data type: the queue's default, which passes the bytes through.
    DOC_INFO_1A info{};
    info.pDocName = const_cast<char*>(job.fileName);
    if (StartDocPrinterA(handle.get(), 1, reinterpret_cast<BYTE*>(&info)) == 0) {
        showError(job.owner, "Can't Start Print Job");
        return false;
    }
    DWORD written = 0;
    const DWORD count = static_cast<DWORD>(bytes.size());
    const bool sent =
        StartPagePrinter(handle.get()) &&
        WritePrinter(handle.get(), const_cast<char*>(bytes.data()), count, &written) &&
        written == count && EndPagePrinter(handle.get());
    if (!sent || !EndDocPrinter(handle.get())) {
        // Nothing of a broken job may reach the cutter.
        AbortPrinter(handle.get());
        showError(job.owner, "Can't Send To Printer");
        return false;
    }
    return true;
}

// The driver path. True when the page was printed.
bool printThroughDriver(const PrintRequest& job, PrinterDc& dc) {
    const int width = GetDeviceCaps(dc.get(), HORZSIZE);
    const int height = GetDeviceCaps(dc.get(), VERTSIZE);
    const PlotDrawing& drawing = job.drawing;
    const bool fits = drawing.maxX / kUnitsPerMm < width && drawing.maxY / kUnitsPerMm < height;
    if (!fits && MessageBoxW(job.owner, from1251(kTooLarge).c_str(), L"Print",
                             MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return false;
    DOCINFOA info{};
    info.cbSize = sizeof info;
    info.lpszDocName = job.fileName;
    if (StartDocA(dc.get(), &info) <= 0) {
        showError(job.owner, "Can't Start Print Job");
        return false;
    }
    if (StartPage(dc.get()) <= 0) {
        AbortDoc(dc.get());
        showError(job.owner, "Can't Send To Printer");
        return false;
    }
    // render fits the same way: true scale when it fits, else the whole page.
    drawing.render(nullptr, dc.get());
    if (EndPage(dc.get()) <= 0 || EndDoc(dc.get()) <= 0) {
        AbortDoc(dc.get());
        showError(job.owner, "Can't Send To Printer");
        return false;
    }
    return true;
}

}  // namespace

void printDrawing(const PrintRequest& job) {
    PrintChoice choice;
    if (!runPrintDialog(job.owner, job.resources, job.dialogTemplate, job.sendLikeHpgl, choice))
        return;
    bool started;
    if (job.sendLikeHpgl) {
        choice.dc.reset();  // the raw path does not draw
        started = sendRaw(job, choice.printer);
    } else {
        started = printThroughDriver(job, choice.dc);
        choice.dc.reset();
    }
    if (!started) return;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (const std::tm* converted = std::localtime(&now)) local = *converted;
    appendPrintLog(job.logFile,
                   printLogLine(local, job.fileName, job.drawing, choice.printer.c_str()));
}

}  // namespace kerfline
