// The menu's commands: which dialog, if any, and which operation each id
// runs. The table is the whole command set; the window procedure only
// hands WM_COMMAND's wParam to dispatchCommand.
#pragma once

#include <array>
#include <cstdint>

namespace kerfline {

enum class Dialog { none, info, frame, scale, rotate, move, about };
enum class Action { none, open, save, saveAs, print, exit, frame, scale, rotate, move };

struct CommandEntry {
    unsigned id;
    Dialog dialog;  // run first, modally
    Action action;  // then, when there is no dialog or it ended with non-zero
};

const std::array<CommandEntry, 11>& commandTable();

// The template name of a dialog ("Info", "Frame", ...), or null for none.
const char* dialogName(Dialog dialog);

// What the commands act on: the window system's side of a command.
class CommandHost {
public:
    virtual ~CommandHost() = default;
    // Runs the dialog modally; its end result (1 for OK, 0 for Cancel).
    virtual std::intptr_t runDialog(Dialog dialog) = 0;
    virtual void run(Action action) = 0;
};

// Runs the command whose id is the whole of `wParam`; a notification code
// in its upper half matches nothing. False for a command it does not know.
bool dispatchCommand(std::uintptr_t wParam, CommandHost& host);

}  // namespace kerfline
