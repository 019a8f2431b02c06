// The operations of edit (convert takes them too): one table, each row an
// option with its value, how the value is read, its line of the usage and
// how the operation is carried out. The table and the operations are in
// edit.cpp; the production ones' readers and work in production.cpp.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cli/arguments.h"

namespace kerfline {
class Workpiece;
}

namespace kerfline::cli {

struct OperationRow {
    std::string_view name;
    // The value's name in the usage; empty when the option takes none.
    std::string_view value;
    // Its lines in the usage.
    std::string_view help;
    // Reads the value (empty when it takes none); an error message, or empty.
    std::string (*read)(std::string_view option, std::string_view value, Operation& operation);
    Operation::Kind kind;
    // On a drawing with nothing to cut: carried out as on any other
    // (Always), after the note that it has nothing to cut (Noted), or only
    // that note (Skipped).
    enum class WhenEmpty { Always, Noted, Skipped } whenEmpty;
    // Carries it out; false, after saying why, when it cannot be (the
    // arguments were wrong for this drawing). `precut` is --blade-offset's,
    // until --no-precut.
    bool (*apply)(const Operation& operation, Workpiece& piece, bool& precut);
};

// The rows, in the order the usage lists them.
std::span<const OperationRow> operationTable();

// The row of an option; null when it is none of them.
const OperationRow* findOperation(std::string_view option);

}  // namespace kerfline::cli
