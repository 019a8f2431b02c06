// The main window's document: the drawing, the window it is shown in, the
// file it came from, and every menu operation of the program.
#pragma once

#include "drawing/drawing.h"
#include "print/messages.h"
#include "shell/dispatch.h"
#include "shell/settings.h"
#include "shell/win32.h"

namespace kerfline {

// Always destroyed through its own type, so no virtual destructor. The menu
// commands run on it directly (see shell/dispatch.h).
class PlotDocument final : public PlotDrawing, public CommandTarget {
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

    // Reads the file into the drawing. On failure "Invalid File": a file
    // that could not be read leaves what was read and the no-drawing menus;
    // a name that is no regular file (a device, a pipe, a folder, a path too
    // long or null) is refused before anything is read and changes nothing.
    virtual bool openFile(const char* filePath);
    // Writes the drawing to `filePath`, or to `path` when null. On failure
    // "Can't Save File", and the file that was there stays as it was.
    virtual bool saveFile(const char* filePath);
    // MF_ENABLED or MF_GRAYED on Save, Save As, Print and the Image popup.
    virtual int enableMenus(UINT state);
    bool hasDrawing() const override { return loaded_; }
    std::intptr_t runDialog(const char* templateName) override;
    void onOpen() override;
    void onSave() override;
    void onSaveAs() override;
    void onPrint() override;
    // Closes the main window, as its close box does.
    void onExit() override;
    virtual void onPaint();
    void onFrame() override;
    void onScale() override;
    void onRotate() override;
    void onMove() override;

    HWND window;
    char path[kPathCapacity] = {};
    char* name = path;
    HGLOBAL printDialogTemplate = nullptr;

private:
    // Title, path, name and DefaultDir after a successful open or save as.
    void takePath(const char* filePath);
    void repaint() const;

    // The menus' state: whether the last open succeeded.
    bool loaded_ = false;
};

// The document attached to the main window (slot 0), or null.
PlotDocument* documentOf(HWND mainWindow);
void attachDocument(HWND mainWindow, PlotDocument* document);

// The name on the command line, made absolute and upper-cased, opened at
// start. An empty line opens nothing; a name too long for a path is
// "Invalid File".
void openCommandLineFile(PlotDocument& document, const char* commandLine);

}  // namespace kerfline
