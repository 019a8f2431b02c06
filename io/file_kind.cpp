#include "io/file_kind.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <string>

#ifdef _WIN32
#include "io/windows_headers.h"
#else
#include <sys/stat.h>
#endif

namespace kerfline {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

bool namesDevice(std::string_view path) {
    if (path.size() >= 4 && (path[0] == '\\' || path[0] == '/') &&
        (path[1] == '\\' || path[1] == '/') && path[2] == '.' &&
        (path[3] == '\\' || path[3] == '/'))
        return true;
    // "AUX:" is AUX too.
    if (!path.empty() && path.back() == ':') path.remove_suffix(1);
    const std::size_t slash = path.find_last_of("\\/:");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    // The device is what comes before the first dot, blanks at its end
    // ignored: Windows drops them, and the extension, when it looks the name up.
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN",    "AUX",
                                                               "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view device : kPlain)
        if (equalsIgnoringCase(name, device)) return true;
    if (name.size() == 4 && (equalsIgnoringCase(name.substr(0, 3), "COM") ||
                             equalsIgnoringCase(name.substr(0, 3), "LPT")))
        return name[3] >= '1' && name[3] <= '9';
    return false;
}

#ifdef _WIN32

FileKind fileKind(const char* path) {
    if (!path || !*path || namesDevice(path)) return FileKind::other;
    // No access to the data: opening takes no byte and does not wait for a
    // writer at the other end of a pipe. Folders open only with backup
    // semantics, and are to be told apart, not failed.
    HANDLE handle = CreateFileA(path, FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileKind::missing
                                                                             : FileKind::other;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool regular = GetFileType(handle) == FILE_TYPE_DISK &&
                         GetFileInformationByHandle(handle, &information) &&
                         !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(handle);
    return regular ? FileKind::regular : FileKind::other;
}

#else

FileKind fileKind(const char* path) {
    if (!path || !*path) return FileKind::other;
    struct stat entry;
    if (stat(path, &entry) != 0) return errno == ENOENT ? FileKind::missing : FileKind::other;
    return S_ISREG(entry.st_mode) ? FileKind::regular : FileKind::other;
}

#endif

}  // namespace kerfline
