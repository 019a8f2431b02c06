#include "shell/safe_save.h"

#include <cerrno>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include "shell/win32.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kerfline {

namespace {

// Removes the temporary file on every way out, exceptions included, unless
// it has become the saved file.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!path_.empty()) std::remove(path_.c_str());
    }

    // Creates a new, empty file named after `target`, in the same directory,
    // so that the final rename never crosses file systems.
    bool create(const std::string& target);
    const char* path() const { return path_.c_str(); }
    void release() { path_.clear(); }

private:
    std::string path_;
};

#ifdef _WIN32

bool TemporaryFile::create(const std::string& target) {
    // CREATE_NEW fails on a name that exists, so a name is never shared with
    // another program saving beside us; a few tries find a free one.
    const unsigned long process = GetCurrentProcessId();
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const unsigned long tick = GetTickCount();
        std::string candidate = target + ".tmp-" + std::to_string(process) + "-" +
                                std::to_string(tick) + "-" + std::to_string(attempt);
        HANDLE handle = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
            path_ = std::move(candidate);
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

// MoveFileExA refuses a folder too, but only after the temporary file has
// been written.
bool targetIsNotAFile(const std::string& target) {
    const DWORD attributes = GetFileAttributesA(target.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// WRITE_THROUGH: the call returns once the new name is on the disk.
bool replaceTarget(const char* temporary, const std::string& target) {
    return MoveFileExA(temporary, target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

#else

bool TemporaryFile::create(const std::string& target) {
    std::string pattern = target + ".tmp-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return false;
    path_ = pattern;
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

bool targetIsReadOnly(const std::string& target) {
    return access(target.c_str(), F_OK) == 0 && access(target.c_str(), W_OK) != 0 &&
           errno == EACCES;
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
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);  // the file is already in place; a folder that cannot sync is no failure
        close(fd);
    }
    return true;
}

#endif

}  // namespace

bool saveReplacing(const char* path, const ContentWriter& write) {
    if (!path || !*path) return false;
    const std::string target(path);
    if (targetIsReadOnly(target) || targetIsNotAFile(target)) return false;

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
