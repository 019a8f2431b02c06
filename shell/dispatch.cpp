#include "shell/dispatch.h"

#include "resources/resource.h"

namespace kerfline {

const std::array<CommandEntry, 11>& commandTable() {
    using T = CommandTarget;
    static const std::array<CommandEntry, 11> table = {{
        {IDM_FILE_OPEN, nullptr, &T::onOpen, false},
        {IDM_FILE_SAVE, nullptr, &T::onSave, true},
        {IDM_FILE_SAVEAS, nullptr, &T::onSaveAs, true},
        {IDM_FILE_PRINT, nullptr, &T::onPrint, true},
        {IDM_FILE_EXIT, nullptr, &T::onExit, false},
        {IDM_IMAGE_INFO, "Info", nullptr, true},
        {IDM_IMAGE_FRAME, "Frame", &T::onFrame, true},
        {IDM_IMAGE_SCALE, "Scale", &T::onScale, true},
        {IDM_IMAGE_ROTATE, "Rotate", &T::onRotate, true},
        {IDM_IMAGE_MOVE, "Move", &T::onMove, true},
        {IDM_HELP_ABOUT, "About", nullptr, false},
    }};
    return table;
}

bool dispatchCommand(std::uintptr_t wParam, CommandTarget& target) {
    for (const CommandEntry& entry : commandTable()) {
        if (wParam != entry.id) continue;
        // Another program can send a command whose menu item is greyed.
        if (entry.needsDrawing && !target.hasDrawing()) return true;
        if (entry.dialog && target.runDialog(entry.dialog) == 0) return true;
        if (entry.operation) (target.*entry.operation)();
        return true;
    }
    return false;
}

}  // namespace kerfline
