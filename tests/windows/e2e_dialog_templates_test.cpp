// The six dialog templates as kerfline.exe ships them, read back from its
// resources with the program's own template reader: language, caption,
// size, font, and every control's class, id, rectangle, style and text, with
// the Russian labels as UTF-16.
#include "running_program.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "print/dialog_template.h"

namespace kerfline::test {
namespace {

enum Kind : std::uint16_t { button = 0x80, edit = 0x81, label = 0x82, scrollBar = 0x84 };

struct Control {
    Kind kind;
    int id;
    short x, y, cx, cy;
    std::u16string text;
    DWORD style;  // the bits that matter for this control
};

struct Template {
    short x, y, cx, cy;
    std::u16string caption;
    std::u16string font;
    int pointSize;
    std::vector<Control> controls;
};

constexpr DWORD kEditStyle = ES_RIGHT | WS_BORDER | WS_TABSTOP;
constexpr DWORD kOkStyle = BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr DWORD kCancelStyle = BS_PUSHBUTTON | WS_TABSTOP;

struct Expected {
    const char* name;
    Template dialog;
};

// clang-format off
const Expected kTemplates[] = {
    {"Info",
     {20, 20, 120, 97, u"Info", u"MS Sans Serif", 8,
      {{label, -1, 9, 6, 24, 8, u"\x0424\x0430\x0439\x043B:", SS_LEFT},
       {label, -1, 9, 23, 35, 8, u"\x041F\x043B\x043E\x0449\x0430\x0434\x044C:", SS_LEFT},
       {label, -1, 9, 59, 36, 8, u"\x0425\x043E\x0434 \x043D\x043E\x0436\x0430:", SS_LEFT},
       {button, IDOK, 48, 77, 24, 14, u"&OK", kOkStyle},
       {label, 1010, 55, 5, 56, 8, u"????????.???", SS_RIGHT},
       {label, 1020, 55, 23, 56, 8, u"0", SS_RIGHT},
       {label, 1030, 55, 59, 56, 8, u"0", SS_RIGHT},
       {label, -1, 9, 41, 36, 8, u"\x041B\x0435\x0432.\x043D\x0438\x0436.:", SS_LEFT},
       {label, 1025, 55, 41, 56, 8, u"0", SS_RIGHT}}}},
    {"Frame",
     {20, 20, 120, 60, u"Frame", u"MS Sans Serif", 8,
      {{label, -1, 18, 12, 41, 8, u"\x0420\x0430\x0441\x0441\x0442\x043E\x044F\x043D\x0438\x0435:",
        SS_LEFT},
       {label, -1, 91, 12, 11, 8, u"\x043C\x043C", SS_LEFT},
       {edit, 1040, 62, 12, 16, 12, u"", kEditStyle},
       {scrollBar, -1, 78, 12, 7, 12, u"", SBS_VERT},
       {button, IDOK, 28, 35, 24, 14, u"&OK", kOkStyle},
       {button, IDCANCEL, 62, 35, 29, 14, u"&Cancel", kCancelStyle}}}},
    {"Scale",
     {20, 20, 120, 60, u"Scale", u"MS Sans Serif", 8,
      {{label, -1, 15, 12, 46, 8, u"\x041C\x0430\x0441\x0448\x0442. \x043A\x043E\x044D\x0444.",
        SS_LEFT},
       {label, -1, 93, 12, 11, 8, u"%", SS_LEFT},
       {edit, 1050, 64, 12, 16, 12, u"", kEditStyle},
       {scrollBar, -1, 80, 12, 7, 11, u"", SBS_VERT},
       {button, IDOK, 28, 35, 24, 14, u"&OK", kOkStyle},
       {button, IDCANCEL, 62, 35, 29, 14, u"&Cancel", kCancelStyle}}}},
    {"Rotate",
     {20, 20, 120, 60, u"Rotate", u"MS Sans Serif", 8,
      {{label, -1, 39, 12, 41, 8, u"\x0410 \x0441\x0442\x043E\x0438\x0442 \x043B\x0438 ?", SS_LEFT},
       {button, IDOK, 28, 35, 24, 14, u"&OK", kOkStyle},
       {button, IDCANCEL, 62, 35, 29, 14, u"&Cancel", kCancelStyle}}}},
    {"Move",
     {20, 20, 120, 75, u"Move", u"MS Sans Serif", 8,
      {{label, -1, 9, 22, 41, 8, u"\x041D\x043E\x0432.\x043B\x0435\x0432.:", SS_LEFT},
       {label, -1, 9, 6, 36, 8, u"\x041B\x0435\x0432.\x043D\x0438\x0436.:", SS_LEFT},
       {label, -1, 9, 38, 41, 8, u"\x041D\x043E\x0432.\x043D\x0438\x0436.:", SS_LEFT},
       {label, -1, 100, 22, 11, 8, u"\x043C\x043C", SS_LEFT},
       {label, -1, 100, 38, 11, 8, u"\x043C\x043C", SS_LEFT},
       {label, 1025, 55, 6, 56, 8, u"0", SS_RIGHT},
       {edit, 1060, 76, 22, 21, 12, u"", kEditStyle},
       {edit, 1070, 76, 38, 21, 12, u"", kEditStyle},
       {button, IDOK, 28, 54, 24, 14, u"&OK", kOkStyle},
       {button, IDCANCEL, 62, 54, 29, 14, u"&Cancel", kCancelStyle}}}},
    {"About",
     {20, 20, 140, 83, u"About", u"MS Sans Serif", 8,
      {{button, IDOK, 58, 59, 24, 14, u"&OK", kOkStyle},
       {label, -1, 6, 6, 18, 20, u"KERFLINE", SS_ICON},
       {label, -1, 31, 6, 106, 8, u"Kerfline, v1.0ALPHA2", SS_LEFT},
       {label, 1080, 31, 20, 106, 8, u"", SS_LEFT}}}},
};

// clang-format on

void PrintTo(const Expected& expected, std::ostream* out) { *out << expected.name; }

class DialogTemplates : public ::testing::TestWithParam<Expected> {
protected:
    void SetUp() override {
        module_ = LoadLibraryExA(kerflineExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << "cannot load " << kerflineExePath();
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

TEST_P(DialogTemplates, AreRussianTemplatesWithTheControlsInTabOrder) {
    const Expected& expected = GetParam();
    HRSRC found = FindResourceExA(module_, MAKEINTRESOURCEA(5) /* RT_DIALOG */, expected.name,
                                  MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT));
    ASSERT_NE(found, nullptr) << expected.name << " is not a dialog of language 1049";
    const auto* bytes =
        static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, found)));
    const auto actual = print::readDialogTemplate(std::span(bytes, SizeofResource(module_, found)));
    ASSERT_TRUE(actual) << "the template does not read whole";

    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(actual->style & frame, frame);
    EXPECT_EQ(actual->caption.text, expected.dialog.caption);
    EXPECT_EQ(actual->fontName, expected.dialog.font);
    EXPECT_EQ(actual->pointSize, expected.dialog.pointSize);
    EXPECT_EQ((std::vector<int>{actual->x, actual->y, actual->width, actual->height}),
              (std::vector<int>{expected.dialog.x, expected.dialog.y, expected.dialog.cx,
                                expected.dialog.cy}));
    ASSERT_EQ(actual->controls.size(), expected.dialog.controls.size());
    for (std::size_t i = 0; i < actual->controls.size(); ++i) {
        const print::DialogControl& a = actual->controls[i];
        const Control& e = expected.dialog.controls[i];
        SCOPED_TRACE(std::string(expected.name) + " control " + std::to_string(i));
        EXPECT_EQ(a.windowClass.number, e.kind) << "class by number";
        EXPECT_EQ(static_cast<std::int16_t>(a.id), e.id);
        EXPECT_EQ((std::vector<int>{a.x, a.y, a.width, a.height}),
                  (std::vector<int>{e.x, e.y, e.cx, e.cy}));
        EXPECT_TRUE(a.caption.text == e.text) << "text differs";
        EXPECT_TRUE(a.style & WS_VISIBLE);
        // Static and button styles are numbers in the low bits, not flags.
        const DWORD low = (e.kind == label || e.kind == button) ? 0x1F : 0;
        EXPECT_EQ(a.style & low, e.style & low);
        EXPECT_EQ(a.style & ~low & e.style, e.style & ~low);
    }
}

INSTANTIATE_TEST_SUITE_P(Kerfline, DialogTemplates, ::testing::ValuesIn(kTemplates),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kerfline::test
