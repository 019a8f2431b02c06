// The settings that outlive a run: one program-wide record, its table of
// keys, and reading and writing it through a profile (an INI file on
// Windows, a map in the tests).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kerfline {

// Texts of the program are paths: 259 characters and the terminator.
inline constexpr std::size_t kPathCapacity = 260;

struct Settings {
    char DefaultDir[kPathCapacity] = {};
    char LogFile[kPathCapacity] = {};
    std::int32_t FrameDistance = 10;
    std::int32_t Scale_K = 100;
    std::int32_t xMove = 0;
    std::int32_t yMove = 0;
    std::int32_t PrintLikeHPGL = 0;
};

// The one record the dialogs, the file commands and printing change.
extern Settings settings;

// One key of the settings file. Text keys take their default from the
// machine (the current or the Windows directory), so only integers carry one.
struct SettingEntry {
    const char* key;
    char (Settings::*text)[kPathCapacity];  // null for an integer key
    std::int32_t Settings::*integer;        // null for a text key
    std::int32_t defaultValue;
};

// Every key, in the order the file is read and written.
const std::array<SettingEntry, 7>& settingsTable();

inline constexpr const char* kSettingsSection = "kerfline";
inline constexpr const char* kSettingsFile = "kerfline.ini";
inline constexpr const char* kLogFileName = "\\kerfline.log";

// What the settings are read from and written to.
class Profile {
public:
    virtual ~Profile() = default;
    // The key's text into `buffer` (cut to capacity - 1 and terminated), or
    // `fallback` when the key is absent.
    virtual void readText(const char* key, const char* fallback, char* buffer,
                          std::size_t capacity) = 0;
    virtual void writeText(const char* key, const char* value) = 0;
};

// Fills `target` from the profile. `currentDirectory` is the default of
// DefaultDir (empty when it could not be formed), `windowsDirectory` that of
// the log's folder. An integer is read as the decimal text the program
// writes, so that every value, negative ones too, comes back unchanged.
void loadSettings(Settings& target, Profile& profile, const char* currentDirectory,
                  const char* windowsDirectory);

// Writes all seven keys, changed or not.
void saveSettings(const Settings& source, Profile& profile);

}  // namespace kerfline
