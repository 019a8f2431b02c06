#include "shell/document.h"

#include <cstdlib>
#include <exception>
#include <string>

#include "drawing/operations.h"
#include "shell/file_dialog.h"
#include "shell/safe_save.h"
#include "resources/resource.h"
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

void showError(HWND owner, const char* message) {
    MessageBoxA(owner, message, "Error", MB_OK | MB_ICONWARNING);
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
        showError(window, "Invalid File");
        return false;
    }
    takePath(filePath);
    enableMenus(MF_ENABLED);
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
    if (!askFileName(window, FileDialog::open, settings.DefaultDir, chosen)) return;
    openFile(chosen);
    InvalidateRect(window, nullptr, TRUE);
    DrawMenuBar(window);
}

void PlotDocument::onSave() { saveFile(nullptr); }

void PlotDocument::onSaveAs() {
    char chosen[kPathCapacity] = {};
    if (!askFileName(window, FileDialog::saveAs, settings.DefaultDir, chosen)) return;
    saveFile(chosen);
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
    if (!_fullpath(absolute, text.c_str(), sizeof absolute)) return;
    document.openFile(absolute);
}

}  // namespace kerfline
