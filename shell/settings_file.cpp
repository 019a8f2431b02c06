#include "shell/settings_file.h"

#include <cstdlib>

#include "shell/settings.h"
#include "shell/win32.h"

namespace kerfline {

namespace {

// The private-profile calls find a bare file name in the Windows directory,
// so there is one settings file for the machine.
class IniProfile final : public Profile {
public:
    void readText(const char* key, const char* fallback, char* buffer,
                  std::size_t capacity) override {
        GetPrivateProfileStringA(kSettingsSection, key, fallback, buffer,
                                 static_cast<DWORD>(capacity), kSettingsFile);
    }
    void writeText(const char* key, const char* value) override {
        WritePrivateProfileStringA(kSettingsSection, key, value, kSettingsFile);
    }
};

}  // namespace

void loadSettings() {
    char current[kPathCapacity] = {};
    if (!_fullpath(current, ".", sizeof current)) current[0] = '\0';
    char windows[kPathCapacity] = {};
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) windows[0] = '\0';
    IniProfile profile;
    loadSettings(settings, profile, current, windows);
}

void saveSettings() {
    IniProfile profile;
    saveSettings(settings, profile);
}

}  // namespace kerfline
