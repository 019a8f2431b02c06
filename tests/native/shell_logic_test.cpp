// The shell's decisions that need no window, at the edges the end-to-end
// tests do not reach: typed numbers at the ends of the 32-bit range, paths,
// the command line, settings that must come back unchanged, the dispatch
// rule, the names Windows keeps for devices.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "geometry/point.h"
#include "resources/resource.h"
#include "shell/dispatch.h"
#include "io/file_kind.h"
#include "shell/settings.h"
#include "shell/texts.h"

namespace kerfline {
namespace {

TEST(TypedInteger, ReadsStepsAndShowsNumbersModulo2To32) {
    // clang-format off
    const std::pair<const char*, std::int32_t> typed[] = {
        {"", 0}, {"abc", 0}, {"7x5", 7}, {"  \t42", 42}, {"+12", 12}, {"- 3", 0}, {"+-3", 0},
        {"0009", 9}, {"-2147483648", kInt32Min}, {"2147483648", kInt32Min}, {"4294967297", 1},
        {"9999999999999999999999999999999", kInt32Max}};
    // clang-format on
    for (const auto& [text, expected] : typed)
        EXPECT_EQ(parseTypedInteger(text), expected) << '"' << text << '"';
    EXPECT_EQ(stepTypedInteger(kInt32Max, 1), kInt32Min);
    EXPECT_EQ(stepTypedInteger(kInt32Min, -1), kInt32Max);
    char text[kIntegerCapacity];
    EXPECT_STREQ(integerText(kInt32Min, text), "-2147483648");
    char small[4];
    EXPECT_STREQ(copyText(small, sizeof small, "abcdef"), "abc");
    EXPECT_STREQ(appendText(small, sizeof small, "z"), "abc");
}

TEST(ShellPaths, FileNameFolderAndTheCommandLineName) {
    // clang-format off
    const std::tuple<const char*, const char*, const char*> paths[] = {
        {"C:\\PLOTS\\A.PLT", "A.PLT", "C:\\PLOTS\\"}, {"C:A.PLT", "C:A.PLT", "C:"},
        {"D:\\OUT\\SUB/B.PLT", "SUB/B.PLT", "D:\\OUT\\SUB/"},
        {"\\\\SERVER\\SHARE\\C.PLT", "C.PLT", "\\\\SERVER\\SHARE\\"}, {"A.PLT", "A.PLT", ""}};
    const std::pair<const char*, const char*> lines[] = {
        {"two words.plt", "two words.plt"}, {"\"C:\\My Plots\\a b.plt\"", "C:\\My Plots\\a b.plt"},
        {"  \"quoted\"  ", "quoted"}, {"\"only opening", "\"only opening"}, {"\"\"", ""},
        {"\"", "\""}, {"a\"b\"", "a\"b\""}, {"   ", ""}};
    // clang-format on
    for (const auto& [path, name, folder] : paths) {
        EXPECT_EQ(std::string(path).substr(fileNameOffset(path)), name) << path;
        EXPECT_EQ(driveAndFolder(path), folder) << path;
    }
    for (const auto& [line, name] : lines) EXPECT_EQ(commandLineName(line), name) << line;
}

// Stands in for the INI file.
class MapProfile final : public Profile {
public:
    void readText(const char* key, const char* fallback, char* buffer,
                  std::size_t capacity) override {
        const auto found = values.find(key);
        copyText(buffer, capacity, found == values.end() ? fallback : found->second);
    }
    void writeText(const char* key, const char* value) override { values[key] = value; }
    std::map<std::string, std::string> values;
};

TEST(SettingsFile, ExtremesComeBackUnchangedAndLongTextsAreCut) {
    Settings first;
    copyText(first.DefaultDir, kPathCapacity, std::string(300, 'D'));
    first.FrameDistance = kInt32Min;
    first.Scale_K = kInt32Max;
    first.yMove = -15;
    MapProfile profile;
    saveSettings(first, profile);
    profile.values["LogFile"] = std::string(300, 'L');
    profile.values["xMove"] = "abc";

    Settings second;
    loadSettings(second, profile, "ignored", "ignored");
    EXPECT_EQ(std::string(second.DefaultDir), std::string(259, 'D'));
    EXPECT_EQ(std::string(second.LogFile), std::string(259, 'L'));
    EXPECT_EQ(second.FrameDistance, kInt32Min);
    EXPECT_EQ(second.Scale_K, kInt32Max);
    EXPECT_EQ(second.yMove, -15);
    EXPECT_EQ(second.xMove, 0);
    // No current folder could be formed, and no Windows folder: the defaults
    // are what is left of them.
    Settings none;
    MapProfile empty;
    loadSettings(none, empty, "", "");
    EXPECT_STREQ(none.DefaultDir, "");
    EXPECT_STREQ(none.LogFile, "\\kerfline.log");
}

// Records what a command ran; dialogs end with the result it is given.
class RecordingTarget final : public CommandTarget {
public:
    RecordingTarget(std::intptr_t result, bool drawing) : result_(result), drawing_(drawing) {}
    bool hasDrawing() const override { return drawing_; }
    std::intptr_t runDialog(const char* name) override {
        ran.push_back(name);
        return result_;
    }
    void onOpen() override { ran.push_back("open"); }
    void onSave() override { ran.push_back("save"); }
    void onSaveAs() override { ran.push_back("saveAs"); }
    void onPrint() override { ran.push_back("print"); }
    void onExit() override { ran.push_back("exit"); }
    void onFrame() override { ran.push_back("frame"); }
    void onScale() override { ran.push_back("scale"); }
    void onRotate() override { ran.push_back("rotate"); }
    void onMove() override { ran.push_back("move"); }
    std::vector<std::string> ran;

private:
    std::intptr_t result_;
    bool drawing_;
};

using Ran = std::vector<std::string>;

TEST(MenuDispatch, AnOperationRunsOnlyAfterOkAndNotificationsRunNothing) {
    for (const std::intptr_t result : {1, 0}) {
        RecordingTarget target(result, true);
        EXPECT_TRUE(dispatchCommand(IDM_IMAGE_FRAME, target));
        EXPECT_TRUE(dispatchCommand(IDM_IMAGE_INFO, target));
        EXPECT_TRUE(dispatchCommand(IDM_FILE_SAVE, target));
        EXPECT_EQ(target.ran, result ? (Ran{"Frame", "frame", "Info", "save"})
                                     : (Ran{"Frame", "Info", "save"}));
    }
    for (const std::uintptr_t wParam :
         {std::uintptr_t{IDM_FILE_OPEN} | (1u << 16), std::uintptr_t{0}, std::uintptr_t{111}}) {
        RecordingTarget target(1, true);
        EXPECT_FALSE(dispatchCommand(wParam, target)) << wParam;
        EXPECT_TRUE(target.ran.empty()) << wParam;
    }
}

// Without a drawing only Open, Exit and About run, whatever sends the
// others: their menu items are greyed, but a message is a message.
TEST(MenuDispatch, WithoutADrawingOnlyOpenExitAndAboutRun) {
    const std::pair<unsigned, Ran> commands[] = {
        {IDM_FILE_OPEN, {"open"}},    {IDM_FILE_SAVE, {}},        {IDM_FILE_SAVEAS, {}},
        {IDM_FILE_PRINT, {}},         {IDM_FILE_EXIT, {"exit"}},  {IDM_IMAGE_INFO, {}},
        {IDM_IMAGE_FRAME, {}},        {IDM_IMAGE_SCALE, {}},      {IDM_IMAGE_ROTATE, {}},
        {IDM_IMAGE_MOVE, {}},         {IDM_HELP_ABOUT, {"About"}},
    };
    for (const auto& [id, expected] : commands) {
        RecordingTarget target(1, false);
        EXPECT_TRUE(dispatchCommand(id, target)) << id;
        EXPECT_EQ(target.ran, expected) << id;
    }
}

// The names Windows opens as devices in any folder, whatever follows them;
// names that only look alike are files.
TEST(DeviceNames, AreKnownInAnyFolderCaseAndExtension) {
    const std::pair<const char*, bool> names[] = {
        {"AUX", true},           {"aux.plt", true},          {"C:\\PLOTS\\COM1.PLT", true},
        {"Z:\\a\\b\\nul", true}, {"c:/x/Lpt9.txt.plt", true}, {"CON .PLT", true},
        {"prn.", true},          {"C:conout$", true},        {"\\\\.\\pipe\\cutter", true},
        {"//./COM12", true},     {"AUX:", true},             {"COM0.PLT", false},
        {"COM10.PLT", false},    {"LPT.PLT", false},         {"AUXILIARY.PLT", false},
        {"NULL.PLT", false},     {"C:\\CON\\A.PLT", false}, {"A.CON", false},
        {"", false},             {"C:\\PLOTS\\", false},
    };
    for (const auto& [path, device] : names) EXPECT_EQ(namesDevice(path), device) << path;
}

}  // namespace
}  // namespace kerfline
