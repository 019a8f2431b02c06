// The shell's decisions that need no window: typed numbers, titles, paths,
// the command line, the settings table and the command table.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "hpgl/point.h"
#include "resources/resource.h"
#include "shell/dispatch.h"
#include "shell/settings.h"
#include "shell/texts.h"

namespace kerfline {
namespace {

TEST(TypedInteger, ReadsAsTheDialogsDo) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"", 0},
        {"abc", 0},
        {"7x5", 7},
        {"  \t42", 42},
        {"+12", 12},
        {"-15", -15},
        {"- 3", 0},
        {"+-3", 0},
        {"0009", 9},
        {"2147483647", 2147483647},
        {"-2147483648", kInt32Min},
        {"2147483648", kInt32Min},
        {"4294967297", 1},  // modulo 2^32
        {"-0", 0},
        {"12 34", 12},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseTypedInteger(text), expected) << '"' << text << '"';
    // A long run of digits wraps exactly as unsigned 32-bit accumulation does.
    std::uint32_t reference = 0;
    std::string digits;
    for (int i = 0; i < 31; ++i) {
        digits += static_cast<char>('0' + (i * 7) % 10);
        reference = reference * 10u + static_cast<std::uint32_t>((i * 7) % 10);
    }
    EXPECT_EQ(parseTypedInteger(digits), static_cast<std::int32_t>(reference));
    EXPECT_EQ(parseTypedInteger("-" + digits), static_cast<std::int32_t>(0u - reference));
}

TEST(TypedInteger, StepsAndDecimalTextWrapAtTheEnds) {
    char text[kDecimalCapacity];
    const std::pair<std::int32_t, const char*> shown[] = {
        {0, "0"}, {-1, "-1"}, {-15, "-15"}, {kInt32Max, "2147483647"}, {kInt32Min, "-2147483648"}};
    for (const auto& [value, expected] : shown) EXPECT_STREQ(decimalText(value, text), expected);
    EXPECT_EQ(stepTypedInteger(10, 1), 11);
    EXPECT_EQ(stepTypedInteger(0, -1), -1);
    EXPECT_EQ(stepTypedInteger(kInt32Max, 1), kInt32Min);
    EXPECT_EQ(stepTypedInteger(kInt32Min, -1), kInt32Max);
}

TEST(ShellTexts, TitleAndBuildStamp) {
    EXPECT_EQ(windowTitle(nullptr), "Kerfline");
    EXPECT_EQ(windowTitle(""), "Kerfline");
    EXPECT_EQ(windowTitle("C:\\PLOTS\\A.PLT"), "Kerfline - C:\\PLOTS\\A.PLT");
    EXPECT_EQ(buildStamp("Mar  3 2001", "09:05:07"), "Compiled: Mar  3 2001, 09:05:07");
}

TEST(ShellTexts, CopiesAreCutToTheBufferAndTerminated) {
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_STREQ(copyText(small, sizeof small, "abcdef"), "abc");
    EXPECT_STREQ(appendText(small, sizeof small, "z"), "abc");
    char room[8] = "ab";
    EXPECT_STREQ(appendText(room, sizeof room, "cdefghij"), "abcdefg");
    char none = 'q';
    copyText(&none, 0, "a");
    EXPECT_EQ(none, 'q');
}

TEST(ShellPaths, FileNameAndFolder) {
    struct Case {
        const char* path;
        const char* name;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\PLOTS\\A.PLT", "A.PLT", "C:\\PLOTS\\"},
        {"C:\\A.PLT", "A.PLT", "C:\\"},
        {"C:A.PLT", "C:A.PLT", "C:"},
        {"D:\\OUT\\SUB/B.PLT", "SUB/B.PLT", "D:\\OUT\\SUB/"},
        {"\\\\SERVER\\SHARE\\C.PLT", "C.PLT", "\\\\SERVER\\SHARE\\"},
        {"A.PLT", "A.PLT", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const std::string path = c.path;
        EXPECT_EQ(path.substr(fileNameOffset(path)), c.name) << c.path;
        EXPECT_EQ(driveAndFolder(path), c.folder) << c.path;
    }
}

TEST(ShellPaths, CommandLineIsOneNameWithoutItsEnclosingQuotes) {
    const std::pair<const char*, const char*> cases[] = {
        {"c:\\plots\\a.plt", "c:\\plots\\a.plt"},
        {"two words.plt", "two words.plt"},
        {"\"C:\\My Plots\\a b.plt\"", "C:\\My Plots\\a b.plt"},
        {"  \"quoted\"  ", "quoted"},
        {"\"only opening", "\"only opening"},
        {"\"\"", ""},
        {"\"", "\""},
        {"a\"b\"", "a\"b\""},
        {"   ", ""},
    };
    for (const auto& [line, name] : cases) EXPECT_EQ(commandLineName(line), name) << line;
}

// Stands in for the INI file; keeps the order of writes.
class MapProfile final : public Profile {
public:
    void readText(const char* key, const char* fallback, char* buffer,
                  std::size_t capacity) override {
        const auto found = values.find(key);
        copyText(buffer, capacity, found == values.end() ? fallback : found->second);
    }
    void writeText(const char* key, const char* value) override {
        written.emplace_back(key, value);
        values[key] = value;
    }
    std::map<std::string, std::string> values;
    std::vector<std::pair<std::string, std::string>> written;
};

TEST(SettingsFile, DefaultsWithoutAFileAndAllSevenKeysWrittenInOrder) {
    MapProfile profile;
    Settings loaded;
    loadSettings(loaded, profile, "Z:\\WORK\\", "C:\\windows");
    EXPECT_STREQ(loaded.DefaultDir, "Z:\\WORK\\");
    EXPECT_STREQ(loaded.LogFile, "C:\\windows\\kerfline.log");
    EXPECT_EQ(loaded.FrameDistance, 10);
    EXPECT_EQ(loaded.Scale_K, 100);
    EXPECT_EQ(loaded.xMove, 0);
    EXPECT_EQ(loaded.yMove, 0);
    EXPECT_EQ(loaded.PrintLikeHPGL, 0);

    saveSettings(loaded, profile);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"DefaultDir", "Z:\\WORK\\"},
        {"LogFile", "C:\\windows\\kerfline.log"},
        {"FrameDistance", "10"},
        {"Scale_K", "100"},
        {"xMove", "0"},
        {"yMove", "0"},
        {"PrintLikeHPGL", "0"}};
    EXPECT_EQ(profile.written, expected);
}

