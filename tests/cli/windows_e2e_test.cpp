// kerfline-cli.exe run as its own Windows process, for what only the Windows
// build does: standard output switched to binary with every LF written as
// CR LF, OUT replaced through MoveFileExA and left whole on any failure, text
// lines ending in CR LF, file names taken in the ANSI code page, and UTF-16
// text into a console.
//
// The program's path comes from CMake as a Unix path. Under Wine the Unix
// root is drive Z:, which is also the current drive when CTest starts us from
// the build folder, so GetFullPathNameW turns it into a Windows path.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "tests/common/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "tests/common/wine_process.h"

namespace kerfline::clitest {
namespace {

namespace fs = std::filesystem;

// 297 x 210 mm, drawn from the origin.
constexpr std::string_view kRectangle = "IN;PU0,0;PD11880,0,11880,8400,0,8400,0,0;";
// What `info` prints for it after the name, as text-mode standard output
// writes it: CR LF line ends, "мм" in UTF-8.
constexpr std::string_view kRectangleInfo =
    "297x210 \xD0\xBC\xD0\xBC\r\n(0 \xD0\xBC\xD0\xBC,0 \xD0\xBC\xD0\xBC)\r\n1014 "
    "\xD0\xBC\xD0\xBC\r\n";

// A child that has not ended by then is taken for hung and ended by us.
constexpr DWORD kChildWaitMs = 60000;

// ---- text -------------------------------------------------------------------

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int length = static_cast<int>(utf8.size());
    const int wide =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (wide <= 0) {
        ADD_FAILURE() << "not UTF-8: " << utf8;
        return {};
    }
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, text.data(), wide);
    return text;
}

std::string toUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), bytes, nullptr, nullptr);
    return out;
}

// True when every LF comes right after one CR, and no CR is doubled before it.
bool endsEveryLineWithCrLf(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') continue;
        if (i == 0 || text[i - 1] != '\r') return false;
        if (i >= 2 && text[i - 2] == '\r') return false;
    }
    return true;
}

