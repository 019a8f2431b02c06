#include "shell/settings.h"

#include <cstring>

#include "shell/texts.h"

namespace kerfline {

Settings settings;

const std::array<SettingEntry, 7>& settingsTable() {
    static const std::array<SettingEntry, 7> table = {{
        {"DefaultDir", &Settings::DefaultDir, nullptr, 0},
        {"LogFile", &Settings::LogFile, nullptr, 0},
        {"FrameDistance", nullptr, &Settings::FrameDistance, 10},
        {"Scale_K", nullptr, &Settings::Scale_K, 100},
        {"xMove", nullptr, &Settings::xMove, 0},
        {"yMove", nullptr, &Settings::yMove, 0},
        {"PrintLikeHPGL", nullptr, &Settings::PrintLikeHPGL, 0},
    }};
    return table;
}

void loadSettings(Settings& target, Profile& profile, const char* currentDirectory,
                  const char* windowsDirectory) {
    for (const SettingEntry& entry : settingsTable()) {
        if (entry.text) {
            char fallback[kPathCapacity];
            if (entry.text == &Settings::DefaultDir) {
                copyText(fallback, sizeof fallback, currentDirectory ? currentDirectory : "");
            } else {
                copyText(fallback, sizeof fallback, windowsDirectory ? windowsDirectory : "");
                appendText(fallback, sizeof fallback, kLogFileName);
            }
            profile.readText(entry.key, fallback, target.*entry.text, kPathCapacity);
        } else {
            char fallback[kIntegerCapacity];
            integerText(entry.defaultValue, fallback);
            char value[kIntegerCapacity];
            profile.readText(entry.key, fallback, value, sizeof value);
            target.*entry.integer = parseTypedInteger(value);
        }
    }
}

void saveSettings(const Settings& source, Profile& profile) {
    for (const SettingEntry& entry : settingsTable()) {
        if (entry.text) {
            profile.writeText(entry.key, source.*entry.text);
        } else {
            char value[kIntegerCapacity];
            profile.writeText(entry.key, integerText(source.*entry.integer, value));
        }
    }
}

}  // namespace kerfline
