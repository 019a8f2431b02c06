// Dialog templates in the platform's standard binary form (DLGTEMPLATE, not
// the extended one), read and changed as plain bytes, so that this code does
// not need the platform and is tested on any system.
//
// The Print dialog gets its "Send like HP-GL" check box here: the box is
// written into the copy of the template directly before the dialog's own
// print-to-file box, and takes that box's style, x, width and height, 12
// dialog units higher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kerfline::print {

// Dialog resource that holds the Print dialog's template.
inline constexpr std::uint16_t kPrintDialogTemplateId = 1538;
// The dialog's "Print to file" check box, and the box added before it.
inline constexpr std::uint16_t kPrintToFileId = 1040;
inline constexpr std::uint16_t kSendLikeHpglId = 1280;
inline constexpr char16_t kSendLikeHpglCaption[] = u"Send like HP-GL";
// Bytes the added control takes: the room to leave after the template.
inline constexpr std::size_t kAddedControlSize = 56;

// A menu, window class or caption field: none, a number (written as 0xFFFF
// and the number), or a text.
struct NameOrNumber {
    std::optional<std::uint16_t> number;
    std::u16string text;

    bool operator==(const NameOrNumber&) const = default;
};

struct DialogControl {
    std::size_t offset = 0;  // where it starts, from the template's start
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, width = 0, height = 0;
    std::uint16_t id = 0;
    NameOrNumber windowClass;
    NameOrNumber caption;
    std::size_t creationDataSize = 0;
};

struct DialogTemplate {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, width = 0, height = 0;
    NameOrNumber menu;
    NameOrNumber windowClass;
    NameOrNumber caption;
    // Only with DS_SETFONT in the style.
    std::optional<std::uint16_t> pointSize;
    std::u16string fontName;
    std::vector<DialogControl> controls;  // as many as the header counts
};

// Reads a whole template. Nothing when any part of it lies beyond the bytes
// (a text without its terminator, fewer controls than the header counts) or
// when the bytes are an extended template.
std::optional<DialogTemplate> readDialogTemplate(std::span<const std::uint8_t> bytes);

enum class AddBoxResult {
    added,
    noPrintToFileBox,  // a valid template without a control 1040
    malformed,         // not a valid template, or no room for the box
};

// Adds the "Send like HP-GL" box before the first control 1040 of the
// template in the first `templateSize` bytes of `block`, which must have at
// least kAddedControlSize bytes more: everything from that control on moves
// 56 bytes towards the end, the new control fills the gap, and the header
// counts one control more. Unless the result is `added`, no byte of `block`
// has changed.
AddBoxResult addSendLikeHpglBox(std::span<std::uint8_t> block, std::size_t templateSize);

}  // namespace kerfline::print
