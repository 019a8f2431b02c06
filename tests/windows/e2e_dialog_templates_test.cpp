// The six dialog templates as kerfline.exe ships them, read back from its
// resources: language, caption, size, font, and every control's class, id,
// rectangle, style and text, with the Russian labels as UTF-16.
#include "running_program.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kerfline::test {
namespace {

enum Kind : std::uint16_t { button = 0x80, edit = 0x81, label = 0x82, scrollBar = 0x84 };

struct Control {
    Kind kind;
    int id;
    short x, y, cx, cy;
    std::wstring text;
    DWORD style;  // the bits that matter for this control
};

struct Template {
    short x, y, cx, cy;
    std::wstring caption;
    std::wstring font;
    int pointSize;
    std::vector<Control> controls;
};

// Reads a template in the standard (not extended) format; fails the test on
// anything out of bounds.
class TemplateReader {
public:
    TemplateReader(const BYTE* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    Template read(std::vector<DWORD>& styles) {
        Template result{};
        const DWORD style = dword();
        dword();  // extended style
        const int count = word();
        result.x = static_cast<short>(word());
        result.y = static_cast<short>(word());
        result.cx = static_cast<short>(word());
        result.cy = static_cast<short>(word());
        text();  // menu
        text();  // class
        result.caption = text();
        if (style & DS_SETFONT) {
            result.pointSize = word();
            result.font = text();
        }
        styles.push_back(style);
        for (int i = 0; i < count && ok_; ++i) {
            at_ = (at_ + 3) & ~std::size_t{3};
            Control control{};
            control.style = dword();
            dword();
            control.x = static_cast<short>(word());
            control.y = static_cast<short>(word());
            control.cx = static_cast<short>(word());
            control.cy = static_cast<short>(word());
            control.id = static_cast<short>(word());
            const std::wstring kind = text();
            control.kind = static_cast<Kind>(ordinal_);
            if (!kind.empty()) ADD_FAILURE() << "class given by name";
            control.text = text();
            at_ += word();  // creation data
            result.controls.push_back(control);
        }
        EXPECT_TRUE(ok_) << "template runs past its " << size_ << " bytes";
        return result;
    }

private:
    std::uint16_t word() {
        if (at_ + 2 > size_) {
            ok_ = false;
            return 0;
        }
        std::uint16_t v;
        std::memcpy(&v, bytes_ + at_, 2);
        at_ += 2;
        return v;
    }
    DWORD dword() { return word() | (static_cast<DWORD>(word()) << 16); }
    // None, an ordinal (kept in ordinal_) or a string.
    std::wstring text() {
        ordinal_ = 0;
        std::uint16_t first = word();
        if (first == 0xFFFF) {
            ordinal_ = word();
            return {};
        }
        std::wstring s;
        while (first != 0 && ok_) {
            s += static_cast<wchar_t>(first);
            first = word();
        }
        return s;
    }

    const BYTE* bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool ok_ = true;
    std::uint16_t ordinal_ = 0;
};

constexpr DWORD kEditStyle = ES_RIGHT | WS_BORDER | WS_TABSTOP;
constexpr DWORD kOkStyle = BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr DWORD kCancelStyle = BS_PUSHBUTTON | WS_TABSTOP;

struct Expected {
    const char* name;
    Template dialog;
};

const Expected kTemplates[] = {
    {"Info",
     {20,
      20,
      120,
      97,
      L"Info",
      L"MS Sans Serif",
      8,
      {{label, -1, 9, 6, 24, 8, L"\x0424\x0430\x0439\x043B:", SS_LEFT},
       {label, -1, 9, 23, 35, 8, L"\x041F\x043B\x043E\x0449\x0430\x0434\x044C:", SS_LEFT},
       {label, -1, 9, 59, 36, 8, L"\x0425\x043E\x0434 \x043D\x043E\x0436\x0430:", SS_LEFT},
       {button, IDOK, 48, 77, 24, 14, L"&OK", kOkStyle},
       {label, 1010, 55, 5, 56, 8, L"????????.???", SS_RIGHT},
       {label, 1020, 55, 23, 56, 8, L"0", SS_RIGHT},
       {label, 1030, 55, 59, 56, 8, L"0", SS_RIGHT},
       {label, -1, 9, 41, 36, 8, L"\x041B\x0435\x0432.\x043D\x0438\x0436.:", SS_LEFT},
       {label, 1025, 55, 41, 56, 8, L"0", SS_RIGHT}}}},
    {"Frame",
     {20,
      20,
      120,
      60,
      L"Frame",
      L"MS Sans Serif",
      8,
      {{label, -1, 18, 12, 41, 8, L"\x0420\x0430\x0441\x0441\x0442\x043E\x044F\x043D\x0438\x0435:",
        SS_LEFT},
       {label, -1, 91, 12, 11, 8, L"\x043C\x043C", SS_LEFT},
       {edit, 1040, 62, 12, 16, 12, L"", kEditStyle},
       {scrollBar, -1, 78, 12, 7, 12, L"", SBS_VERT},
       {button, IDOK, 28, 35, 24, 14, L"&OK", kOkStyle},
       {button, IDCANCEL, 62, 35, 29, 14, L"&Cancel", kCancelStyle}}}},
    {"Scale",
     {20,
      20,
      120,
      60,
      L"Scale",
      L"MS Sans Serif",
      8,
      {{label, -1, 15, 12, 46, 8, L"\x041C\x0430\x0441\x0448\x0442. \x043A\x043E\x044D\x0444.",
        SS_LEFT},
       {label, -1, 93, 12, 11, 8, L"%", SS_LEFT},
       {edit, 1050, 64, 12, 16, 12, L"", kEditStyle},
       {scrollBar, -1, 80, 12, 7, 11, L"", SBS_VERT},
       {button, IDOK, 28, 35, 24, 14, L"&OK", kOkStyle},
       {button, IDCANCEL, 62, 35, 29, 14, L"&Cancel", kCancelStyle}}}},
    {"Rotate",
     {20,
      20,
      120,
      60,
      L"Rotate",
      L"MS Sans Serif",
      8,
      {{label, -1, 39, 12, 41, 8, L"\x0410 \x0441\x0442\x043E\x0438\x0442 \x043B\x0438 ?", SS_LEFT},
       {button, IDOK, 28, 35, 24, 14, L"&OK", kOkStyle},
       {button, IDCANCEL, 62, 35, 29, 14, L"&Cancel", kCancelStyle}}}},
    {"Move",
     {20,
      20,
      120,
      75,
      L"Move",
      L"MS Sans Serif",
      8,
      {{label, -1, 9, 22, 41, 8, L"\x041D\x043E\x0432.\x043B\x0435\x0432.:", SS_LEFT},
       {label, -1, 9, 6, 36, 8, L"\x041B\x0435\x0432.\x043D\x0438\x0436.:", SS_LEFT},
       {label, -1, 9, 38, 41, 8, L"\x041D\x043E\x0432.\x043D\x0438\x0436.:", SS_LEFT},
       {label, -1, 100, 22, 11, 8, L"\x043C\x043C", SS_LEFT},
       {label, -1, 100, 38, 11, 8, L"\x043C\x043C", SS_LEFT},
       {label, 1025, 55, 6, 56, 8, L"0", SS_RIGHT},
       {edit, 1060, 76, 22, 21, 12, L"", kEditStyle},
       {edit, 1070, 76, 38, 21, 12, L"", kEditStyle},
       {button, IDOK, 28, 54, 24, 14, L"&OK", kOkStyle},
       {button, IDCANCEL, 62, 54, 29, 14, L"&Cancel", kCancelStyle}}}},
    {"About",
     {20,
      20,
      140,
      83,
      L"About",
      L"MS Sans Serif",
      8,
      {{button, IDOK, 58, 59, 24, 14, L"&OK", kOkStyle},
       {label, -1, 6, 6, 18, 20, L"KERFLINE", SS_ICON},
       {label, -1, 31, 6, 106, 8, L"Kerfline, v1.0ALPHA2", SS_LEFT},
       {label, 1080, 31, 20, 106, 8, L"", SS_LEFT}}}},
};

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
    HGLOBAL loaded = LoadResource(module_, found);
    ASSERT_NE(loaded, nullptr);
    TemplateReader reader(static_cast<const BYTE*>(LockResource(loaded)),
                          SizeofResource(module_, found));
    std::vector<DWORD> styles;
    const Template actual = reader.read(styles);

    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(styles.front() & frame, frame);
    EXPECT_EQ(actual.caption, expected.dialog.caption);
    EXPECT_EQ(actual.font, expected.dialog.font);
    EXPECT_EQ(actual.pointSize, expected.dialog.pointSize);
    EXPECT_EQ((std::vector<short>{actual.x, actual.y, actual.cx, actual.cy}),
              (std::vector<short>{expected.dialog.x, expected.dialog.y, expected.dialog.cx,
                                  expected.dialog.cy}));
    ASSERT_EQ(actual.controls.size(), expected.dialog.controls.size());
    for (std::size_t i = 0; i < actual.controls.size(); ++i) {
        const Control& a = actual.controls[i];
        const Control& e = expected.dialog.controls[i];
        SCOPED_TRACE(std::string(expected.name) + " control " + std::to_string(i));
        EXPECT_EQ(a.kind, e.kind);
        EXPECT_EQ(a.id, e.id);
        EXPECT_EQ((std::vector<short>{a.x, a.y, a.cx, a.cy}),
                  (std::vector<short>{e.x, e.y, e.cx, e.cy}));
        EXPECT_TRUE(a.text == e.text) << "text differs";
        EXPECT_TRUE(a.style & WS_VISIBLE);
        // Static and button styles are numbers in the low bits, not flags.
        const DWORD low = (e.kind == label || e.kind == button) ? 0x1F : 0;
        if (low) {
            EXPECT_EQ(a.style & low, e.style & low);
            EXPECT_EQ(a.style & ~low & e.style, e.style & ~low);
        } else {
            EXPECT_EQ(a.style & e.style, e.style);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kerfline, DialogTemplates, ::testing::ValuesIn(kTemplates),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kerfline::test
