// kerfline.exe driven from the outside through its command line, its File
// menu and its settings file: which file is opened or saved, what the title
// and the Image popup show afterwards, what the settings file holds at exit.
#include "program_driver.h"

#include <cstdlib>
#include <fstream>

namespace kerfline::test {
namespace {

// The settings every scenario starts from, none of them the default.
IniValues knownSettings() {
    return {.FrameDistance = 12, .Scale_K = 50, .xMove = 3, .yMove = -4, .PrintLikeHPGL = 1};
}

using Ending = std::pair<UINT, WPARAM>;  // the message that ends the program
constexpr Ending kExitCommand{WM_COMMAND, 190}, kCloseMessage{WM_CLOSE, 0},
    kCloseBox{WM_SYSCOMMAND, SC_CLOSE};

struct CommandLineCase {
    const char* what;
    std::vector<std::string> arguments;
    bool startInFolder;  // else in the test's own folder
    bool withSettings;   // else no settings file at all
    std::string title;
    std::wstring error;
    Ending ending;
    std::string defaultDir;  // at exit; empty: as it was
};

TEST(CommandLine, OpensTheNamedFileUnderItsUpperCasedAbsoluteName) {
    ScratchFolder folder;
    writeBytes(folder.path("plot.plt"), kPlot);
    writeBytes(folder.path("my plot.plt"), kPlot);
    const std::string dir = folder.path(), upper = upperCase(dir);
    const CommandLineCase cases[] = {
        {"absolute, lower case",
         {dir + "\\plot.plt"},
         false,
         true,
         "Kerfline - " + upper + "\\PLOT.PLT",
         L"",
         kExitCommand,
         upper + "\\"},
        // Made absolute after the upper-casing: the folder keeps its case.
        {"relative",
         {"plot.plt"},
         true,
         true,
         "Kerfline - " + dir + "\\PLOT.PLT",
         L"",
         kCloseMessage,
         dir + "\\"},
        {"quoted, with a blank",
         {dir + "\\my plot.plt"},
         false,
         true,
         "Kerfline - " + upper + "\\MY PLOT.PLT",
         L"",
         kCloseBox,
         upper + "\\"},
        {"two words, one name",
         {"my", "plot.plt"},
         true,
         true,
         "Kerfline - " + dir + "\\MY PLOT.PLT",
         L"",
         kExitCommand,
         dir + "\\"},
        {"a missing file",
         {dir + "\\missing.plt"},
         false,
         true,
         "Kerfline",
         L"Invalid File",
         kCloseBox,
         ""},
        {"nothing, and no settings file", {}, true, false, "Kerfline", L"", kCloseMessage, ""},
    };
    for (const CommandLineCase& row : cases) {
        SCOPED_TRACE(row.what);
        IniValues expected = knownSettings();
        if (row.withSettings) {
            writeIni(expected);
        } else {
            std::filesystem::remove(iniPath());
            expected = {.DefaultDir = dir, .LogFile = "C:\\windows\\kerfline.log"};
        }
        Kerfline kerfline(row.arguments, row.startInFolder ? dir : std::string());
        ASSERT_TRUE(kerfline.ready());
        EXPECT_EQ(kerfline.errorMessage(row.error.empty() ? kQuietWait : kDialogTimeout),
                  row.error);
        EXPECT_EQ(kerfline.titleOnceItIs(row.title), row.title);
        // The Image popup opens exactly when a drawing is loaded.
        EXPECT_EQ(kerfline.imagePopupOpens(), row.title != "Kerfline");
        EXPECT_EQ(fileNamesIn(dir), (std::vector<std::string>{"my plot.plt", "plot.plt"}))
            << "a missing file is not created";

        EXPECT_EQ(kerfline.endWith(row.ending.first, row.ending.second), std::optional<DWORD>(0));
        if (!row.defaultDir.empty()) expected.DefaultDir = row.defaultDir;
        EXPECT_EQ(iniLines(), expected.lines());
    }
}

TEST(FileCommands, SaveReplacesTheOpenFileAndSaveAsMovesTitleAndFolder) {
    ScratchFolder folder;
    const std::string opened = folder.path("plot.plt");
    writeBytes(opened, kPlot);
    std::filesystem::create_directory(folder.path("out"));
    writeIni(knownSettings());
    Kerfline kerfline({opened});
    ASSERT_TRUE(kerfline.ready());
    const std::string title = "Kerfline - " + upperCase(opened);
    ASSERT_EQ(kerfline.titleOnceItIs(title), title);

    // Rotate, then File/Save: the opened file holds the rotated drawing.
    runSteps(kerfline, {{240, L"Rotate", {}, Close::okButton}});
    kerfline.saveAndWait();
    const std::string rotated = savedBytes(kPlot, rotateDrawing);
    EXPECT_EQ(readBytes(opened), rotated);
    EXPECT_EQ(kerfline.title(), title);

    // Save As into another folder: the title follows, and so does the next Save.
    const std::string copy = folder.path("out\\copy.plt");
    kerfline.chooseFile(130, copy);
    EXPECT_EQ(kerfline.titleOnceItIs("Kerfline - " + copy), "Kerfline - " + copy);
    EXPECT_EQ(readBytes(copy), rotated);
    runSteps(kerfline, {{220, L"Frame", {}, Close::enter}});
    kerfline.saveAndWait();
    const std::string framed = savedBytes(kPlot, [](PlotDrawing& drawing) {
        rotateDrawing(drawing);
        frameDrawing(drawing, 12);
    });
    EXPECT_EQ(readBytes(copy), framed);
    EXPECT_EQ(readBytes(opened), rotated) << "the first file is left alone";
    // No temporary file is left beside either.
    EXPECT_EQ(fileNamesIn(folder.path()), (std::vector<std::string>{"out", "plot.plt"}));
    EXPECT_EQ(fileNamesIn(folder.path("out")), std::vector<std::string>{"copy.plt"});

    EXPECT_EQ(kerfline.endWith(WM_COMMAND, 190), std::optional<DWORD>(0));
    IniValues expected = knownSettings();
    expected.DefaultDir = folder.path("out\\");
    EXPECT_EQ(iniLines(), expected.lines());
}

TEST(FileCommands, AFileThatCannotBeReadLeavesNoDrawingBehind) {
    const std::pair<const char*, std::string_view> unreadable[] = {
        {"no final semicolon", "PD1,1"},
        {"cut in the middle of an instruction", "IN;PU0,0;PD10,10"},
    };
    for (const auto& [what, text] : unreadable) {
        SCOPED_TRACE(what);
        ScratchFolder folder;
        writeBytes(folder.path("good.plt"), kPlot);
        writeBytes(folder.path("bad.plt"), text);
        writeIni(knownSettings());
        Kerfline kerfline({folder.path("good.plt")});
        ASSERT_TRUE(kerfline.ready());
        ASSERT_TRUE(kerfline.imagePopupOpens());

        kerfline.chooseFile(110, folder.path("bad.plt"));
        EXPECT_EQ(kerfline.errorMessage(), L"Invalid File");
        EXPECT_EQ(kerfline.title(), "Kerfline");
        EXPECT_FALSE(kerfline.imagePopupOpens()) << "the Image popup is greyed again";
        EXPECT_EQ(readBytes(folder.path("bad.plt")), text);
        EXPECT_EQ(kerfline.endWith(WM_CLOSE), std::optional<DWORD>(0));
        // DefaultDir is the good file's folder: the failed open changed nothing.
        IniValues expected = knownSettings();
        expected.DefaultDir = upperCase(folder.path()) + "\\";
        EXPECT_EQ(iniLines(), expected.lines());
    }
}

TEST(FileCommands, ASaveOntoAFullDiskKeepsTheOldFileAndLeavesNothingBehind) {
    const char* fullDisk = std::getenv("KERF_FULL_DISK_DIR");
    if (fullDisk == nullptr || *fullDisk == '\0')
        GTEST_SKIP() << "KERF_FULL_DISK_DIR is not set: scripts/run-tests mounts a small file "
                        "system for this test when it runs as root";
    // Our own folder there, with a file to save over and the rest filled up.
    const ScratchFolder full(toWindowsPath(fullDisk));
    const std::string old = "IN;PU0,0;PD40,40;\r\n";
    writeBytes(full.path("old.plt"), old);
    {
        std::ofstream filler(full.path("filler"), std::ios::binary);
        const std::string block(64 * 1024, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) {}
    }
    ScratchFolder folder;
    std::string big = "IN;\n";  // far more than a full disk has room for
    for (int i = 0; i < 20000; ++i)
        big += "PU" + std::to_string(i) + ",0;PD" + std::to_string(i) + ",4000;\n";
    writeBytes(folder.path("big.plt"), big);
    writeIni(knownSettings());
    Kerfline kerfline({folder.path("big.plt")});
    ASSERT_TRUE(kerfline.ready());
    const std::string title = "Kerfline - " + upperCase(folder.path("big.plt"));
    ASSERT_EQ(kerfline.titleOnceItIs(title), title);

    kerfline.chooseFile(130, full.path("old.plt"), /*confirmReplace=*/true);
    EXPECT_EQ(kerfline.errorMessage(), L"Can't Save File");
    EXPECT_EQ(readBytes(full.path("old.plt")), old);
    EXPECT_EQ(fileNamesIn(full.path()), (std::vector<std::string>{"filler", "old.plt"}));
    EXPECT_EQ(kerfline.title(), title);
    EXPECT_EQ(kerfline.endWith(WM_CLOSE), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace kerfline::test
