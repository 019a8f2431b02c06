// Any bytes as a dialog template with room for the added box: the walk must
// stay inside them (the sanitizers watch), leave them as they were unless it
// added the box, and a box it added must stand directly before the first
// print-to-file box of a template that still reads, one control longer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "print/dialog_template.h"

using namespace kerfline::print;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto before = readDialogTemplate(bytes);
    std::vector<std::uint8_t> block(bytes.begin(), bytes.end());
    block.resize(size + kAddedControlSize, 0xA5);
    const AddBoxResult result = addSendLikeHpglBox(block, size);

    std::size_t first = 0;
    while (before && first < before->controls.size() &&
           before->controls[first].id != kPrintToFileId)
        ++first;
    const bool found = before && first < before->controls.size();
    if (result != AddBoxResult::added) {
        if (found && before->controls.size() < 0xFFFF) std::abort();  // the box was due
        if (!std::equal(bytes.begin(), bytes.end(), block.begin())) std::abort();
        return 0;
    }
    const auto after = readDialogTemplate(block);
    if (!found || !after || after->controls.size() != before->controls.size() + 1 ||
        after->controls[first].id != kSendLikeHpglId ||
        after->controls[first + 1].id != kPrintToFileId ||
        after->controls[first].y != static_cast<std::int16_t>(before->controls[first].y - 12))
        std::abort();
    return 0;
}
