#include "shell/document.h"

#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "drawing/operations.h"
#include "print/print_job.h"
#include "resources/resource.h"
#include "shell/dialogs.h"
#include "shell/file_dialog.h"
#include "io/file_kind.h"
#include "shell/main_window.h"
#include "io/safe_save.h"
#include "shell/texts.h"

namespace kerfline {

PlotDocument::PlotDocument(HWND mainWindow) : window(mainWindow) {}

PlotDocument::~PlotDocument() {
    if (printDialogTemplate) GlobalFree(printDialogTemplate);
}

PlotDocument* documentOf(HWND mainWindow) {
    return reinterpret_cast<PlotDocument*>(GetWindowLongPtrA(mainWindow, 0));
}

void attachDocument(HWND mainWindow, PlotDocument* document) {
    SetWindowLongPtrA(mainWindow, 0, reinterpret_cast<LONG_PTR>(document));
}

const char* PlotDocument::fileName() const { return name; }

char* PlotDocument::areaText(char* buffer, std::size_t capacity) const {
    return PlotDrawing::areaText(buffer, capacity);
}

char* PlotDocument::lowerLeftText(char* buffer, std::size_t capacity) const {
    return PlotDrawing::lowerLeftText(buffer, capacity);
}

char* PlotDocument::travelText(char* buffer, std::size_t capacity) const {
    return PlotDrawing::travelText(buffer, capacity);
}

void PlotDocument::takePath(const char* filePath) {
    // The caller may hand us `path` itself (Save As onto the open name).
    const std::string chosen(filePath);
    copyText(path, sizeof path, chosen);
    name = path + fileNameOffset(path);
    SetWindowTextA(window, windowTitle(path).c_str());
    copyText(settings.DefaultDir, sizeof settings.DefaultDir, driveAndFolder(chosen));
}

bool PlotDocument::openFile(const char* filePath) {
    // Refused before a byte is read: reading a serial port (AUX, COM1) would
    // wait for ever, a pipe until its writer is done.
    if (fileKind(filePath) != FileKind::regular ||
        std::string_view(filePath).size() >= sizeof path) {
        showError(window, "Invalid File");
        return false;
    }
    bool read = false;
    try {
        // A name that is no file fails to open: nothing is created.
        FileInput in(filePath);
        readDrawing(in, *this);
        read = in.isOpen() && !in.failed();
    } catch (const std::exception&) {
        // Out of memory in the middle of a big file: give the memory back
        // and treat it as a file that could not be read.
        commands = CommandList();
        computeBounds();
        computeTravel();
    }
    if (!read) {
        SetWindowTextA(window, windowTitle(nullptr).c_str());
        enableMenus(MF_GRAYED);
        loaded_ = false;
        showError(window, "Invalid File");
        return false;
    }
    takePath(filePath);
    enableMenus(MF_ENABLED);
    loaded_ = true;
    return true;
}

bool PlotDocument::saveFile(const char* filePath) {
    const char* target = filePath ? filePath : path;
    bool saved = false;
    try {
        saved = saveReplacing(target, [this](OutputStream& out) { writeDrawing(out, *this); });
    } catch (const std::exception&) {
        saved = false;
    }
    if (!saved) {
        showError(window, "Can't Save File");
        return false;
    }
    if (filePath) takePath(filePath);
    return true;
}

int PlotDocument::enableMenus(UINT state) {
    HMENU menu = GetMenu(window);
    EnableMenuItem(menu, IDM_FILE_SAVE, state);
    EnableMenuItem(menu, IDM_FILE_SAVEAS, state);
    EnableMenuItem(menu, IDM_FILE_PRINT, state);
    return EnableMenuItem(menu, 1, state | MF_BYPOSITION);
}

void PlotDocument::onOpen() {
    char chosen[kPathCapacity] = {};
    const FileChoice choice = askFileName(window, FileDialog::open, settings.DefaultDir, chosen);
    if (choice == FileChoice::cancelled) return;
    if (choice == FileChoice::tooLong) {
        showError(window, "Invalid File");
        return;
    }
    openFile(chosen);
    InvalidateRect(window, nullptr, TRUE);
    DrawMenuBar(window);
}

void PlotDocument::onSave() { saveFile(nullptr); }

void PlotDocument::onSaveAs() {
    char chosen[kPathCapacity] = {};
    const FileChoice choice = askFileName(window, FileDialog::saveAs, settings.DefaultDir, chosen);
    if (choice == FileChoice::cancelled) return;
    if (choice == FileChoice::tooLong) {
        showError(window, "Can't Save File");
        return;
    }
    saveFile(chosen);
}

void PlotDocument::onPrint() {
    printDrawing({window, dialogInstance(), *this, fileName(), settings.LogFile,
                  settings.PrintLikeHPGL, printDialogTemplate});
}

// Default handling of WM_CLOSE destroys the window, which ends the loop.
void PlotDocument::onExit() { SendMessageA(window, WM_CLOSE, 0, 0); }

std::intptr_t PlotDocument::runDialog(const char* templateName) {
    return kerfline::runDialog(dialogInstance(), window, templateName);
}

void PlotDocument::onPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc) render(window, dc);
    EndPaint(window, &paint);
}

void PlotDocument::repaint() const { InvalidateRect(window, nullptr, TRUE); }

// Each operation does nothing, and repaints nothing, without an extent.
void PlotDocument::onFrame() {
    if (!hasExtent()) return;
    frameDrawing(*this, settings.FrameDistance);
    repaint();
}

void PlotDocument::onScale() {
    if (!hasExtent()) return;
    scaleDrawing(*this, settings.Scale_K);
    repaint();
}

void PlotDocument::onRotate() {
    if (!hasExtent()) return;
    rotateDrawing(*this);
    repaint();
}

void PlotDocument::onMove() {
    if (!hasExtent()) return;
    moveDrawing(*this, settings.xMove, settings.yMove);
    repaint();
}

void openCommandLineFile(PlotDocument& document, const char* commandLine) {
    if (!commandLine || !*commandLine) return;
    std::string text = commandLineName(commandLine);
    if (text.empty()) return;
    CharUpperA(text.data());
    char absolute[kPathCapacity];
    // A name that does not fit is no file the program can open.
    document.openFile(_fullpath(absolute, text.c_str(), sizeof absolute) ? absolute : nullptr);
}

}  // namespace kerfline
