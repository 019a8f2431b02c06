// Drives kerfline.exe from the outside the way a user would: a known
// settings file before the start, menu commands, the program's dialogs and
// message boxes, the common file dialogs, the settings file after the exit.
// Texts are read and written as UTF-16, so they compare the same under any
// ANSI code page.
//
// Every wait is bounded. Whatever a failing test leaves open (a dialog, a
// message box nobody answers) goes with the program, which its Kerfline
// object terminates.
#pragma once

// First: the Windows headers without their IN and OUT, which would hide the
// core's HP-GL commands.
#include "shell/win32.h"

#include "running_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "drawing/drawing.h"
#include "drawing/operations.h"
#include "hpgl/mnemonics.h"
#include "hpgl/stream.h"
#include "tests/common/files.h"

namespace kerfline::test {

// 297 x 210 mm with its lower-left corner at (10 mm, 20 mm).
inline constexpr std::string_view kPlot =
    "IN;SP1;\nPU400,800;PD12280,800,12280,9200,400,9200,400,800;\nPU0,0;SP0;\n";

inline constexpr std::chrono::milliseconds kDialogTimeout = 10s;
// How long we watch for something that must not appear.
inline constexpr std::chrono::milliseconds kQuietWait = 1500ms;
inline constexpr UINT kSendTimeoutMs = 5000;

inline std::wstring textOf(HWND window) {
    wchar_t text[512] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return L"<no answer>";
    return std::wstring(text, std::min<std::size_t>(length, std::size(text) - 1));
}

inline void setTextOf(HWND window, const std::wstring& text) {
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                    SMTO_ABORTIFHUNG, kSendTimeoutMs, &result));
}

inline BOOL CALLBACK collectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// The children of `parent` of the class, in z-order (template order in a dialog).
inline std::vector<HWND> childrenOfClass(HWND parent, const char* className) {
    std::vector<HWND> all, found;
    EnumChildWindows(parent, collectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND child : all)
        if (lstrcmpiA(windowClassName(child).c_str(), className) == 0) found.push_back(child);
    return found;
}

enum class Close { okButton, cancelButton, enter, escape, closeBox };

// One of the program's dialog boxes, or a message box.
class DialogWindow {
public:
    explicit DialogWindow(HWND window = nullptr) : window_(window) {}
    explicit operator bool() const { return window_ != nullptr; }
    HWND handle() const { return window_; }

    std::wstring text(int id) const { return textOf(GetDlgItem(window_, id)); }
    void setText(int id, const std::wstring& text) const {
        setTextOf(GetDlgItem(window_, id), text);
    }

