#include "cli/console.h"

#include <cstring>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include "shell/win32.h"
#else
#include <unistd.h>
#endif

namespace kerfline::cli {

bool StandardOutput::sink(const char* data, std::size_t count) {
    return writeCrLf(stream_, data, count);
}

bool StandardOutput::finish() {
    const bool written = flush();
    return std::fflush(stream_) == 0 && written && !std::ferror(stream_);
}

void setBinaryMode([[maybe_unused]] std::FILE* stream) {
#ifdef _WIN32
    _setmode(_fileno(stream), _O_BINARY);
#endif
}

namespace {

#ifdef _WIN32
// The console behind `stream`, or nullptr when it goes to a file or a pipe.
HANDLE consoleOf(std::FILE* stream) {
    const int fd = _fileno(stream);
    if (fd < 0) return nullptr;
    const intptr_t osHandle = _get_osfhandle(fd);
    if (osHandle == -1) return nullptr;
    HANDLE handle = reinterpret_cast<HANDLE>(osHandle);
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) ? handle : nullptr;
}

bool writeConsole(HANDLE console, std::string_view utf8) {
    if (utf8.size() > 0x7FFFFFFF / 4) return false;
    const int length = static_cast<int>(utf8.size());
    const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (wide <= 0) return false;
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, text.data(), wide);
    const wchar_t* next = text.data();
    DWORD left = static_cast<DWORD>(wide);
    while (left > 0) {
        DWORD written = 0;
        if (!WriteConsoleW(console, next, left, &written, nullptr) || written == 0) return false;
        next += written;
        left -= written;
    }
    return true;
}
#endif

}  // namespace

bool isTerminal(std::FILE* stream) {
#ifdef _WIN32
    return consoleOf(stream) != nullptr;
#else
    return ::isatty(fileno(stream)) != 0;
#endif
}

bool writeText(std::FILE* stream, std::string_view utf8) {
    if (utf8.empty()) return true;
#ifdef _WIN32
    if (HANDLE console = consoleOf(stream)) {
        // Whatever the C stream still holds must come first.
        std::fflush(stream);
        return writeConsole(console, utf8);
    }
#endif
    if (std::fwrite(utf8.data(), 1, utf8.size(), stream) != utf8.size()) return false;
    return std::fflush(stream) == 0;
}

}  // namespace kerfline::cli
