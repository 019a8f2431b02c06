// kerfline.exe against what a hostile user or another program can hand it:
// names Windows keeps for devices, pipes, folders and paths too long for the
// program, refused before a byte is read or written; commands that need a
// drawing, sent while there is none; saving through a symbolic link and over
// a file with attributes; the end of the Windows session.
#include "program_driver.h"

#include "resources/resource.h"

namespace kerfline::test {
namespace {

IniValues knownSettings() {
    return {.FrameDistance = 12, .Scale_K = 50, .xMove = 3, .yMove = -4, .PrintLikeHPGL = 1};
}

// Unix things a Windows program cannot make, made beside the build by CTest
// before these tests: a FIFO "pipe.plt", and "link.plt", a symbolic link to
// "real.plt". Empty when absent; the cases that need them are left out.
std::string unixFixtures() {
#ifdef KERF_UNIX_FIXTURES
    const std::string folder = toWindowsPath(KERF_UNIX_FIXTURES);
    if (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return folder;
#endif
    return {};
}

// A name of `length` characters in `folder`, all of it one file name.
std::string longPath(const std::string& folder, std::size_t length) {
    std::string path = folder + "\\";
    path += std::string(length - path.size() - 4, 'a') + ".PLT";
    return path;
}

// Posts the commands, then About: once About's box shows, every command
// before it has been handled; none of them may have shown anything.
void expectNothingShownFor(const Kerfline& kerfline, const std::vector<WPARAM>& commands) {
    for (WPARAM id : commands) kerfline.command(id);
    kerfline.command(990);
    const DialogWindow first = kerfline.waitForDialog([](HWND) { return true; });
    ASSERT_TRUE(first) << "About does not show";
    EXPECT_EQ(textOf(first.handle()), L"About") << "a command needing a drawing ran without one";
    first.close(Close::okButton);
    EXPECT_TRUE(first.waitGone());
}

// Save As with `path` typed in; answers yes if the dialog asks whether to
// replace (it takes a device for an existing file).
void saveAsTyped(const Kerfline& kerfline, const std::string& path) {
    kerfline.command(130);
    const DialogWindow files = kerfline.waitForDialog(
        [](HWND window) { return GetDlgItem(window, 1148) || GetDlgItem(window, 1152); });
    ASSERT_TRUE(files) << "no Save As dialog";
    HWND nameBox = GetDlgItem(files.handle(), 1148);
    setTextOf(nameBox ? nameBox : GetDlgItem(files.handle(), 1152),
              std::wstring(path.begin(), path.end()));
    PostMessageW(files.handle(), WM_COMMAND, IDOK, 0);
    waitUntil(
        [&] {
            if (!IsWindow(files.handle())) return true;
            const DialogWindow question = kerfline.waitForDialog(
                [](HWND window) { return GetDlgItem(window, IDYES) != nullptr; }, 100ms);
            if (question) PostMessageW(question.handle(), WM_COMMAND, IDYES, 0);
            return false;
        },
        kDialogTimeout);
    EXPECT_TRUE(files.waitGone()) << "the Save As dialog stays open for " << path;
}

TEST(HostileFiles, DevicesPipesFoldersAndLongPathsAreRefusedBeforeReading) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.path("folder.plt"));
    // A pipe with a listening server: opening it as a file would connect.
    HANDLE pipe = CreateNamedPipeA("\\\\.\\pipe\\kerfline-e2e", PIPE_ACCESS_INBOUND,
                                   PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 0, 4096, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    std::vector<std::string> names = {"AUX.PLT", "com1.plt", "Con.txt", "folder.plt",
                                      "\\\\.\\pipe\\kerfline-e2e",
                                      longPath(folder.path(), 300)};
    if (const std::string fixtures = unixFixtures(); !fixtures.empty())
        names.push_back(fixtures + "\\pipe.plt");
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        writeIni(knownSettings());
        Kerfline kerfline({name}, folder.path());
        ASSERT_TRUE(kerfline.ready());
        EXPECT_EQ(kerfline.errorMessage(), L"Invalid File");
        EXPECT_EQ(kerfline.title(), "Kerfline");
        EXPECT_FALSE(kerfline.imagePopupOpens());
        EXPECT_EQ(kerfline.endWith(WM_CLOSE), std::optional<DWORD>(0));
        EXPECT_EQ(iniLines(), knownSettings().lines());
    }
    EXPECT_FALSE(ConnectNamedPipe(pipe, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PIPE_LISTENING)) << "something connected";
    CloseHandle(pipe);
    EXPECT_EQ(fileNamesIn(folder.path()), std::vector<std::string>{"folder.plt"});
}

TEST(HostileFiles, OpenAndSaveAsRefuseLongNamesAndAPipeAndKeepTheDrawing) {
    ScratchFolder folder;
    const std::string plot = folder.path("plot.plt");
    writeBytes(plot, kPlot);
    writeIni(knownSettings());
    Kerfline kerfline({plot});
    ASSERT_TRUE(kerfline.ready());
    const std::string title = "Kerfline - " + upperCase(plot);
    ASSERT_EQ(kerfline.titleOnceItIs(title), title);

    // A name too long for the program's buffer, typed as a full path or
    // beside the folder the dialog shows (the plot's): the dialogs' own
    // handling of it is not waited for.
    saveAsTyped(kerfline, longPath(folder.path(), 300));
    EXPECT_EQ(kerfline.errorMessage(), L"Can't Save File");
    saveAsTyped(kerfline, std::string(250, 'b') + ".PLT");
    EXPECT_EQ(kerfline.errorMessage(), L"Can't Save File");
    kerfline.chooseFile(110, std::string(250, 'c') + ".PLT");
    EXPECT_EQ(kerfline.errorMessage(), L"Invalid File");
    // Wine's own Open and Save As dialogs turn device names away themselves;
    // a FIFO they pass on.
    const std::string fixtures = unixFixtures();
    if (!fixtures.empty()) {
        saveAsTyped(kerfline, fixtures + "\\pipe.plt");
        EXPECT_EQ(kerfline.errorMessage(), L"Can't Save File");
        kerfline.chooseFile(110, fixtures + "\\pipe.plt");
        EXPECT_EQ(kerfline.errorMessage(), L"Invalid File");
    }
    // Nothing was written anywhere, and the drawing is still there to save.
    EXPECT_EQ(fileNamesIn(folder.path()), std::vector<std::string>{"plot.plt"});
    EXPECT_EQ(kerfline.title(), title);
    EXPECT_TRUE(kerfline.imagePopupOpens());
    runSteps(kerfline, {{240, L"Rotate", {}, Close::okButton}});
    kerfline.saveAndWait();
    EXPECT_EQ(readBytes(plot), savedBytes(kPlot, rotateDrawing));
    EXPECT_EQ(kerfline.endWith(WM_CLOSE), std::optional<DWORD>(0));
}

TEST(HostileFiles, CommandsThatNeedADrawingDoNothingWithoutOne) {
    ScratchFolder folder;
    const std::string good = folder.path("good.plt"), bad = folder.path("bad.plt");
    writeBytes(good, kPlot);
    writeBytes(bad, "IN;PU0,0;PD10,10");
    writeIni(knownSettings());
    const std::vector<WPARAM> needDrawing = {120, 130, 140, 210, 220, 230, 240, 250};
    {
        // From the start: Save, Save As, Print and the Image commands.
        Kerfline kerfline;
        ASSERT_TRUE(kerfline.ready());
        expectNothingShownFor(kerfline, needDrawing);
        EXPECT_EQ(kerfline.endWith(WM_CLOSE), std::optional<DWORD>(0));
        EXPECT_EQ(iniLines(), knownSettings().lines());
    }
    // After an open that failed, Save does not write what was read of the
    // bad file over the last good one.
    Kerfline kerfline({good});
    ASSERT_TRUE(kerfline.ready());
    kerfline.chooseFile(110, bad);
    EXPECT_EQ(kerfline.errorMessage(), L"Invalid File");
    expectNothingShownFor(kerfline, needDrawing);
    EXPECT_EQ(readBytes(good), kPlot);
    EXPECT_EQ(fileNamesIn(folder.path()), (std::vector<std::string>{"bad.plt", "good.plt"}));
    EXPECT_EQ(kerfline.endWith(WM_CLOSE), std::optional<DWORD>(0));
}

TEST(HostileFiles, SavingKeepsTheSymbolicLinkAndTheFileAttributes) {
    ScratchFolder folder;
    const std::string hidden = folder.path("hidden.plt");
    writeBytes(hidden, kPlot);
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    writeIni(knownSettings());
    const std::string rotated = savedBytes(kPlot, rotateDrawing);
    {
        Kerfline kerfline({hidden});
        ASSERT_TRUE(kerfline.ready());
        runSteps(kerfline, {{240, L"Rotate", {}, Close::okButton}});
        kerfline.saveAndWait();
        EXPECT_EQ(readBytes(hidden), rotated);
        EXPECT_EQ(kerfline.endWith(WM_CLOSE), std::optional<DWORD>(0));
    }
    EXPECT_EQ(GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN,
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));

