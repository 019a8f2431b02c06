#include "io/safe_save.h"

#include "io/file_kind.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include "io/windows_headers.h"
#else
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kerfline {

namespace {

// The temporary file being written, for a signal or console handler that
// ends the program mid-save: it removes that one file and nothing else.
// Written only while no handler can run with it half set.
char pendingTemporary[4096];
std::atomic<bool> pendingSet{false};

// The folder of `path` with its separator ("" for a bare name).
std::string folderOf(const std::string& path) {
#ifdef _WIN32
    const std::size_t slash = path.find_last_of("\\/:");
#else
    const std::size_t slash = path.rfind('/');
#endif
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

#ifdef _WIN32

// Ctrl-C or a closed console window: the default handler that follows ends
// the process without unwinding.
BOOL WINAPI removePendingOnConsoleEvent(DWORD) {
    if (pendingSet.load()) DeleteFileA(pendingTemporary);
    return FALSE;
}

class InterruptGuard {
public:
    InterruptGuard() { SetConsoleCtrlHandler(removePendingOnConsoleEvent, TRUE); }
    ~InterruptGuard() { SetConsoleCtrlHandler(removePendingOnConsoleEvent, FALSE); }
};

#else

extern "C" void removePendingAndReraise(int signal) {
    if (pendingSet.load()) unlink(pendingTemporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// SIGINT, SIGTERM and SIGHUP remove the temporary file and then end the
// program as they would have; a signal that was ignored stays ignored.
class InterruptGuard {
public:
    InterruptGuard() {
        for (std::size_t i = 0; i < kCount; ++i) {
            struct sigaction action {};
            action.sa_handler = removePendingAndReraise;
            sigemptyset(&action.sa_mask);
            installed_[i] = sigaction(kSignals[i], nullptr, &previous_[i]) == 0 &&
                            previous_[i].sa_handler != SIG_IGN &&
                            sigaction(kSignals[i], &action, nullptr) == 0;
        }
    }
    ~InterruptGuard() {
        for (std::size_t i = 0; i < kCount; ++i)
            if (installed_[i]) sigaction(kSignals[i], &previous_[i], nullptr);
    }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    static constexpr std::size_t kCount = sizeof kSignals / sizeof kSignals[0];
    struct sigaction previous_[kCount] {};
    bool installed_[kCount] = {};
};

#endif

// Removes the temporary file on every way out, exceptions included, unless
// it has become the saved file.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (path_.empty()) return;
        pendingSet = false;
        std::remove(path_.c_str());
    }

    // Creates a new, empty file in the folder of `target`, so that the final
    // rename never crosses file systems. Its name is short and does not grow
    // with the target's, so that a target whose name or path is as long as
    // the system allows still gets one.
    bool create(const std::string& target);
    const char* path() const { return path_.c_str(); }
    void release() {
        pendingSet = false;
        path_.clear();
    }

private:
    void take(std::string path) {
        path_ = std::move(path);
        if (path_.size() < sizeof pendingTemporary) {
            std::memcpy(pendingTemporary, path_.c_str(), path_.size() + 1);
            pendingSet = true;
        }
    }

    std::string path_;
};

#ifdef _WIN32

bool TemporaryFile::create(const std::string& target) {
    const std::string folder = folderOf(target);
    // "~kf" and eight hex digits, cut to what MAX_PATH leaves beside the
    // folder (a legal target leaves at least one character).
    if (folder.size() + 1 >= MAX_PATH) return false;
    const std::size_t room = MAX_PATH - 1 - folder.size();
    unsigned long seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
    // CREATE_NEW fails on a name that exists, so a name is never shared with
    // another program saving beside us; a few tries find a free one.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 1664525u + 1013904223u;
        char name[16];
        std::snprintf(name, sizeof name, "~kf%08lx", seed & 0xFFFFFFFFul);
        std::string candidate = folder + (room >= 11 ? name : name + 11 - room);
        HANDLE handle = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
            take(std::move(candidate));
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool targetIsReadOnly(const std::string& target) {
    const DWORD attributes = GetFileAttributesA(target.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// A folder, a pipe or a device (by its name alone: AUX, COM1 and the like
// are never opened), refused before the temporary file is written.
bool targetIsNotAFile(const std::string& target) {
    return fileKind(target.c_str()) == FileKind::other;
}

// Wine's ReplaceFile deletes the old file before it moves the new one into
// its place: a crash between the two would lose both.
bool underWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// An existing file keeps its attributes (hidden, system, archive), set on
// the new file before it takes the old one's place; on Windows ReplaceFile
// also gives it the old one's security. A new name, and every name under
// Wine, is a plain rename, WRITE_THROUGH: the call returns once the name is
// on the disk.
bool replaceTarget(const char* temporary, const std::string& target) {
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        const DWORD kept = attributes & kKept;
        if (!SetFileAttributesA(temporary, kept ? kept : FILE_ATTRIBUTE_NORMAL)) return false;
        if (!underWine())
            return ReplaceFileA(target.c_str(), temporary, nullptr,
                                REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                                nullptr, nullptr) != 0;
    }
    return MoveFileExA(temporary, target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// A target reached through a symbolic link (or a junction on the way) is
// saved where the link leads: the file it names is replaced and the link
// stays. The system resolves the whole chain when the file is opened.
std::string resolveLinks(const std::string& target) {
    HANDLE handle = CreateFileA(target.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return target;  // a new file, or one to fail on
    char final[MAX_PATH + 8];
    const DWORD length = GetFinalPathNameByHandleA(handle, final, sizeof final,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(handle);
    if (length == 0 || length >= sizeof final) return target;
    // "\\?\C:\..." or "\\?\UNC\server\share\...".
    std::string path(final, length);
    if (path.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + path.substr(8);
    if (path.rfind("\\\\?\\", 0) == 0) return path.substr(4);
    return path;
}

#else

bool TemporaryFile::create(const std::string& target) {
    std::string pattern = folderOf(target) + ".kerf-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return false;
    take(pattern);
    // mkstemp makes the file private to us; the saved file should have the
    // permissions of the one it replaces, or those a new file would get.
    mode_t mode;
    struct stat existing;
    if (stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    const bool ok = fchmod(fd, mode) == 0;
    return close(fd) == 0 && ok;
}

// A file without any write bit is not replaced, not even by the superuser,
// whom the permission check would let through.
bool targetIsReadOnly(const std::string& target) {
    struct stat existing;
    if (stat(target.c_str(), &existing) != 0) return false;
    if ((existing.st_mode & 0222) == 0) return true;
    return access(target.c_str(), W_OK) != 0 && errno == EACCES;
}

// rename() would put a plain file in the place of a FIFO or a device (run as
// root, "-o /dev/null" would replace /dev/null itself).
bool targetIsNotAFile(const std::string& target) {
    struct stat existing;
    return stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode);
}

// The rename itself reaches the disk only with the folder's own data.
bool replaceTarget(const char* temporary, const std::string& target) {
    if (std::rename(temporary, target.c_str()) != 0) return false;
    const std::string folder = folderOf(target);
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);  // the file is already in place; a folder that cannot sync is no failure
        close(fd);
    }
    return true;
}

// A target that is a symbolic link is saved through it: the file it names is
// replaced and the link stays. Follows a chain of links, relative ones from
// their own folder; a link to nowhere names the file to create.
std::string resolveLinks(const std::string& target) {
    std::string path = target;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat entry;
        if (lstat(path.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode)) return path;
        char link[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), link, sizeof link - 1);
        if (length <= 0) return path;
        const std::string next(link, static_cast<std::size_t>(length));
        path = next.front() == '/' ? next : folderOf(path) + next;
    }
    return path;  // a loop of links: the save fails on it
}

#endif

}  // namespace

bool saveReplacing(const char* path, const ContentWriter& write) {
    if (!path || !*path) return false;
#ifdef _WIN32
    // Not even looked at: opening a serial port can wait for ever.
    if (namesDevice(path)) return false;
#endif
    const std::string target = resolveLinks(path);
    if (targetIsReadOnly(target) || targetIsNotAFile(target)) return false;

    InterruptGuard interrupts;
    TemporaryFile temporary;
    if (!temporary.create(target)) return false;
    {
        FileOutput out(temporary.path());
        if (!out.isOpen()) return false;
        write(out);
        if (!out.close(/*durable=*/true)) return false;
    }
    if (!replaceTarget(temporary.path(), target)) return false;
    temporary.release();
    return true;
}

}  // namespace kerfline
