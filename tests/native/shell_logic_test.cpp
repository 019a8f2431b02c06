// The shell's decisions that need no window, at the edges the end-to-end
// tests do not reach: typed numbers at the ends of the 32-bit range, paths,
// the command line, settings that must come back unchanged, the dispatch rule.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "hpgl/point.h"
#include "resources/resource.h"
#include "shell/dispatch.h"
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
    char text[kDecimalCapacity];
    EXPECT_STREQ(decimalText(kInt32Min, text), "-2147483648");
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
class RecordingHost final : public CommandHost {
public:
    explicit RecordingHost(std::intptr_t result) : result_(result) {}
    std::intptr_t runDialog(Dialog dialog) override {
        dialogs.push_back(dialog);
        return result_;
    }
    void run(Action action) override { actions.push_back(action); }
    std::vector<Dialog> dialogs;
    std::vector<Action> actions;

private:
    std::intptr_t result_;
};

TEST(MenuDispatch, AnOperationRunsOnlyAfterOkAndNotificationsRunNothing) {
    for (const std::intptr_t result : {1, 0}) {
        RecordingHost host(result);
        EXPECT_TRUE(dispatchCommand(IDM_IMAGE_FRAME, host));
        EXPECT_TRUE(dispatchCommand(IDM_IMAGE_INFO, host));
        EXPECT_TRUE(dispatchCommand(IDM_FILE_SAVE, host));
        EXPECT_EQ(host.dialogs, (std::vector<Dialog>{Dialog::frame, Dialog::info}));
        EXPECT_EQ(host.actions, result ? (std::vector<Action>{Action::frame, Action::save})
                                       : (std::vector<Action>{Action::save}));
    }
    for (const std::uintptr_t wParam :
         {std::uintptr_t{IDM_FILE_OPEN} | (1u << 16), std::uintptr_t{0}, std::uintptr_t{111}}) {
        RecordingHost host(1);
        EXPECT_FALSE(dispatchCommand(wParam, host)) << wParam;
        EXPECT_TRUE(host.dialogs.empty() && host.actions.empty()) << wParam;
    }
}

}  // namespace
}  // namespace kerfline
