#include "print/messages.h"

namespace kerfline {

void showError(HWND owner, const char* message) {
    MessageBoxA(owner, message, "Error", MB_OK | MB_ICONWARNING);
}

std::wstring from1251(const char* text) {
    const int length = MultiByteToWideChar(1251, 0, text, -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(1251, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

}  // namespace kerfline