TEST(SettingsFile, EveryValueComesBackUnchangedFromTheNextRun) {
    Settings first;
    copyText(first.DefaultDir, kPathCapacity, "C:\\PLOTS\\");
    copyText(first.LogFile, kPathCapacity, "D:\\LOGS\\CUT.LOG");
    first.FrameDistance = kInt32Min;
    first.Scale_K = kInt32Max;
    first.xMove = -1;
    first.yMove = -15;
    first.PrintLikeHPGL = 1;
    MapProfile profile;
    saveSettings(first, profile);
    EXPECT_EQ(profile.values["yMove"], "-15");

    Settings second;
    loadSettings(second, profile, "ignored", "ignored");
    EXPECT_STREQ(second.DefaultDir, first.DefaultDir);
    EXPECT_STREQ(second.LogFile, first.LogFile);
    for (const SettingEntry& entry : settingsTable())
        if (entry.integer) {
            EXPECT_EQ(second.*entry.integer, first.*entry.integer) << entry.key;
        }
}

TEST(SettingsFile, LongTextsAreCutAndOddIntegersReadAsTyped) {
    MapProfile profile;
    profile.values["DefaultDir"] = std::string(300, 'D');
    profile.values["Scale_K"] = " 50%";
    profile.values["xMove"] = "abc";
    Settings loaded;
    // No current folder could be formed: the default is empty.
    profile.values.erase("LogFile");
    loadSettings(loaded, profile, "", "");
    EXPECT_EQ(std::string(loaded.DefaultDir), std::string(259, 'D'));
    EXPECT_STREQ(loaded.LogFile, "\\kerfline.log");
    EXPECT_EQ(loaded.Scale_K, 50);
    EXPECT_EQ(loaded.xMove, 0);
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

TEST(MenuDispatch, EachIdRunsItsDialogAndItsOperationOnlyAfterOk) {
    struct Case {
        unsigned id;
        Dialog dialog;
        Action action;
    };
    const Case cases[] = {
        {IDM_FILE_OPEN, Dialog::none, Action::open},
        {IDM_FILE_SAVE, Dialog::none, Action::save},
        {IDM_FILE_SAVEAS, Dialog::none, Action::saveAs},
        {IDM_FILE_PRINT, Dialog::none, Action::print},
        {IDM_FILE_EXIT, Dialog::none, Action::exit},
        {IDM_IMAGE_INFO, Dialog::info, Action::none},
        {IDM_IMAGE_FRAME, Dialog::frame, Action::frame},
        {IDM_IMAGE_SCALE, Dialog::scale, Action::scale},
        {IDM_IMAGE_ROTATE, Dialog::rotate, Action::rotate},
        {IDM_IMAGE_MOVE, Dialog::move, Action::move},
        {IDM_HELP_ABOUT, Dialog::about, Action::none},
    };
    ASSERT_EQ(std::size(cases), commandTable().size());
    for (const Case& c : cases) {
        for (const std::intptr_t result : {1, 0}) {
            RecordingHost host(result);
            EXPECT_TRUE(dispatchCommand(c.id, host)) << c.id;
            const std::vector<Dialog> dialogs =
                c.dialog == Dialog::none ? std::vector<Dialog>{} : std::vector<Dialog>{c.dialog};
            EXPECT_EQ(host.dialogs, dialogs) << c.id;
            const bool runs = c.action != Action::none && (c.dialog == Dialog::none || result);
            EXPECT_EQ(host.actions, runs ? std::vector<Action>{c.action} : std::vector<Action>{})
                << c.id << " after " << result;
        }
    }
    EXPECT_STREQ(dialogName(Dialog::info), "Info");
    EXPECT_STREQ(dialogName(Dialog::move), "Move");
    EXPECT_EQ(dialogName(Dialog::none), nullptr);
}

TEST(MenuDispatch, NotificationCodesAndUnknownIdsRunNothing) {
    for (const std::uintptr_t wParam :
         {std::uintptr_t{IDM_FILE_OPEN} | (1u << 16), std::uintptr_t{IDM_IMAGE_FRAME} | (1u << 16),
          std::uintptr_t{0}, std::uintptr_t{1}, std::uintptr_t{111}, std::uintptr_t{1040}}) {
        RecordingHost host(1);
        EXPECT_FALSE(dispatchCommand(wParam, host)) << wParam;
        EXPECT_TRUE(host.dialogs.empty() && host.actions.empty()) << wParam;
    }
}

}  // namespace
}  // namespace kerfline
