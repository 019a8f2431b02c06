// The Print dialog template (dialog 1538) in the program's resources, and
// the copy with the "Send like HP-GL" box, read by our walk and built into
// a dialog by the platform's dialog manager, which takes a template that
// lacks a control without a word: hence the counting.
#include "print/dialog_template.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace kerfline::print {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kAutoCheckBox =
    WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX;

Bytes templateResource() {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(kPrintDialogTemplateId), RT_DIALOG);
    if (found == nullptr) return {};
    auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
    return Bytes(bytes, bytes + SizeofResource(nullptr, found));
}

Bytes patchedTemplate() {
    Bytes block = templateResource();
    const std::size_t size = block.size();
    block.resize(size + kAddedControlSize);
    EXPECT_EQ(addSendLikeHpglBox(block, size), AddBoxResult::added);
    return block;
}

BOOL CALLBACK addLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
    return TRUE;
}

std::vector<int> place(const DialogControl& c) { return {c.x, c.y, c.width, c.height}; }

TEST(PrintDialogTemplate, HoldsTheStandardControlsInRussianOnly) {
    std::vector<WORD> languages;
    EnumResourceLanguagesA(nullptr, RT_DIALOG, MAKEINTRESOURCEA(kPrintDialogTemplateId),
                           addLanguage, reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, std::vector<WORD>{1049});

    auto dialog = readDialogTemplate(templateResource());
    ASSERT_TRUE(dialog) << "dialog 1538 missing or unreadable";
    EXPECT_EQ(dialog->caption.text, u"Print");
    EXPECT_EQ(dialog->pointSize, 8);
    EXPECT_EQ(dialog->fontName, u"MS Sans Serif");
    EXPECT_EQ(std::tuple(dialog->width, dialog->height), std::tuple(288, 186));

    std::vector<std::uint16_t> ids;
    for (const DialogControl& c : dialog->controls) ids.push_back(c.id);
    const std::vector<std::uint16_t> standard = {grp4,  stc6,  cmb4,  psh2, stc8,  stc12, stc7,
                                                 stc11, stc10, stc14, stc9, stc13, chx1,  grp1,
                                                 rad1,  rad3,  rad2,  stc2, edt1,  stc3,  edt2,
                                                 grp2,  stc5,  edt3,  ico3, chx2,  IDOK,  IDCANCEL};
    ASSERT_EQ(ids, standard);
    EXPECT_EQ(place(dialog->controls[12]), (std::vector<int>{212, 70, 64, 12}));   // chx1, 1040
    EXPECT_EQ(place(dialog->controls[9]), (std::vector<int>{52, 60, 224, 10}));    // stc14, 1101
    EXPECT_EQ(place(dialog->controls[2]), (std::vector<int>{52, 18, 152, 152}));   // cmb4, 1139
    EXPECT_EQ(place(dialog->controls[26]), (std::vector<int>{180, 164, 48, 14}));  // OK
    EXPECT_EQ(place(dialog->controls[27]), (std::vector<int>{232, 164, 48, 14}));  // Cancel
    EXPECT_EQ(dialog->controls[12].style, kAutoCheckBox);
    EXPECT_EQ(dialog->controls[12].windowClass.number, 0x80);  // a button
    EXPECT_EQ(dialog->controls[12].caption.text, u"Print to fi&le");
}

TEST(PrintDialogTemplate, TheCopyGetsTheBoxAsThirteenthControlAbovePrintToFile) {
    auto dialog = readDialogTemplate(patchedTemplate());
    ASSERT_TRUE(dialog);
    ASSERT_EQ(dialog->controls.size(), 29u);
    const DialogControl& box = dialog->controls[12];
    EXPECT_EQ(box.id, 1280);
    EXPECT_EQ(place(box), (std::vector<int>{212, 58, 64, 12}));
    EXPECT_EQ(box.style, kAutoCheckBox);
    EXPECT_EQ(box.windowClass.number, 0x80);
    EXPECT_EQ(box.caption.text, u"Send like HP-GL");
    EXPECT_EQ(dialog->controls[13].id, 1040);
}

INT_PTR CALLBACK leaveAlone(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

int childCount(HWND window) {
    int count = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

TEST(PrintDialogTemplate, TheDialogManagerBuildsBothIntoWindowsWithEveryControl) {
    for (auto [bytes, controls] :
         {std::pair{templateResource(), 28}, std::pair{patchedTemplate(), 29}}) {
        SCOPED_TRACE(controls);
        ASSERT_FALSE(bytes.empty());
        bytes[3] =
            static_cast<std::uint8_t>(bytes[3] & ~(WS_VISIBLE >> 24));  // keep it off the desktop
        HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                                 reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()),
                                                 nullptr, leaveAlone, 0);
        ASSERT_NE(dialog, nullptr) << "error " << GetLastError();
        EXPECT_EQ(childCount(dialog), controls);
        if (controls == 29) {
            HWND box = GetDlgItem(dialog, 1280);
            ASSERT_NE(box, nullptr);
            char text[32] = {};
            GetWindowTextA(box, text, sizeof text);
            EXPECT_STREQ(text, "Send like HP-GL");
            EXPECT_EQ(GetWindow(box, GW_HWNDNEXT), GetDlgItem(dialog, 1040));
            RECT expected = {212, 58, 212 + 64, 58 + 12};
            MapDialogRect(dialog, &expected);
            RECT actual;
            GetWindowRect(box, &actual);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
            EXPECT_EQ(
                (std::vector<LONG>{actual.left, actual.top, actual.right, actual.bottom}),
                (std::vector<LONG>{expected.left, expected.top, expected.right, expected.bottom}));
        }
        DestroyWindow(dialog);
    }
}

}  // namespace
}  // namespace kerfline::print
