// The menu's commands: one table whose rows name the command id, the dialog
// it runs and the document operation after it. The window procedure only
// hands WM_COMMAND's wParam to dispatchCommand.
#pragma once

#include <array>
#include <cstdint>

namespace kerfline {

// What the commands act on: the document's operations, and running the
// program's dialogs on the window system's side.
class CommandTarget {
public:
    // Whether a drawing is loaded (the last open succeeded).
    virtual bool hasDrawing() const = 0;
    // Runs the dialog template `name` modally; its end result (1 for OK, 0
    // for Cancel).
    virtual std::intptr_t runDialog(const char* name) = 0;
    virtual void onOpen() = 0;
    virtual void onSave() = 0;
    virtual void onSaveAs() = 0;
    virtual void onPrint() = 0;
    virtual void onExit() = 0;
    virtual void onFrame() = 0;
    virtual void onScale() = 0;
    virtual void onRotate() = 0;
    virtual void onMove() = 0;

protected:
    ~CommandTarget() = default;
};

using Operation = void (CommandTarget::*)();

struct CommandEntry {
    unsigned id;
    const char* dialog;   // the template run first, modally; null for none
    Operation operation;  // then, when there is no dialog or it ended with
                          // non-zero; null for none
    // Greyed in the menu without a drawing, and refused without one from
    // whatever sends it.
    bool needsDrawing;
};

const std::array<CommandEntry, 11>& commandTable();

// Runs the command whose id is the whole of `wParam`; a notification code
// in its upper half matches nothing. False for a command it does not know.
// A command that needs a drawing does nothing without one, but counts as
// known.
bool dispatchCommand(std::uintptr_t wParam, CommandTarget& target);

}  // namespace kerfline
