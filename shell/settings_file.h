// The settings file: "kerfline.ini" in the Windows directory, read once at
// start and written once at exit.
#pragma once

namespace kerfline {

void loadSettings();
void saveSettings();

}  // namespace kerfline
