#include "print/dialog_template.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace kerfline::print {
namespace {

constexpr std::uint32_t kSetFont = 0x40;  // DS_SETFONT
constexpr std::size_t kCountOffset = 8;   // of the header's number of controls
constexpr std::uint16_t kNumberMark = 0xFFFF;
constexpr std::uint16_t kButtonClass = 0x0080;

// Reads little-endian fields one after the other. Reading past the end
// reads zeros and leaves the reader failed for good.
class FieldReader {
public:
    explicit FieldReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool failed() const { return failed_; }
    std::size_t position() const { return position_; }

    std::uint16_t u16() {
        if (!has(2)) {
            return 0;
        }
        auto value = static_cast<std::uint16_t>(bytes_[position_] | bytes_[position_ + 1] << 8);
        position_ += 2;
        return value;
    }

    std::uint32_t u32() {
        std::uint32_t low = u16();
        std::uint32_t high = u16();
        return low | high << 16;
    }

    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }

    void skip(std::size_t count) {
        if (has(count)) {
            position_ += count;
        }
    }

    // Controls start on a 4-byte boundary from the template's start.
    void alignToFour() { skip((4 - position_ % 4) % 4); }

    // Characters up to a 0, which is read too.
    std::u16string text() {
        std::u16string result;
        for (std::uint16_t c = u16(); !failed_ && c != 0; c = u16()) {
            result.push_back(static_cast<char16_t>(c));
        }
        return result;
    }

    NameOrNumber nameOrNumber() {
        NameOrNumber result;
        std::uint16_t first = u16();
        if (first == kNumberMark) {
            result.number = u16();
        } else if (first != 0) {
            result.text.push_back(static_cast<char16_t>(first));
            result.text += text();
        }
        return result;
    }

private:
    bool has(std::size_t count) {
        if (failed_ || bytes_.size() - position_ < count) {
            failed_ = true;
            return false;
        }
        return true;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

DialogControl readControl(FieldReader& reader) {
    DialogControl control;
    reader.alignToFour();
    control.offset = reader.position();
    control.style = reader.u32();
    control.exStyle = reader.u32();
    control.x = reader.i16();
    control.y = reader.i16();
    control.width = reader.i16();
    control.height = reader.i16();
    control.id = reader.u16();
    control.windowClass = reader.nameOrNumber();
    control.caption = reader.nameOrNumber();
    control.creationDataSize = reader.u16();
    reader.skip(control.creationDataSize);
    return control;
}

void put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

std::optional<DialogTemplate> readDialogTemplate(std::span<const std::uint8_t> bytes) {
    FieldReader reader(bytes);
    DialogTemplate dialog;
    dialog.style = reader.u32();
    // An extended template starts with version 1 and the mark 0xFFFF.
    if (dialog.style == (std::uint32_t{kNumberMark} << 16 | 1)) {
        return std::nullopt;
    }
    dialog.exStyle = reader.u32();
    std::uint16_t count = reader.u16();
    dialog.x = reader.i16();
    dialog.y = reader.i16();
    dialog.width = reader.i16();
    dialog.height = reader.i16();
    dialog.menu = reader.nameOrNumber();
    dialog.windowClass = reader.nameOrNumber();
    dialog.caption = reader.nameOrNumber();
    if (dialog.style & kSetFont) {
        dialog.pointSize = reader.u16();
        dialog.fontName = reader.text();
    }
    // Stop at the first failure: a huge count over a few bytes costs nothing.
    for (std::uint16_t i = 0; i < count && !reader.failed(); ++i) {
        dialog.controls.push_back(readControl(reader));
    }
    if (reader.failed()) {
        return std::nullopt;
    }
    return dialog;
}

AddBoxResult addSendLikeHpglBox(std::span<std::uint8_t> block, std::size_t templateSize) {
    if (templateSize > block.size() || block.size() - templateSize < kAddedControlSize) {
        return AddBoxResult::malformed;
    }
    std::optional<DialogTemplate> dialog = readDialogTemplate(block.first(templateSize));
    if (!dialog || dialog->controls.size() == kNumberMark) {
        return AddBoxResult::malformed;  // no template, or its count cannot grow
    }
    auto printToFile = std::find_if(dialog->controls.begin(), dialog->controls.end(),
                                    [](const DialogControl& c) { return c.id == kPrintToFileId; });
    if (printToFile == dialog->controls.end()) {
        return AddBoxResult::noPrintToFileBox;
    }

    std::uint8_t* at = block.data() + printToFile->offset;
    std::memmove(at + kAddedControlSize, at, templateSize - printToFile->offset);
    // The gap still begins with control 1040's header as it was: its style,
    // extended style, x, width and height stay for the box; the rest is the
    // box's own.
    put16(at + 10, static_cast<std::uint16_t>(printToFile->y - 12));
    put16(at + 16, kSendLikeHpglId);
    put16(at + 18, kNumberMark);
    put16(at + 20, kButtonClass);
    static_assert(std::size(kSendLikeHpglCaption) == 16, "16 code units with the terminator");
    for (std::size_t i = 0; i < std::size(kSendLikeHpglCaption); ++i) {
        put16(at + 22 + 2 * i, kSendLikeHpglCaption[i]);
    }
    put16(at + 54, 0);  // no creation data
    put16(block.data() + kCountOffset, static_cast<std::uint16_t>(dialog->controls.size() + 1));
    return AddBoxResult::added;
}

}  // namespace kerfline::print
