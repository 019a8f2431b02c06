#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <tuple>
#include <vector>

#include "print/dialog_template.h"

namespace kerfline::print {
namespace {

using Bytes = std::vector<std::uint8_t>;
const NameOrNumber none{};
NameOrNumber number(std::uint16_t n) { return {n, {}}; }
NameOrNumber text(std::u16string_view s) { return {std::nullopt, std::u16string(s)}; }

struct ControlSpec {
    std::uint16_t id;
    NameOrNumber windowClass, caption;
    std::size_t creationData;
};
struct TemplateSpec {
    const char* label;
    bool font;
    NameOrNumber menu, windowClass, caption;
    std::vector<ControlSpec> controls;
};

void put16(Bytes& b, std::uint32_t v) {
    b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
}
void put32(Bytes& b, std::uint32_t v) { put16(b, v), put16(b, v >> 16); }
void putText(Bytes& b, std::u16string_view s) {
    for (char16_t c : s) put16(b, c);
    put16(b, 0);
}
void putName(Bytes& b, const NameOrNumber& n) {
    if (n.number)
        put16(b, 0xFFFF), put16(b, *n.number);
    else
        putText(b, n.text);
}
std::uint32_t styleOf(std::size_t i) { return 0x50010000u + std::uint32_t(i); }

// The template written field by field; `offsets` says where each control starts.
Bytes build(const TemplateSpec& spec, std::vector<std::size_t>* offsets = nullptr, int count = -1) {
    Bytes b;
    put32(b, 0x80C800C0u & (spec.font ? ~0u : ~0x40u));
    put32(b, 0);
    put16(b, count < 0 ? std::uint32_t(spec.controls.size()) : std::uint32_t(count));
    for (int v : {32, 32, 288, 186}) put16(b, std::uint32_t(v));
    putName(b, spec.menu), putName(b, spec.windowClass), putName(b, spec.caption);
    if (spec.font) put16(b, 8), putText(b, u"MS Sans Serif");
    for (std::size_t i = 0; i < spec.controls.size(); ++i) {
        const ControlSpec& c = spec.controls[i];
        while (b.size() % 4) b.push_back(0xEE);  // padding is never read
        if (offsets) offsets->push_back(b.size());
        put32(b, styleOf(i)), put32(b, 0x200u + std::uint32_t(i));
        for (std::size_t v : {10 + i, 70 + i, 30 + i, 12 + i}) put16(b, std::uint32_t(v));
        put16(b, c.id), putName(b, c.windowClass), putName(b, c.caption);
        put16(b, std::uint32_t(c.creationData));
        b.insert(b.end(), c.creationData, 0xCD);
    }
    return b;
}

// Patches a copy of `bytes` in a block with exactly the room the box needs.
AddBoxResult patch(const Bytes& bytes, Bytes& block) {
    block = bytes;
    block.resize(bytes.size() + kAddedControlSize, 0);
    return addSendLikeHpglBox(block, bytes.size());
}

const TemplateSpec kCases[] = {
    {"font, classes by number",
     true,
     none,
     none,
     text(u"Print"),
     {{1, number(0x80), text(u"OK"), 0},
      {1101, number(0x82), none, 0},
      {1040, number(0x80), text(u"Print to fi&le"), 0},
      {2, number(0x80), text(u"Cancel"), 0}}},
    {"no font, everything named, odd lengths",
     false,
     text(u"M"),
     text(u"Cls"),
     text(u"ab"),
     {{7, text(u"Static"), text(u"abc"), 0},
      {1040, text(u"Button"), number(5), 0},
      {8, text(u"X"), none, 0}}},
    {"creation data of each length",
     true,
     number(3),
     none,
     none,
     {{11, number(0x80), none, 1},
      {12, number(0x81), none, 2},
      {13, number(0x82), text(u"a"), 3},
      {1040, number(0x80), text(u"f"), 4},
      {14, number(0x80), none, 5}}},
    {"print-to-file box alone", true, none, none, text(u"P"), {{1040, number(0x80), none, 0}}},
};

TEST(DialogTemplate, ReadsEachFieldAndAddsTheBoxBeforeThePrintToFileBox) {
    for (const TemplateSpec& spec : kCases) {
        SCOPED_TRACE(spec.label);
        std::vector<std::size_t> offsets;
        const Bytes original = build(spec, &offsets);
        auto dialog = readDialogTemplate(original);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(std::tie(dialog->menu, dialog->windowClass, dialog->caption),
                  std::tie(spec.menu, spec.windowClass, spec.caption));
        EXPECT_EQ(dialog->fontName, spec.font ? u"MS Sans Serif" : u"");
        ASSERT_EQ(dialog->controls.size(), spec.controls.size());
        std::size_t index = spec.controls.size();
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            const DialogControl& c = dialog->controls[i];
            const ControlSpec& s = spec.controls[i];
            EXPECT_EQ(std::tie(c.offset, c.id, c.windowClass, c.caption, c.creationDataSize),
                      std::tie(offsets[i], s.id, s.windowClass, s.caption, s.creationData))
                << i;
            EXPECT_EQ(std::tuple(c.style, c.y), std::tuple(styleOf(i), std::int16_t(70 + i)));
            if (s.id == kPrintToFileId && index == spec.controls.size()) index = i;
        }

        Bytes box;  // the 56 bytes of the platform's item format for the box
        put32(box, styleOf(index)), put32(box, 0x200u + std::uint32_t(index));
        for (std::size_t v : {10 + index, 58 + index, 30 + index, 12 + index, std::size_t{1280}})
            put16(box, std::uint32_t(v));
        put16(box, 0xFFFF), put16(box, 0x80), putText(box, u"Send like HP-GL"), put16(box, 0);
        ASSERT_EQ(box.size(), kAddedControlSize);
        Bytes expected = original;
        expected.insert(expected.begin() + std::ptrdiff_t(offsets[index]), box.begin(), box.end());
        expected[8] = std::uint8_t(spec.controls.size() + 1);

        Bytes block;
        ASSERT_EQ(patch(original, block), AddBoxResult::added);
        EXPECT_EQ(block, expected);
        auto patched = readDialogTemplate(block);
        ASSERT_TRUE(patched);
        ASSERT_EQ(patched->controls.size(), spec.controls.size() + 1);
        EXPECT_EQ(patched->controls[index].id, kSendLikeHpglId);
        for (const DialogControl& c : patched->controls) EXPECT_EQ(c.offset % 4, 0u) << c.id;
    }
}

TEST(DialogTemplate, OnlyTheFirstPrintToFileBoxWithinTheCountGetsAPartner) {
    TemplateSpec twice = kCases[0], without = kCases[0];
    twice.controls.push_back({1040, number(0x80), none, 0});
    without.controls[2].id = 1041;
    using Ids = std::vector<std::uint16_t>;
    struct Case {
        const char* label;
        Bytes bytes;
        AddBoxResult result;
        Ids ids;
    } cases[] = {
        {"two boxes", build(twice), AddBoxResult::added, {1, 1101, 1280, 1040, 2, 1040}},
        {"no box", build(without), AddBoxResult::noPrintToFileBox, {1, 1101, 1041, 2}},
        {"box beyond the count",
         build(kCases[0], nullptr, 2),
         AddBoxResult::noPrintToFileBox,
         {1, 1101}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Bytes block;
        EXPECT_EQ(patch(c.bytes, block), c.result);
        if (c.result != AddBoxResult::added) {
            EXPECT_EQ(Bytes(block.begin(), block.begin() + std::ptrdiff_t(c.bytes.size())),
                      c.bytes);
        }
        auto dialog = readDialogTemplate(block);
        ASSERT_TRUE(dialog);
        Ids ids;
        for (const DialogControl& control : dialog->controls) ids.push_back(control.id);
        EXPECT_EQ(ids, c.ids);
    }
}

TEST(DialogTemplate, MalformedOrTruncatedBytesAreRefusedUntouched) {
    const Bytes whole = build(kCases[2]);
    std::vector<std::pair<std::string, Bytes>> cases;
    // Every cut: inside a field, a text without its terminator, odd lengths.
    for (std::size_t size = 0; size < whole.size(); ++size)
        cases.emplace_back("cut at " + std::to_string(size),
                           Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(size)));
    cases.emplace_back("a control more counted than written", build(kCases[2], nullptr, 6));
    Bytes extended = whole;
    extended[0] = 1, extended[1] = 0, extended[2] = 0xFF, extended[3] = 0xFF;
    cases.emplace_back("extended template", extended);
    for (const auto& [label, bytes] : cases) {
        SCOPED_TRACE(label);
        Bytes block;
        EXPECT_EQ(patch(bytes, block), AddBoxResult::malformed);
        EXPECT_EQ(Bytes(block.begin(), block.begin() + std::ptrdiff_t(bytes.size())), bytes);
        EXPECT_FALSE(readDialogTemplate(bytes));
    }

    Bytes tight = whole;  // one byte short of the room the box needs
    tight.resize(whole.size() + kAddedControlSize - 1);
    EXPECT_EQ(addSendLikeHpglBox(tight, whole.size()), AddBoxResult::malformed);
    EXPECT_EQ(addSendLikeHpglBox(tight, tight.size() + 1), AddBoxResult::malformed);
}

}  // namespace
}  // namespace kerfline::print
