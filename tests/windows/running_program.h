// Helpers for end-to-end tests that drive kerfline.exe from the outside:
// start it, find its main window, wait for it to end.
//
// Every wait is bounded, and a RunningProgram that goes out of scope while
// its process still runs terminates it, so a failing test never leaves a
// program behind or hangs the test run.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/common/wine_process.h"

namespace kerfline::test {

using namespace std::chrono_literals;

// How long tests wait, at most, for the program to show its window or to
// end. Generous: a cold Wine start on a busy machine takes seconds.
inline constexpr std::chrono::milliseconds kStartTimeout = 20s;
inline constexpr std::chrono::milliseconds kExitTimeout = 20s;

// Turns a path from the build system into one Windows accepts. Under Wine the
// Unix root is drive Z:, so "/a/b.exe" becomes "Z:\a\b.exe"; a path that is
// already a Windows path only has its slashes turned around.
inline std::string toWindowsPath(std::string_view path) {
    std::string result;
    if (!path.empty() && path.front() == '/') {
        result = "Z:";
    }
    for (char c : path) {
        result += (c == '/') ? '\\' : c;
    }
    return result;
}

// Path of kerfline.exe: $KERFLINE_EXE if set, else the one CMake built
// (KERF_KERFLINE_EXE, defined for the end-to-end test programs).
inline std::string kerflineExePath() {
    if (const char* fromEnvironment = std::getenv("KERFLINE_EXE");
        fromEnvironment != nullptr && *fromEnvironment != '\0') {
        return toWindowsPath(fromEnvironment);
    }
#ifdef KERF_KERFLINE_EXE
    return toWindowsPath(KERF_KERFLINE_EXE);
#else
    return {};
#endif
}

// Quotes one command-line argument the way the C runtime's parser reads it
// back (backslashes are literal except before a quote).
inline std::string quoteArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string_view::npos) {
        return std::string(argument);
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
        } else if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
            quoted += '"';
            backslashes = 0;
        } else {
            quoted.append(backslashes, '\\');
            quoted += c;
            backslashes = 0;
        }
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

inline std::string windowClassName(HWND window) {
    char name[256] = {};
    int length = GetClassNameA(window, name, static_cast<int>(sizeof name));
    return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

inline std::string windowText(HWND window) {
    char text[512] = {};
    int length = GetWindowTextA(window, text, static_cast<int>(sizeof text));
    return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

using WindowTest = std::function<bool(HWND)>;

struct WindowSearch {
    DWORD processId;
    const WindowTest* test;
    HWND found;
};

// EnumWindows callback; a named function because a lambda cannot be made
// into the __stdcall pointer the 32-bit API wants.
inline BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && (*search->test)(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The first top-level window owned by the process that passes `test`, or
// nullptr.
inline HWND findTopLevelWindow(DWORD processId, const WindowTest& test) {
    WindowSearch search{processId, &test, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The first top-level window of the given class owned by the process, or
// nullptr.
inline HWND findTopLevelWindow(DWORD processId, const std::string& className) {
    return findTopLevelWindow(processId,
                              [&](HWND window) { return windowClassName(window) == className; });
}

// Polls `condition` until it holds or `timeout` has passed; true if it held.
template <typename Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// A program started for a test; owns its process.
class RunningProgram {
public:
    // Starts `exe` with `arguments`, in `folder` when one is given, else in
    // ours. Check started() (and startError()).
    explicit RunningProgram(const std::string& exe, const std::vector<std::string>& arguments = {},
                            const std::string& folder = {}) {
        std::string commandLine = quoteArgument(exe);
        for (const std::string& argument : arguments) {
            commandLine += ' ';
            commandLine += quoteArgument(argument);
        }
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startError_ = test::startRetryingWine([&] {
            process_ = {};
            return CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                  nullptr, folder.empty() ? nullptr : folder.c_str(), &startup,
                                  &process_) != 0;
        });
    }

    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    ~RunningProgram() {
        if (process_.hProcess != nullptr) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_.hProcess, 999);
                WaitForSingleObject(process_.hProcess, 5000);
            }
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
    }

    bool started() const { return process_.hProcess != nullptr; }
    DWORD startError() const { return startError_; }
    DWORD processId() const { return process_.dwProcessId; }
    HANDLE processHandle() const { return process_.hProcess; }

    bool running() const {
        return started() && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
    }

    // Polls for a top-level window of `className` owned by the program and
    // then waits until the program sits idle in its message loop, so the
    // window has been shown and can take input (a window is found as soon
    // as it is created, before WinMain shows it). Returns nullptr after
    // `timeout`, or as soon as the program has ended.
    HWND waitForWindow(const std::string& className,
                       std::chrono::milliseconds timeout = kStartTimeout) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (running()) {
            if (HWND window = findTopLevelWindow(processId(), className)) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                WaitForInputIdle(process_.hProcess,
                                 static_cast<DWORD>(std::max<long long>(left.count(), 0)));
                return window;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                break;
            }
            std::this_thread::sleep_for(50ms);
        }
        return nullptr;
    }

    // Waits for the program to end; false if it still runs after `timeout`.
    bool waitForExit(std::chrono::milliseconds timeout = kExitTimeout) const {
        if (!started()) {
            return false;
        }
        return WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) ==
               WAIT_OBJECT_0;
    }

    // The exit code once the program has ended; empty while it runs.
    std::optional<DWORD> exitCode() const {
        DWORD code = 0;
        if (!started() || running() || !GetExitCodeProcess(process_.hProcess, &code)) {
            return std::nullopt;
        }
        return code;
    }

private:
    PROCESS_INFORMATION process_{};
    DWORD startError_ = 0;
};

}  // namespace kerfline::test
