// The Image menu's dialogs and the About box of the running kerfline.exe:
// what they show, read as UTF-16 whatever the ANSI code page, and what each
// way of closing them does to the drawing (seen in the bytes that File/Save
// As writes) and to the settings file at exit.
#include "program_driver.h"

#include <cstdlib>
#include <regex>

namespace kerfline::test {
namespace {

TEST(CodePage, IsTheOneThisRunIsMadeFor) {
    const char* expected = std::getenv("KERF_ANSI_CODE_PAGE");
    if (expected == nullptr) GTEST_SKIP() << "KERF_ANSI_CODE_PAGE is not set";
    EXPECT_EQ(std::to_string(GetACP()), expected);
}

Edit shows(int id, std::wstring text) {
    return [=](const DialogWindow& dialog) { EXPECT_EQ(dialog.text(id), text) << "box " << id; };
}
Edit labels(std::vector<std::wstring> texts) {
    return [=](const DialogWindow& dialog) { EXPECT_EQ(dialog.statics(), texts); };
}
Edit types(int id, std::wstring text) {
    return [=](const DialogWindow& dialog) { dialog.setText(id, text); };
}
Edit arrow(WORD code, int id, std::wstring after) {
    return [=](const DialogWindow& dialog) {
        dialog.spin(code);
        EXPECT_EQ(dialog.text(id), after) << "after the arrow";
    };
}
template <typename... Edits>
Edit all(Edits... edits) {
    return [=](const DialogWindow& dialog) { (edits(dialog), ...); };
}
const Edit kAboutTexts = [](const DialogWindow& dialog) {
    const std::vector<std::wstring> texts = dialog.statics();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], L"Kerfline, v1.0ALPHA2");
    const std::wregex stamp(
        L"Compiled: [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4}, "
        L"[0-2][0-9]:[0-5][0-9]:[0-5][0-9]");
    EXPECT_TRUE(std::regex_match(texts[1], stamp)) << ::testing::PrintToString(texts[1]);
};

TEST(ImageDialogs, ShowTheirLabelsAndTheValuesConfirmedInTheRunBefore) {
    ScratchFolder folder;
    writeBytes(folder.path("rect.plt"), kPlot);
    writeIni(IniValues{});
    IniValues settings{.FrameDistance = 25, .Scale_K = 75, .xMove = -3, .yMove = 7};
    {
        Kerfline first({folder.path("rect.plt")});
        ASSERT_TRUE(first.ready());
        runSteps(first, {{220, L"Frame", types(1040, L"25"), Close::okButton},
                         {230, L"Scale", types(1050, L"75"), Close::enter},
                         {250, L"Move", all(types(1060, L"-3"), types(1070, L"7")), Close::enter}});
        EXPECT_EQ(first.endWith(WM_CLOSE), std::optional<DWORD>(0));
        settings.DefaultDir = upperCase(folder.path()) + "\\";
        EXPECT_EQ(iniLines(), settings.lines());
    }
    Kerfline kerfline({folder.path("rect.plt")});
    ASSERT_TRUE(kerfline.ready());
    // A notification code in the upper half of a command: nothing runs.
    kerfline.command(MAKEWPARAM(110, 1));
    EXPECT_FALSE(kerfline.waitForDialog([](HWND) { return true; }, kQuietWait));
    runSteps(
        kerfline,
        {
            {210, L"Info",
             labels({L"Файл:", L"Площадь:", L"Ход ножа:", L"RECT.PLT", L"297x210 мм", L"1014 мм",
                     L"Лев.ниж.:", L"(10 мм,20 мм)"}),
             Close::okButton},
            {220, L"Frame", all(labels({L"Расстояние:", L"мм"}), shows(1040, L"25")),
             Close::escape},
            {230, L"Scale", all(labels({L"Масшт. коэф.", L"%"}), shows(1050, L"75")),
             Close::closeBox},
            {240, L"Rotate", labels({L"А стоит ли ?"}), Close::cancelButton},
            {250, L"Move",
             all(labels({L"Нов.лев.:", L"Лев.ниж.:", L"Нов.ниж.:", L"мм", L"мм", L"(10 мм,20 мм)"}),
                 shows(1060, L"-3"), shows(1070, L"7")),
             Close::cancelButton},
            {990, L"About", kAboutTexts, Close::okButton},
            // Info and About end whichever way they are closed.
            {210, L"Info", {}, Close::enter},
            {210, L"Info", {}, Close::escape},
            {210, L"Info", {}, Close::closeBox},
            {990, L"About", {}, Close::escape},
        });

    const std::string copy = folder.path("copy.plt");
    kerfline.chooseFile(130, copy);
    EXPECT_EQ(kerfline.titleOnceItIs("Kerfline - " + copy), "Kerfline - " + copy);
    EXPECT_EQ(readBytes(copy), savedBytes(kPlot)) << "a dialog ended without OK changed it";
    EXPECT_EQ(kerfline.endWith(WM_COMMAND, 190), std::optional<DWORD>(0));
    settings.DefaultDir = folder.path() + "\\";
    EXPECT_EQ(iniLines(), settings.lines());
}