// ---- handles and files ------------------------------------------------------

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE handle = nullptr) {
        if (valid()) CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

using test::readBytes;
using test::writeBytes;

// The shared scratch folder, with the wide paths these tests pass around.
class ScratchDir : public test::ScratchDir {
public:
    std::wstring path() const { return test::ScratchDir::path().native(); }
    std::wstring operator/(std::wstring_view name) const {
        return path() + L"\\" + std::wstring(name);
    }
};

// ---- running the program ----------------------------------------------------

// The program's Windows path, worked out once, before any test changes the
// current folder of a child.
const std::wstring& programPath() {
    static const std::wstring path = [] {
        const std::wstring built = widen(KERF_CLI_PATH);
        wchar_t full[MAX_PATH + 1] = {};
        const DWORD length = GetFullPathNameW(built.c_str(), MAX_PATH + 1, full, nullptr);
        return length > 0 && length <= MAX_PATH ? std::wstring(full, length) : built;
    }();
    return path;
}

// Quotes one argument so that the C runtime's parser gives it back as it was
// (backslashes are literal except before a quote).
std::wstring quoteArgument(std::wstring_view argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring_view::npos)
        return std::wstring(argument);
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

struct CliRun {
    DWORD status = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

struct RunOptions {
    // The child's current folder; empty: ours.
    std::wstring folder;
    // When set, standard output or error goes to this handle (which must be
    // inheritable) instead of a capture pipe.
    HANDLE out = nullptr;
    HANDLE err = nullptr;
};

// Reads a pipe to its end on a thread of its own, so that neither of the
// child's two outputs can fill up and stall it.
class PipeCapture {
public:
    PipeCapture() {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        HANDLE read = nullptr;
        HANDLE write = nullptr;
        if (!CreatePipe(&read, &write, &inheritable, 0)) {
            ADD_FAILURE() << "CreatePipe: error " << GetLastError();
            return;
        }
        read_.reset(read);
        write_.reset(write);
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    }
    PipeCapture(const PipeCapture&) = delete;
    PipeCapture& operator=(const PipeCapture&) = delete;
    ~PipeCapture() { finish(); }

    HANDLE childEnd() const { return write_.get(); }

    // Once the child holds its own copy of the write end.
    void start() {
        write_.reset();
        reader_ = std::thread([this] {
            char buffer[4096];
            DWORD got = 0;
            while (ReadFile(read_.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
                text_.append(buffer, got);
        });
    }

    // After the child has ended: everything it wrote.
    std::string finish() {
        write_.reset();
        if (reader_.joinable()) reader_.join();
        return text_;
    }

private:
    Handle read_;
    Handle write_;
    std::thread reader_;
    std::string text_;
};

CliRun runCli(const std::vector<std::wstring>& args, const RunOptions& options = {}) {
    CliRun result;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    Handle input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             OPEN_EXISTING, 0, nullptr));
    PipeCapture out;
    PipeCapture err;

    std::wstring commandLine = quoteArgument(programPath());
    for (const std::wstring& arg : args) commandLine += L" " + quoteArgument(arg);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = options.out ? options.out : out.childEnd();
    startup.hStdError = options.err ? options.err : err.childEnd();
    PROCESS_INFORMATION process{};
    const DWORD startError = test::startRetryingWine([&] {
        process = {};
        return CreateProcessW(programPath().c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                              nullptr, options.folder.empty() ? nullptr : options.folder.c_str(),
                              &startup, &process) != 0;
    });
    if (startError != 0) {
        ADD_FAILURE() << "cannot start " << toUtf8(programPath()) << ": error " << startError
                      << " (built as " << KERF_CLI_PATH << ")";
        return result;
    }
    Handle processHandle(process.hProcess);
    Handle threadHandle(process.hThread);
    out.start();
    err.start();
    if (WaitForSingleObject(process.hProcess, kChildWaitMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "kerfline-cli did not end; ended by the test";
        TerminateProcess(process.hProcess, 999);
        WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &result.status);
    result.out = out.finish();
    result.err = err.finish();
    return result;
}

// ---- edit: the drawing's bytes ---------------------------------------------

struct EditCase {
    const char* label;
    std::string_view input;
    std::vector<std::wstring> operations;
    std::string_view expected;
};

class EditOutputTest : public ::testing::TestWithParam<EditCase> {};

// The same bytes through a pipe (binary mode, so that no CR is added to the
// CR LF the program writes itself), with "-o -", and in a new file.
TEST_P(EditOutputTest, WritesTheSameBytesToAPipeAndToAFile) {
    const EditCase& c = GetParam();
    ScratchDir dir;
    writeBytes(dir / L"in.plt", c.input);

    std::vector<std::wstring> args{L"edit", dir / L"in.plt"};
    args.insert(args.end(), c.operations.begin(), c.operations.end());
    const CliRun toStdout = runCli(args);
    EXPECT_EQ(toStdout.status, 0u) << toStdout.err;
    EXPECT_EQ(toStdout.out, c.expected);
    EXPECT_EQ(toStdout.err, "");

    std::vector<std::wstring> dash(args);
    dash.insert(dash.end(), {L"-o", L"-"});
    const CliRun toDash = runCli(dash);
    EXPECT_EQ(toDash.status, 0u) << toDash.err;
    EXPECT_EQ(toDash.out, c.expected);

    std::vector<std::wstring> toFileArgs(args);
    toFileArgs.insert(toFileArgs.end(), {L"-o", dir / L"out.plt"});
    const CliRun toFile = runCli(toFileArgs);
    EXPECT_EQ(toFile.status, 0u) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(toFile.err, "");
    EXPECT_EQ(readBytes(dir / L"out.plt"), c.expected);
    EXPECT_EQ(readBytes(dir / L"in.plt"), c.input) << "the input is only read";
    EXPECT_EQ(dir.names(), (std::set<std::wstring>{L"in.plt", L"out.plt"}));
}

INSTANTIATE_TEST_SUITE_P(
    Generated, EditOutputTest,
    ::testing::Values(
        EditCase{"no_operation", kRectangle, {}, kRectangle},
        EditCase{"frame_10",
                 kRectangle,
                 {L"--frame", L"10"},
                 "IN;PU-400,-400;PD-400,8800,12280,8800,12280,-400,-400,-400;PU0,0;"
                 "PU0,0;PD11880,0,11880,8400,0,8400,0,0;"},
        EditCase{"rotate", "IN;PU0,0;PD40,0,40,80;", {L"--rotate"}, "IN;PU0,40;PD0,0,80,0;"},
        // A label's line feed is saved as CR LF, and one CR LF stays one.
        EditCase{"label_line_feed", "IN;LBa\nb\x03;", {}, "IN;LBa\r\nb\x03;"},
        EditCase{"label_crlf", "IN;LBa\r\nb\x03;", {}, "IN;LBa\r\nb\x03;"},
        EditCase{"label_line_feeds_moved",
                 "IN;PU0,0;LBa\n\nb\x03;PD40,0;",
                 {L"--move", L"1,1"},
                 "IN;PU40,40;LBa\r\n\r\nb\x03;PD80,40;"},
        EditCase{"empty_file", "", {L"--rotate"}, ""}),
    [](const auto& p) { return std::string(p.param.label); });

// ---- convert: CR LF line ends, to a pipe and to a file ---------------------

TEST(Convert, WritesCrLfLinesToAPipeAndToAFile) {
    ScratchDir dir;
    // Three sides of a square, polyline-encoded in 8 bits (0xBF is 0, '_'
    // 0xCB is 400, '`' 0xCB is -400), with a Ctrl-Z among them: the file is
    // read as bytes, so that byte does not end it.
    writeBytes(dir / L"in.plt", "in\nPE<=\xBF\xBF_\xCB\xBF\xBF_\xCB\x1A`\xCB\xBF;");
    const std::string expected = "IN;\r\nPU0,0;\r\nPD400,0,400,400,0,400;\r\nPU0,400;\r\n";
    const CliRun toStdout = runCli({L"convert", dir / L"in.plt"});
    EXPECT_EQ(toStdout.status, 0u) << toStdout.err;
    EXPECT_EQ(toStdout.out, expected);
    EXPECT_NE(toStdout.err.find("PE 1 converted"), std::string::npos) << toStdout.err;
    EXPECT_TRUE(endsEveryLineWithCrLf(toStdout.err)) << toStdout.err;

    const CliRun toFile = runCli({L"convert", dir / L"in.plt", L"-o", dir / L"out.plt"});
    EXPECT_EQ(toFile.status, 0u) << toFile.err;
    EXPECT_EQ(readBytes(dir / L"out.plt"), expected);
}

// ---- edit: replacing OUT ---------------------------------------------------

struct ReplaceCase {
    const char* label;
    std::string_view existing;
};

class ReplaceTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceTest, AnExistingOutIsReplacedWhole) {
    ScratchDir dir;
    writeBytes(dir / L"in.plt", kRectangle);
    writeBytes(dir / L"out.plt", GetParam().existing);
    const CliRun run = runCli({L"edit", dir / L"in.plt", L"-o", dir / L"out.plt"});
    EXPECT_EQ(run.status, 0u) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(readBytes(dir / L"out.plt"), kRectangle);
    EXPECT_EQ(dir.names(), (std::set<std::wstring>{L"in.plt", L"out.plt"}));
}

INSTANTIATE_TEST_SUITE_P(
    Existing, ReplaceTest,
    ::testing::Values(ReplaceCase{"longer",
                                  std::string_view("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
                                                   "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx")},
                      ReplaceCase{"shorter", "IN;"}, ReplaceCase{"empty", ""},
                      ReplaceCase{"old_drawing", "IN;PU0,0;PD1,1;\r\nLBold\x03;"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(Replace, EditCanSaveOverItsOwnInput) {
    ScratchDir dir;
    writeBytes(dir / L"a.plt", "IN;PU0,0;PD40,0,40,40;");
    const CliRun run = runCli({L"edit", dir / L"a.plt", L"--scale", L"50", L"-o", dir / L"a.plt"});
    EXPECT_EQ(run.status, 0u) << run.err;
    EXPECT_EQ(readBytes(dir / L"a.plt"), "IN;PU0,0;PD20,0,20,20;");
    EXPECT_EQ(dir.names(), (std::set<std::wstring>{L"a.plt"}));
}

TEST(Replace, ARelativeOutIsSavedInTheCurrentFolder) {
    ScratchDir dir;
    writeBytes(dir / L"in.plt", kRectangle);
    writeBytes(dir / L"out.plt", "old");
    RunOptions options;
    options.folder = dir.path();
    const CliRun run = runCli({L"edit", L"in.plt", L"--rotate", L"-o", L"out.plt"}, options);
    EXPECT_EQ(run.status, 0u) << run.err;
    EXPECT_EQ(readBytes(dir / L"out.plt"), "IN;PU0,11880;PD0,0,8400,0,8400,11880,0,11880;");
    EXPECT_EQ(dir.names(), (std::set<std::wstring>{L"in.plt", L"out.plt"}));
}

// ---- failures leave OUT as it was ------------------------------------------

struct InvalidCase {
    const char* label;
    // Sets up the input in `dir` and returns its path.
    std::wstring (*prepare)(const ScratchDir& dir);
};

class InvalidInputTest : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidInputTest, ExitsWithOneAndTouchesNothing) {
    ScratchDir dir;
    const std::wstring input = GetParam().prepare(dir);
    const std::string existing = "IN;PU0,0;PD1,1;\r\nLBold\x03;";
    writeBytes(dir / L"existing.plt", existing);
    const auto before = dir.names();
    const std::string message = "Invalid File: " + toUtf8(input) + "\r\n";

    const std::vector<std::vector<std::wstring>> commands{
        {L"info", input},
        {L"edit", input},
        {L"edit", input, L"--frame", L"5", L"-o", L"-"},
        {L"edit", input, L"--rotate", L"-o", dir / L"existing.plt"},
        {L"edit", input, L"-o", dir / L"new.plt"},
    };
    for (const auto& args : commands) {
        SCOPED_TRACE(toUtf8(args[0] + L" " + args.back()));
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 1u);
        EXPECT_EQ(run.err, message);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(readBytes(dir / L"existing.plt"), existing);
        EXPECT_EQ(dir.names(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, InvalidInputTest,
    ::testing::Values(InvalidCase{"no_final_semicolon",
                                  [](const ScratchDir& d) {
                                      writeBytes(d / L"cut.plt", "IN;PU0,0;PD10,10");
                                      return d / L"cut.plt";
                                  }},
                      InvalidCase{"binary_without_semicolon",
                                  [](const ScratchDir& d) {
                                      writeBytes(d / L"bin.plt",
                                                 std::string_view("\x00\xFF\x01\x80garbage", 11));
                                      return d / L"bin.plt";
                                  }},
                      InvalidCase{"missing_file",
                                  [](const ScratchDir& d) { return d / L"absent.plt"; }},
                      InvalidCase{"folder",
                                  [](const ScratchDir& d) {
                                      CreateDirectoryW((d / L"folder.plt").c_str(), nullptr);
                                      return d / L"folder.plt";
                                  }}),
    [](const auto& p) { return std::string(p.param.label); });

struct UnwritableCase {
    const char* label;
    // Sets up OUT in `dir` and returns its path; `kept` names a file that
    // must come through unchanged, with `keptBytes` in it.
    std::wstring (*prepare)(const ScratchDir& dir);
    std::wstring_view kept;
    std::string_view keptBytes;
};

class UnwritableOutTest : public ::testing::TestWithParam<UnwritableCase> {};

TEST_P(UnwritableOutTest, ExitsWithOneAndLeavesEverythingAsItWas) {
    const UnwritableCase& c = GetParam();
    ScratchDir dir;
    writeBytes(dir / L"in.plt", kRectangle);
    const std::wstring output = c.prepare(dir);
    const auto before = dir.names();
    const CliRun run = runCli({L"edit", dir / L"in.plt", L"--frame", L"3", L"-o", output});
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.err, "Can't Save File: " + toUtf8(output) + "\r\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(dir.names(), before) << "no temporary file may be left behind";
    EXPECT_EQ(readBytes(dir / L"in.plt"), kRectangle);
    if (!c.kept.empty()) {
        EXPECT_EQ(readBytes(dir / c.kept), c.keptBytes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, UnwritableOutTest,
    ::testing::Values(UnwritableCase{"out_is_a_folder",
                                     [](const ScratchDir& d) {
                                         CreateDirectoryW((d / L"out.plt").c_str(), nullptr);
                                         writeBytes(d / L"out.plt\\kept", "x");
                                         return d / L"out.plt";
                                     },
                                     L"out.plt\\kept", "x"},
                      UnwritableCase{"out_is_an_empty_folder",
                                     [](const ScratchDir& d) {
                                         CreateDirectoryW((d / L"out.plt").c_str(), nullptr);
                                         return d / L"out.plt";
                                     },
                                     L"", ""},
                      UnwritableCase{"missing_folder",
                                     [](const ScratchDir& d) { return d / L"absent\\out.plt"; },
                                     L"", ""},
                      UnwritableCase{"read_only_out",
                                     [](const ScratchDir& d) {
                                         writeBytes(d / L"out.plt", "old\r\n");
                                         SetFileAttributesW((d / L"out.plt").c_str(),
                                                            FILE_ATTRIBUTE_READONLY);
                                         return d / L"out.plt";
                                     },
                                     L"out.plt", "old\r\n"}),
    [](const auto& p) { return std::string(p.param.label); });

// Windows will not replace a file that another program holds open without
// FILE_SHARE_DELETE: only the final MoveFileExA fails, after the temporary
// file has been written, and that file must go again.
TEST(UnwritableOut, AnOutHeldOpenElsewhereIsLeftAsItWas) {
    ScratchDir dir;
    writeBytes(dir / L"in.plt", kRectangle);
    writeBytes(dir / L"out.plt", "old\r\n");
    Handle held(CreateFileW((dir / L"out.plt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid()) << "error " << GetLastError();
    const CliRun run = runCli({L"edit", dir / L"in.plt", L"-o", dir / L"out.plt"});
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.err, "Can't Save File: " + toUtf8(dir / L"out.plt") + "\r\n");
    EXPECT_EQ(dir.names(), (std::set<std::wstring>{L"in.plt", L"out.plt"}));
    held.reset();
    EXPECT_EQ(readBytes(dir / L"out.plt"), "old\r\n");
}

TEST(UnwritableOut, AnEmptyFolderNamedOutIsStillAFolder) {
    ScratchDir dir;
    writeBytes(dir / L"in.plt", kRectangle);
    CreateDirectoryW((dir / L"out.plt").c_str(), nullptr);
    const CliRun run = runCli({L"edit", dir / L"in.plt", L"-o", dir / L"out.plt"});
    EXPECT_EQ(run.status, 1u);
    const DWORD attributes = GetFileAttributesW((dir / L"out.plt").c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << "the folder was replaced by a file";
}

// ---- a standard output nobody reads -----------------------------------------

struct ClosedPipeCase {
    const char* label;
    std::vector<std::wstring> args;  // L"IN" stands for a valid input file
    std::string_view err;
};

class ClosedPipeTest : public ::testing::TestWithParam<ClosedPipeCase> {};

TEST_P(ClosedPipeTest, IsReportedWithStatusOne) {
    const ClosedPipeCase& c = GetParam();
    ScratchDir dir;
    writeBytes(dir / L"in.plt", kRectangle);
    std::vector<std::wstring> args = c.args;
    for (std::wstring& a : args)
        if (a == L"IN") a = dir / L"in.plt";

    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, &inheritable, 0));
    Handle writeEnd(write);
    CloseHandle(read);  // the reader has gone before the first byte
    RunOptions options;
    options.out = writeEnd.get();
    const CliRun run = runCli(args, options);
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ClosedPipeTest,
    ::testing::Values(ClosedPipeCase{"edit",
                                     {L"edit", L"IN", L"--frame", L"2"},
                                     "Can't Save File: standard output\r\n"},
                      ClosedPipeCase{"edit_dash",
                                     {L"edit", L"IN", L"-o", L"-"},
                                     "Can't Save File: standard output\r\n"},
                      ClosedPipeCase{"info", {L"info", L"IN"}, "Can't Write: standard output\r\n"},
                      ClosedPipeCase{"help", {L"--help"}, "Can't Write: standard output\r\n"}),
    [](const auto& p) { return std::string(p.param.label); });

// ---- info and the texts -----------------------------------------------------

struct InfoCase {
    const char* label;
    std::string_view content;
    std::string_view expected;  // the three lines after the name
};

class InfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(InfoTest, PrintsFourLinesEndingInCrLf) {
    const InfoCase& c = GetParam();
    ScratchDir dir;
    writeBytes(dir / L"drawing.plt", c.content);
    const CliRun run = runCli({L"info", dir / L"drawing.plt"});
    EXPECT_EQ(run.status, 0u) << run.err;
    EXPECT_EQ(run.out, "drawing.plt\r\n" + std::string(c.expected));
    EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Generated, InfoTest,
    ::testing::Values(
        InfoCase{"rectangle", kRectangle, kRectangleInfo},
        InfoCase{"below_and_left", "IN;PU-400,-80;PD-400,400;",
                 "0x12 \xD0\xBC\xD0\xBC\r\n(-10 \xD0\xBC\xD0\xBC,-2 \xD0\xBC\xD0\xBC)\r\n12 "
                 "\xD0\xBC\xD0\xBC\r\n"},
        InfoCase{"crlf_and_ctrl_z",
                 "IN;\r\nPU0,0;\r\nPD400,0;\r\n\x1A"
                 "PD1",
                 "10x0 \xD0\xBC\xD0\xBC\r\n(0 \xD0\xBC\xD0\xBC,0 \xD0\xBC\xD0\xBC)\r\n10 "
                 "\xD0\xBC\xD0\xBC\r\n"},
        InfoCase{"empty_file", "", "0x0 \xD0\xBC\xD0\xBC\r\n(0,0)\r\n0 \xD0\xBC\xD0\xBC\r\n"}),
    [](const auto& p) { return std::string(p.param.label); });

struct PathFormCase {
    const char* label;
    // The FILE argument for plots\rect.plt in `dir`, and the child's folder.
    std::wstring (*argument)(const ScratchDir& dir);
    std::wstring (*folder)(const ScratchDir& dir);
};

class InfoPathFormTest : public ::testing::TestWithParam<PathFormCase> {};

// Only the name is printed, however the path reaches it.
TEST_P(InfoPathFormTest, PrintsOnlyTheName) {
    ScratchDir dir;
    CreateDirectoryW((dir / L"plots").c_str(), nullptr);
    writeBytes(dir / L"plots\\rect.plt", kRectangle);
    RunOptions options;
    options.folder = GetParam().folder(dir);
    const CliRun run = runCli({L"info", GetParam().argument(dir)}, options);
    EXPECT_EQ(run.status, 0u) << run.err;
    EXPECT_EQ(run.out, "rect.plt\r\n" + std::string(kRectangleInfo));
}

std::wstring scratchFolder(const ScratchDir& d) { return d.path(); }
std::wstring plotsFolder(const ScratchDir& d) { return d / L"plots"; }

INSTANTIATE_TEST_SUITE_P(
    Forms, InfoPathFormTest,
    ::testing::Values(
        PathFormCase{"absolute_backslashes",
                     [](const ScratchDir& d) { return d / L"plots\\rect.plt"; }, scratchFolder},
        PathFormCase{"absolute_slashes",
                     [](const ScratchDir& d) {
                         std::wstring path = d / L"plots\\rect.plt";
                         for (wchar_t& c : path)
                             if (c == L'\\') c = L'/';
                         return path;
                     },
                     scratchFolder},
        PathFormCase{"relative", [](const ScratchDir&) { return std::wstring(L"plots\\rect.plt"); },
                     scratchFolder},
        PathFormCase{"bare_name", [](const ScratchDir&) { return std::wstring(L"rect.plt"); },
                     plotsFolder},
        // "C:rect.plt": the current folder of drive C:, with no slash at all.
        PathFormCase{"drive_relative",
                     [](const ScratchDir& d) { return d.path().substr(0, 2) + L"rect.plt"; },
                     plotsFolder}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(Texts, HelpGoesToStandardOutputWithCrLf) {
    for (const wchar_t* flag : {L"--help", L"-h"}) {
        SCOPED_TRACE(toUtf8(flag));
        const CliRun run = runCli({flag});
        EXPECT_EQ(run.status, 0u);
        EXPECT_EQ(run.out.rfind("Usage:\r\n  kerfline-cli info FILE [--json [--speed CM_S]]\r\n", 0), 0u) << run.out;
        EXPECT_TRUE(endsEveryLineWithCrLf(run.out)) << run.out;
        EXPECT_EQ(run.err, "");
    }
}

class UsageErrorTest : public ::testing::TestWithParam<std::vector<std::wstring>> {};

TEST_P(UsageErrorTest, ExitsWithTwoAndShowsTheUsageWithCrLf) {
    const CliRun run = runCli(GetParam());
    EXPECT_EQ(run.status, 2u);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("kerfline-cli: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("\r\n\r\nUsage:\r\n"), std::string::npos) << run.err;
    EXPECT_TRUE(endsEveryLineWithCrLf(run.err)) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, UsageErrorTest,
    ::testing::Values(std::vector<std::wstring>{}, std::vector<std::wstring>{L"print", L"x.plt"},
                      std::vector<std::wstring>{L"edit", L"x.plt", L"--scale", L"1.5"},
                      std::vector<std::wstring>{L"edit", L"x.plt", L"-o"}));

// ---- file names in the ANSI code page ---------------------------------------

// Names whose characters all lie in one ANSI code page. Under Wine a program
// takes its code page from LC_ALL, so CTest runs these tests once with
// ru_RU.UTF-8 (1251, the code page of the systems the program is made for)
// and once with C.UTF-8 (1252); see CMakeLists.txt.
struct CodePageNames {
    UINT codePage;
    const wchar_t* input;
    const wchar_t* output;
    const wchar_t* missing;
};

constexpr CodePageNames kCodePageNames[] = {
    {1251, L"\x0447\x0435\x0440\x0442\x0451\x0436.plt", L"\x0432\x044B\x0432\x043E\x0434.plt",
     L"\x043D\x0435\x0442"},
    {1252, L"caf\x00E9.plt", L"r\x00E9sum\x00E9.plt", L"\x00E0\x00E9"},
};

// The names for the code page we run in, which the children share; null
// (after saying so) for a code page without names here.
const CodePageNames* namesForThisCodePage() {
    for (const CodePageNames& names : kCodePageNames)
        if (names.codePage == GetACP()) return &names;
    ADD_FAILURE() << "no names for ANSI code page " << GetACP()
                  << "; under Wine, run with LC_ALL=ru_RU.UTF-8 or C.UTF-8";
    return nullptr;
}

TEST(AnsiCodePage, NamesInInfoAndMessagesAreUtf8) {
    const CodePageNames* names = namesForThisCodePage();
    if (!names) return;
    ScratchDir dir;
    writeBytes(dir / names->input, kRectangle);

    const CliRun info = runCli({L"info", dir / names->input});
    EXPECT_EQ(info.status, 0u) << info.err;
    EXPECT_EQ(info.out, toUtf8(names->input) + "\r\n" + std::string(kRectangleInfo));

    const CliRun missing = runCli({L"info", dir / names->missing});
    EXPECT_EQ(missing.status, 1u);
    EXPECT_EQ(missing.err, "Invalid File: " + toUtf8(dir / names->missing) + "\r\n");

    const std::wstring unsaved = dir / (std::wstring(names->missing) + L"\\" + names->output);
    const CliRun cannot = runCli({L"edit", dir / names->input, L"-o", unsaved});
    EXPECT_EQ(cannot.status, 1u);
    EXPECT_EQ(cannot.err, "Can't Save File: " + toUtf8(unsaved) + "\r\n");
}

// The temporary file is named after OUT and replaces it, both by ANSI names.
TEST(AnsiCodePage, OutIsSavedAndReplacedUnderItsName) {
    const CodePageNames* names = namesForThisCodePage();
    if (!names) return;
    ScratchDir dir;
    writeBytes(dir / names->input, kRectangle);
    for (const char* round : {"new", "replaced"}) {
        SCOPED_TRACE(round);
        const CliRun edit =
            runCli({L"edit", dir / names->input, L"--frame", L"10", L"-o", dir / names->output});
        EXPECT_EQ(edit.status, 0u) << edit.err;
        EXPECT_EQ(dir.names(), (std::set<std::wstring>{names->input, names->output}));
        EXPECT_EQ(readBytes(dir / names->output),
                  "IN;PU-400,-400;PD-400,8800,12280,8800,12280,-400,-400,-400;PU0,0;"
                  "PU0,0;PD11880,0,11880,8400,0,8400,0,0;");
    }
}

// ---- a console --------------------------------------------------------------

// Text written into a console screen buffer, read back line by line.
class ConsoleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Under Wine, a program started without a terminal has a console
        // that cannot make screen buffers; a console of our own can. It is
        // kept to the end, so that later children are not each given a new
        // one. Our own output stays where it went: the C runtime has its
        // handles already, and the standard handles are put back.
        const HANDLE saved[3] = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                                 GetStdHandle(STD_ERROR_HANDLE)};
        FreeConsole();
        consoleReady_ = AllocConsole() != 0;
        SetStdHandle(STD_INPUT_HANDLE, saved[0]);
        SetStdHandle(STD_OUTPUT_HANDLE, saved[1]);
        SetStdHandle(STD_ERROR_HANDLE, saved[2]);
    }

    void SetUp() override {
        ASSERT_TRUE(consoleReady_) << "AllocConsole: error " << GetLastError();
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        buffer_.reset(CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                                CONSOLE_TEXTMODE_BUFFER, nullptr));
        ASSERT_TRUE(buffer_.valid()) << "CreateConsoleScreenBuffer: error " << GetLastError();
        ASSERT_TRUE(SetConsoleScreenBufferSize(buffer_.get(), COORD{250, 60}));
        // Code page 437 has no Cyrillic: UTF-8 or code page 1251 bytes
        // written as bytes would show as other characters.
        // Wine without a display makes a console that cannot do this.
        ASSERT_TRUE(SetConsoleOutputCP(437)) << "error " << GetLastError();
    }

    // The lines written so far, trailing blanks cut.
    std::vector<std::wstring> lines() const {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        if (!GetConsoleScreenBufferInfo(buffer_.get(), &info)) {
            ADD_FAILURE() << "GetConsoleScreenBufferInfo: error " << GetLastError();
            return {};
        }
        // Written text ends with a line feed, so the cursor is at column 0
        // of the line after it.
        EXPECT_EQ(info.dwCursorPosition.X, 0);
        std::vector<std::wstring> result;
        for (SHORT row = 0; row < info.dwCursorPosition.Y; ++row) {
            std::wstring line(static_cast<std::size_t>(info.dwSize.X), L' ');
            DWORD read = 0;
            ReadConsoleOutputCharacterW(buffer_.get(), line.data(),
                                        static_cast<DWORD>(info.dwSize.X), COORD{0, row}, &read);
            line.resize(read);
            line.erase(line.find_last_not_of(L' ') + 1);
            result.push_back(line);
        }
        return result;
    }

    HANDLE buffer() const { return buffer_.get(); }

private:
    static inline bool consoleReady_ = false;
    Handle buffer_;
};

const std::vector<std::wstring> kRectangleConsoleLines{
    L"297x210 \x043C\x043C", L"(0 \x043C\x043C,0 \x043C\x043C)", L"1014 \x043C\x043C"};

TEST_F(ConsoleTest, InfoIsShownAsUtf16WhateverTheCodePage) {
    const CodePageNames* names = namesForThisCodePage();
    if (!names) return;
    ScratchDir dir;
    const std::wstring name = names->input;
    writeBytes(dir / name, kRectangle);
    RunOptions options;
    options.out = buffer();
    const CliRun run = runCli({L"info", dir / name}, options);
    EXPECT_EQ(run.status, 0u) << run.err;
    EXPECT_EQ(run.out, "") << "the text went to the console, not the pipe";
    std::vector<std::wstring> expected{name};
    expected.insert(expected.end(), kRectangleConsoleLines.begin(), kRectangleConsoleLines.end());
    EXPECT_EQ(lines(), expected);
}

TEST_F(ConsoleTest, MessagesOnStandardErrorToo) {
    const CodePageNames* names = namesForThisCodePage();
    if (!names) return;
    ScratchDir dir;
    const std::wstring missing = dir / names->missing;
    RunOptions options;
    options.err = buffer();
    const CliRun run = runCli({L"info", missing}, options);
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(lines(), std::vector<std::wstring>{L"Invalid File: " + missing});
}

// ---- info --json, tile and render ----------------------------------------

TEST(CuttingJob, JsonPanelsAndPictureOnWindows) {
    ScratchDir dir;
    writeBytes(dir / L"in.plt", kRectangle);

    const CliRun json = runCli({L"info", dir / L"in.plt", L"--json"});
    EXPECT_EQ(json.status, 0u) << json.err;
    EXPECT_EQ(json.out,
              "{\"name\": \"in.plt\", \"instructions\": 3, \"width_mm\": 297, \"height_mm\": 210, "
              "\"min_x\": 0, \"min_y\": 0, \"max_x\": 11880, \"max_y\": 8400, \"cut_mm\": 1014, "
              "\"move_mm\": 0, \"cuts\": 1, \"closed_cuts\": 1, \"unknown\": {}, \"time_s\": 5.27}\r\n");

    // The picture through a pipe: each line ends in one CR LF, none doubled.
    const CliRun svg = runCli({L"render", dir / L"in.plt"});
    EXPECT_EQ(svg.status, 0u) << svg.err;
    EXPECT_EQ(svg.out.rfind("<?xml", 0), 0u);
    EXPECT_TRUE(endsEveryLineWithCrLf(svg.out));
    EXPECT_NE(svg.out.find("width=\"299mm\" height=\"212mm\""), std::string::npos) << svg.out;

    // Panels of 200 x 150 mm overlapping by 10 mm, into a folder with a
    // Windows path: the top right one holds the rectangle's corner.
    ASSERT_TRUE(CreateDirectoryW((dir / L"panels").c_str(), nullptr));
    const CliRun tile = runCli({L"tile", dir / L"in.plt", L"200x150", L"--overlap", L"10", L"-o",
                                dir / L"panels"});
    EXPECT_EQ(tile.status, 0u) << tile.err;
    for (const wchar_t* name : {L"in-1-1.plt", L"in-1-2.plt", L"in-2-1.plt"})
        EXPECT_NE(GetFileAttributesW((dir / L"panels" + L"\\" + name).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(readBytes(dir / L"panels" + L"\\in-2-2.plt"), "IN;PU4280,0;PD4280,2800,0,2800;PU;");
}

}  // namespace
}  // namespace kerfline::clitest