    // The texts of the labels and value fields, in template order; icons left out.
    std::vector<std::wstring> statics() const {
        std::vector<std::wstring> texts;
        for (HWND label : childrenOfClass(window_, "Static"))
            if ((GetWindowLongPtrW(label, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
                texts.push_back(textOf(label));
        return texts;
    }

    // One click on the spin arrows: SB_LINEUP (the upper one) or SB_LINEDOWN.
    void spin(WORD code) const {
        const std::vector<HWND> bars = childrenOfClass(window_, "ScrollBar");
        ASSERT_EQ(bars.size(), 1u) << "spin arrows";
        DWORD_PTR result = 0;
        EXPECT_TRUE(SendMessageTimeoutW(window_, WM_VSCROLL, MAKEWPARAM(code, 0),
                                        reinterpret_cast<LPARAM>(bars[0]), SMTO_ABORTIFHUNG,
                                        kSendTimeoutMs, &result));
    }

    // A button clicked, a key pressed, or the close box.
    void close(Close how) const {
        if (how == Close::okButton || how == Close::cancelButton) {
            PostMessageW(GetDlgItem(window_, how == Close::okButton ? IDOK : IDCANCEL), BM_CLICK, 0,
                         0);
        } else if (how == Close::closeBox) {
            PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            // To the control that has the focus, as a typed key goes, so that
            // the dialog manager's keyboard handling runs.
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            HWND target = window_;
            if (GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info) &&
                info.hwndFocus != nullptr && IsChild(window_, info.hwndFocus))
                target = info.hwndFocus;
            PostMessageW(target, WM_KEYDOWN, how == Close::enter ? VK_RETURN : VK_ESCAPE, 1);
        }
    }

    bool waitGone() const {
        return waitUntil([&] { return !IsWindow(window_); }, kDialogTimeout);
    }

private:
    HWND window_;
};

inline std::vector<std::string> fileNamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string upperCase(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The shared scratch folder, with the Windows paths these tests pass on.
class ScratchFolder : public test::ScratchDir {
public:
    explicit ScratchFolder(const std::string& parent = {}) : test::ScratchDir(parent) {}

    // Windows paths: the folder's, without a trailing backslash, and a file's in it.
    std::string path() const { return test::ScratchDir::path().string(); }
    std::string path(std::string_view name) const { return path() + "\\" + std::string(name); }
};

// What the same operations give when the test runs them on kerfline's own
// core: `source` read, changed, written, and each LF saved as CR LF.
inline std::string savedBytes(std::string_view source,
                              const std::function<void(PlotDrawing&)>& change = {}) {
    PlotDrawing drawing;
    MemoryInput in(source);
    readDrawing(in, drawing);
    EXPECT_FALSE(in.failed()) << "the test's own drawing must be readable";
    if (change) change(drawing);
    MemoryOutput out;
    writeDrawing(out, drawing);
    std::string bytes;
    for (char c : out.str()) bytes += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return bytes;
}

struct IniValues {
    std::string DefaultDir = "C:\\";
    std::string LogFile = "C:\\windows\\kerfline-e2e.log";
    int FrameDistance = 10, Scale_K = 100, xMove = 0, yMove = 0, PrintLikeHPGL = 0;

    // The file as the program writes it at exit: the section, the seven keys in order.
    std::vector<std::string> lines() const {
        auto text = [](int value) { return std::to_string(value); };
        return {"[kerfline]",
                "DefaultDir=" + DefaultDir,
                "LogFile=" + LogFile,
                "FrameDistance=" + text(FrameDistance),
                "Scale_K=" + text(Scale_K),
                "xMove=" + text(xMove),
                "yMove=" + text(yMove),
                "PrintLikeHPGL=" + text(PrintLikeHPGL)};
    }
};

inline std::string iniPath() {
    char folder[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\kerfline.ini";
}

inline void writeIni(const IniValues& values) {
    std::string text;
    for (const std::string& line : values.lines()) text += line + "\r\n";
    writeBytes(iniPath(), text);
}

// The file's lines without their line ends; blank lines left out.
inline std::vector<std::string> iniLines() {
    std::vector<std::string> lines(1);
    for (char c : readBytes(iniPath())) {
        if (c == '\n' && !lines.back().empty()) lines.emplace_back();
        if (c != '\n' && c != '\r') lines.back() += c;
    }
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

// kerfline.exe started for one test, up to its main window.
class Kerfline {
public:
    explicit Kerfline(const std::vector<std::string>& arguments = {},
                      const std::string& folder = {})
        : program_(kerflineExePath(), arguments, folder) {
        if (program_.started()) window_ = program_.waitForWindow("KERFLINE");
    }

    // Started, and showing its main window.
    bool ready() const { return window_ != nullptr; }
    HWND window() const { return window_; }

    std::string title() const { return windowText(window_); }
    // The title once it reads `expected`, or what it reads after the timeout.
    std::string titleOnceItIs(const std::string& expected) const {
        waitUntil([&] { return title() == expected; }, kDialogTimeout);
        return title();
    }

    // Posted: the command may run a modal dialog.
    void command(WPARAM wParam) const { EXPECT_TRUE(PostMessageA(window_, WM_COMMAND, wParam, 0)); }

    // A visible dialog box (class #32770) of the program that passes `test`.
    DialogWindow waitForDialog(const WindowTest& test,
                               std::chrono::milliseconds timeout = kDialogTimeout) const {
        HWND found = nullptr;
        waitUntil(
            [&] {
                found = findTopLevelWindow(program_.processId(), [&](HWND window) {
                    return windowClassName(window) == "#32770" && IsWindowVisible(window) &&
                           test(window);
                });
                return found != nullptr;
            },
            timeout);
        return DialogWindow(found);
    }

    DialogWindow waitForDialog(const std::wstring& caption,
                               std::chrono::milliseconds timeout = kDialogTimeout) const {
        return waitForDialog([&](HWND window) { return textOf(window) == caption; }, timeout);
    }

    // Runs a menu command and waits for the dialog it opens.
    DialogWindow openDialog(WPARAM id, const std::wstring& caption) const {
        command(id);
        DialogWindow dialog = waitForDialog(caption);
        EXPECT_TRUE(dialog) << "no dialog after command " << id;
        return dialog;
    }

    // File/Save, returning once the program has done it: About, posted after
    // it, shows only when Save is over. (Polling the file instead can catch it
    // missing: Wine's rename over a file removes the old name first.)
    void saveAndWait() const {
        command(120);
        const DialogWindow about = openDialog(990, L"About");
        ASSERT_TRUE(about);
        about.close(Close::okButton);
        EXPECT_TRUE(about.waitGone());
    }

    // The text of the "Error" message box, which is then closed with OK;
    // empty when none comes within `timeout`.
    std::wstring errorMessage(std::chrono::milliseconds timeout = kDialogTimeout) const {
        const DialogWindow box = waitForDialog(L"Error", timeout);
        if (!box) return {};
        std::wstring text;
        for (const std::wstring& piece : box.statics()) text += piece;
        PostMessageW(box.handle(), WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(box.waitGone());
        return text;
    }

    // Alt+I: whether the Image popup opens. Menu mode is left again either way.
    bool imagePopupOpens() const {
        auto popupShown = [&] {
            return findTopLevelWindow(program_.processId(), [](HWND window) {
                       return windowClassName(window) == "#32768" && IsWindowVisible(window);
                   }) != nullptr;
        };
        PostMessageA(window_, WM_SYSCOMMAND, SC_KEYMENU, 'i');
        const bool opened = waitUntil(popupShown, kQuietWait);
        PostMessageA(window_, WM_CANCELMODE, 0, 0);
        EXPECT_TRUE(waitUntil([&] { return !popupShown(); }, kDialogTimeout));
        return opened;
    }

    // File/Open (110) or File/Save As (130): types `path` into the common
    // dialog's name box, presses OK, and confirms replacing a file if asked to.
    void chooseFile(WPARAM id, const std::string& path, bool confirmReplace = false) const {
        command(id);
        const DialogWindow files = waitForDialog([](HWND window) {
            return GetDlgItem(window, 1148) != nullptr || GetDlgItem(window, 1152) != nullptr;
        });
        ASSERT_TRUE(files) << "no file dialog after command " << id;
        HWND nameBox = GetDlgItem(files.handle(), 1148);  // cmb13, else edt1
        // The tests' paths are ASCII.
        setTextOf(nameBox != nullptr ? nameBox : GetDlgItem(files.handle(), 1152),
                  std::wstring(path.begin(), path.end()));
        PostMessageW(files.handle(), WM_COMMAND, IDOK, 0);
        if (confirmReplace) {
            const DialogWindow question =
                waitForDialog([](HWND window) { return GetDlgItem(window, IDYES) != nullptr; });
            ASSERT_TRUE(question) << "not asked whether to replace " << path;
            PostMessageW(question.handle(), WM_COMMAND, IDYES, 0);
        }
        EXPECT_TRUE(files.waitGone()) << "the file dialog stays open for " << path;
    }

    // Ends the program with a message to its main window: the exit code, or
    // none if it still runs after kExitTimeout.
    std::optional<DWORD> endWith(UINT message, WPARAM wParam = 0) const {
        PostMessageA(window_, message, wParam, 0);
        program_.waitForExit();
        return program_.exitCode();
    }

    // Ends the process at once, as the system does at the end of a session.
    void terminate() const {
        TerminateProcess(program_.processHandle(), 1);
        program_.waitForExit();
    }

private:
    RunningProgram program_;
    HWND window_ = nullptr;
};

// One dialog run from its menu command: what is checked and typed while it
// is open, and how it ends.
using Edit = std::function<void(const DialogWindow&)>;
struct Step {
    WPARAM command;
    std::wstring caption;
    Edit edit;
    Close close;
};

inline void runSteps(const Kerfline& kerfline, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command);
        const DialogWindow dialog = kerfline.openDialog(step.command, step.caption);
        ASSERT_TRUE(dialog);
        if (step.edit) step.edit(dialog);
        dialog.close(step.close);
        ASSERT_TRUE(dialog.waitGone());
    }
}

}  // namespace kerfline::test