struct OperationCase {
    const char* what;
    std::vector<Step> steps;
    std::function<void(PlotDrawing&)> expected;
    std::function<void(IniValues&)> settingsAtExit;
};

TEST(ImageOperations, RunOnceForOkOrEnterAndNeverOtherwise) {
    const OperationCase cases[] = {
        {"Frame: the arrows step the box, OK stores it",
         {{220, L"Frame",
           all(shows(1040, L"10"), arrow(SB_LINEUP, 1040, L"11"), arrow(SB_LINEDOWN, 1040, L"10"),
               arrow(SB_LINEDOWN, 1040, L"9")),
           Close::okButton}},
         [](PlotDrawing& d) { frameDrawing(d, 9); },
         [](IniValues& s) { s.FrameDistance = 9; }},
        {"Frame: Cancel after an arrow",
         {{220, L"Frame", arrow(SB_LINEUP, 1040, L"11"), Close::cancelButton}},
         {},
         {}},
        {"Frame: abc and the upper arrow give 1, Enter stores it",
         {{220, L"Frame", all(types(1040, L"abc"), arrow(SB_LINEUP, 1040, L"1")), Close::enter}},
         [](PlotDrawing& d) { frameDrawing(d, 1); },
         [](IniValues& s) { s.FrameDistance = 1; }},
        {"Frame: OK with abc stores 0",
         {{220, L"Frame", types(1040, L"abc"), Close::okButton}},
         [](PlotDrawing& d) { frameDrawing(d, 0); },
         [](IniValues& s) { s.FrameDistance = 0; }},
        {"Scale: 7x5 is read as 7",
         {{230, L"Scale", all(shows(1050, L"100"), types(1050, L"7x5")), Close::okButton}},
         [](PlotDrawing& d) { scaleDrawing(d, 7); },
         [](IniValues& s) { s.Scale_K = 7; }},
        {"Scale: below 0 is -1, Escape keeps nothing",
         {{230, L"Scale", all(types(1050, L"0"), arrow(SB_LINEDOWN, 1050, L"-1")), Close::escape}},
         {},
         {}},
        {"Rotate: Enter turns once", {{240, L"Rotate", {}, Close::enter}}, rotateDrawing, {}},
        {"Rotate: the close box does nothing", {{240, L"Rotate", {}, Close::closeBox}}, {}, {}},
        {"Move: OK stores both boxes",
         {{250, L"Move",
           all(shows(1025, L"(10 мм,20 мм)"), shows(1060, L"0"), shows(1070, L"0"),
               types(1060, L"5"), types(1070, L"-15")),
           Close::okButton}},
         [](PlotDrawing& d) { moveDrawing(d, 5, -15); },
         [](IniValues& s) { s.xMove = 5, s.yMove = -15; }},
        {"Move: Escape stores neither",
         {{250, L"Move", all(types(1060, L"5"), types(1070, L"-15")), Close::escape}},
         {},
         {}},
        {"all four, one after the other",
         {{230, L"Scale", types(1050, L"50"), Close::enter},
          {240, L"Rotate", {}, Close::okButton},
          {220, L"Frame", arrow(SB_LINEUP, 1040, L"11"), Close::enter},
          {250, L"Move", all(shows(1025, L"(-1 мм,-6 мм)"), types(1060, L"1"), types(1070, L"2")),
           Close::enter}},
         [](PlotDrawing& d) {
             scaleDrawing(d, 50);
             rotateDrawing(d);
             frameDrawing(d, 11);
             moveDrawing(d, 1, 2);
         },
         [](IniValues& s) { s.Scale_K = 50, s.FrameDistance = 11, s.xMove = 1, s.yMove = 2; }},
    };
    for (const OperationCase& row : cases) {
        SCOPED_TRACE(row.what);
        ScratchFolder folder;
        writeBytes(folder.path("plot.plt"), kPlot);
        IniValues settings;
        writeIni(settings);
        Kerfline kerfline({folder.path("plot.plt")});
        ASSERT_TRUE(kerfline.ready());
        runSteps(kerfline, row.steps);
        const std::string saved = folder.path("saved.plt");
        kerfline.chooseFile(130, saved);
        EXPECT_EQ(kerfline.titleOnceItIs("Kerfline - " + saved), "Kerfline - " + saved);
        EXPECT_EQ(readBytes(saved), savedBytes(kPlot, row.expected));
        EXPECT_EQ(kerfline.endWith(WM_COMMAND, 190), std::optional<DWORD>(0));
        settings.DefaultDir = folder.path() + "\\";
        if (row.settingsAtExit) row.settingsAtExit(settings);
        EXPECT_EQ(iniLines(), settings.lines());
    }
}

}  // namespace
}  // namespace kerfline::test
