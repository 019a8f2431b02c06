// Kerfline's entry point: the tables and settings, the main window with its
// document, the command-line file, the message loop; on the way out the
// document goes, then the settings are written.
#include <exception>
#include <memory>

#include "hpgl/mnemonics.h"
#include "shell/document.h"
#include "shell/main_window.h"
#include "shell/settings_file.h"

namespace {

int run(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    using namespace kerfline;
    // Nothing may look a mnemonic up before the table is sorted.
    sortMnemonicTable();
    loadSettings();
    if (previous == nullptr && !registerMainWindowClass(instance)) {
        MessageBoxA(nullptr, "Cannot register the main window class.", kMainWindowTitle,
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    HWND window = createMainWindow(instance);
    if (window == nullptr) {
        MessageBoxA(nullptr, "Cannot create the main window.", kMainWindowTitle,
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    auto document = std::make_unique<PlotDocument>(window);
    attachDocument(window, document.get());
    // No paint here: the loop's first paint shows the command-line file.
    ShowWindow(window, showCommand);
    openCommandLineFile(*document, commandLine);
    // The menu bar was drawn when the window was shown, with the Image popup
    // greyed; an open has just enabled it.
    DrawMenuBar(window);

    MSG message{};
    BOOL result;
    while ((result = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (result == -1) break;  // the loop itself failed: no regular exit code
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // The window is gone by now; the settings are written after the document.
    document.reset();
    saveSettings();
    return result == -1 ? 1 : static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    try {
        return run(instance, previous, commandLine, showCommand);
    } catch (const std::exception& error) {
        MessageBoxA(nullptr, error.what(), kerfline::kMainWindowTitle, MB_OK | MB_ICONERROR);
    } catch (...) {}
    return 1;
}
