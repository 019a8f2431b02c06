// The Print dialog template (dialog 1538) in the program's resources, read
// by our walk. The platform's dialog takes a template that lacks a control
// without a word: hence the counting. Adding the box is tested on built
// templates natively, and in the live dialog with the print tests.
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

}  // namespace
}  // namespace kerfline::print