    const std::string fixtures = unixFixtures();
    if (fixtures.empty()) GTEST_SKIP() << "no symbolic link: the CTest fixture did not run";
    const std::string link = fixtures + "\\link.plt", real = fixtures + "\\real.plt";
    writeBytes(real, kPlot);
    Kerfline kerfline({link});
    ASSERT_TRUE(kerfline.ready());
    const std::string title = "Kerfline - " + upperCase(link);
    ASSERT_EQ(kerfline.titleOnceItIs(title), title);
    runSteps(kerfline, {{240, L"Rotate", {}, Close::okButton}});
    kerfline.saveAndWait();
    EXPECT_EQ(readBytes(real), rotated);
    EXPECT_EQ(kerfline.endWith(WM_CLOSE), std::optional<DWORD>(0));
    // Still a link: what is written to the file it names reads through it.
    writeBytes(real, "IN;");
    EXPECT_EQ(readBytes(link), "IN;");
}

// Wine's `wineboot --end-session` sends WM_QUERYENDSESSION, then
// WM_ENDSESSION with wParam TRUE, then ends the process; so does this,
// without touching the other programs of the tests.
TEST(HostileFiles, TheEndOfTheSessionWritesTheSettings) {
    ScratchFolder folder;
    writeBytes(folder.path("plot.plt"), kPlot);
    writeIni(knownSettings());
    Kerfline kerfline({folder.path("plot.plt")});
    ASSERT_TRUE(kerfline.ready());
    runSteps(kerfline, {{220, L"Frame", [](const DialogWindow& d) { d.setText(IDC_FRAME_DISTANCE, L"7"); },
                         Close::okButton}});
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(kerfline.window(), WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG,
                                    kSendTimeoutMs, &answer));
    EXPECT_NE(answer, 0u) << "the program refused to end the session";
    ASSERT_TRUE(SendMessageTimeoutA(kerfline.window(), WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG,
                                    kSendTimeoutMs, &answer));
    kerfline.terminate();
    IniValues expected = knownSettings();
    expected.FrameDistance = 7;
    expected.DefaultDir = upperCase(folder.path()) + "\\";
    EXPECT_EQ(iniLines(), expected.lines());
}

}  // namespace
}  // namespace kerfline::test
