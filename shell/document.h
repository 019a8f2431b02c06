// The main window's document: the drawing, the window it is shown in, the
// file it came from, and every menu operation of the program.
#pragma once

#include "drawing/drawing.h"
#include "shell/settings.h"
#include "shell/win32.h"

namespace kerfline {

// Always destroyed through its own type, so no virtual destructor.
class PlotDocument final : public PlotDrawing {
public:
    explicit PlotDocument(HWND mainWindow);
    PlotDocument(const PlotDocument&) = delete;
    PlotDocument& operator=(const PlotDocument&) = delete;
    // Releases the print dialog's template, then the drawing its commands.
    ~PlotDocument();

    // The open file's name without its folder; empty before the first open.
    virtual const char* fileName() const;
    virtual char* areaText(char* buffer, std::size_t capacity) const;
    virtual char* lowerLeftText(char* buffer, std::size_t capacity) const;
    virtual char* travelText(char* buffer, std::size_t capacity) const;

    // Reads the file into the drawing. The old drawing is gone whatever
    // happens; on failure "Invalid File" and the no-drawing menus.
    virtual bool openFile(const char* filePath);
    // Writes the drawing to `filePath`, or to `path` when null. On failure
    // "Can't Save File", and the file that was there stays as it was.
    virtual bool saveFile(const char* filePath);
    // MF_ENABLED or MF_GRAYED on Save, Save As, Print and the Image popup.
    virtual int enableMenus(UINT state);
    virtual void onOpen();
    virtual void onSave();
    virtual void onSaveAs();
    virtual void onPrint();
    virtual void onPaint();
    virtual void onFrame();
    virtual void onScale();
    virtual void onRotate();
    virtual void onMove();

    // Makes sure printDialogTemplate holds the Print dialog's template with
    // the "Send like HP-GL" box; the copy is made once a run.
    void buildPrintDialogTemplate();

    HWND window;
    char path[kPathCapacity] = {};
    char* name = path;
    HGLOBAL printDialogTemplate = nullptr;

private:
    // Title, path, name and DefaultDir after a successful open or save as.
    void takePath(const char* filePath);
    void repaint() const;
};

// The document attached to the main window (slot 0), or null.
PlotDocument* documentOf(HWND mainWindow);
void attachDocument(HWND mainWindow, PlotDocument* document);

// The name on the command line, made absolute and upper-cased, opened at
// start. An empty line, or one that does not make a path, opens nothing.
void openCommandLineFile(PlotDocument& document, const char* commandLine);

// The message boxes of the file and print commands: caption "Error",
// warning icon, OK.
void showError(HWND owner, const char* message);

}  // namespace kerfline
