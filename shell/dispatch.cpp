#include "shell/dispatch.h"

#include "resources/resource.h"

namespace kerfline {

const std::array<CommandEntry, 11>& commandTable() {
    static const std::array<CommandEntry, 11> table = {{
        {IDM_FILE_OPEN, Dialog::none, Action::open},
        {IDM_FILE_SAVE, Dialog::none, Action::save},
        {IDM_FILE_SAVEAS, Dialog::none, Action::saveAs},
        {IDM_FILE_PRINT, Dialog::none, Action::print},
        {IDM_FILE_EXIT, Dialog::none, Action::exit},
        {IDM_IMAGE_INFO, Dialog::info, Action::none},
        {IDM_IMAGE_FRAME, Dialog::frame, Action::frame},
        {IDM_IMAGE_SCALE, Dialog::scale, Action::scale},
        {IDM_IMAGE_ROTATE, Dialog::rotate, Action::rotate},
        {IDM_IMAGE_MOVE, Dialog::move, Action::move},
        {IDM_HELP_ABOUT, Dialog::about, Action::none},
    }};
    return table;
}

const char* dialogName(Dialog dialog) {
    // In the order of the enumeration.
    static constexpr const char* kNames[] = {nullptr,  "Info", "Frame", "Scale",
                                             "Rotate", "Move", "About"};
    return kNames[static_cast<int>(dialog)];
}

bool dispatchCommand(std::uintptr_t wParam, CommandHost& host) {
    for (const CommandEntry& entry : commandTable()) {
        if (wParam != entry.id) continue;
        if (entry.dialog != Dialog::none && host.runDialog(entry.dialog) == 0) return true;
        if (entry.action != Action::none) host.run(entry.action);
        return true;
    }
    return false;
}

}  // namespace kerfline
