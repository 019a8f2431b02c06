#include "hpgl/stream.h"

#include <charconv>
#include <cstring>

#include "hpgl/find_byte.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kerfline {

namespace {
constexpr std::size_t kFileBlock = FileInput::kBlockSize;
constexpr unsigned char kCtrlZ = 26;
}  // namespace

bool InputStream::fill() {
    if (failed_ || eof_) return false;
    if (refill() && cur_ != end_) return true;
    eof_ = true;
    return false;
}

MemoryInput::MemoryInput(std::string_view text) {
    cur_ = reinterpret_cast<const unsigned char*>(text.data());
    end_ = cur_ + text.size();
}

FileInput::FileInput(const char* path)
    : file_(path ? std::fopen(path, "rb") : nullptr),
      buffer_(new unsigned char[kFileBlock + 1]) {
    if (!file_) setFailed();
}

FileInput::~FileInput() {
    if (file_) std::fclose(file_);
}

bool FileInput::refill() {
    // Loops only when a whole block shrank to nothing (a lone CR held back).
    while (!finished_) {
        unsigned char* out = buffer_.get();
        std::size_t count = 0;
        if (pendingCR_) {
            // The CR that ended the previous block: re-read it in front of
            // this block so that a CR LF split across blocks still pairs.
            out[count++] = '\r';
            pendingCR_ = false;
        }
        const std::size_t got = std::fread(out + count, 1, kFileBlock, file_);
        if (got < kFileBlock) {
            finished_ = true;
            if (std::ferror(file_)) setFailed();
        }
        count += got;

        // Ctrl-Z ends the input as if the file ended there.
        if (const unsigned char* z = findByte(out, out + count, kCtrlZ)) {
            count = static_cast<std::size_t>(z - out);
            finished_ = true;
        }
        // A CR at the very end may be the first half of a pair: keep it back.
        if (!finished_ && count > 0 && out[count - 1] == '\r') {
            pendingCR_ = true;
            --count;
        }
        // CR LF -> LF, in place; a lone CR stays.
        unsigned char* write = out;
        const unsigned char* read = out;
        const unsigned char* const stop = out + count;
        while (read < stop) {
            const unsigned char* cr = findByte(read, stop, '\r');
            const unsigned char* run_end = cr ? cr : stop;
            const std::size_t run = static_cast<std::size_t>(run_end - read);
            if (write != read) std::memmove(write, read, run);
            write += run;
            read = run_end;
            if (read == stop) break;
            if (read + 1 < stop && read[1] == '\n') {
                *write++ = '\n';
                read += 2;
            } else {
                *write++ = '\r';
                read += 1;
            }
        }
        if (write != out) {
            cur_ = out;
            end_ = write;
            return true;
        }
    }
    return false;
}

OutputStream::OutputStream() : buffer_(std::make_unique<char[]>(kBufferSize)) {}

void OutputStream::write(const char* data, std::size_t count) {
    while (count > 0) {
        if (used_ == kBufferSize) flushBuffer();
        const std::size_t room = kBufferSize - used_;
        const std::size_t n = count < room ? count : room;
        std::memcpy(buffer_.get() + used_, data, n);
        used_ += n;
        data += n;
        count -= n;
    }
}

void OutputStream::writeInt(std::int32_t value) {
    char digits[12];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    write(digits, static_cast<std::size_t>(result.ptr - digits));
}

void OutputStream::flushBuffer() {
    if (used_ > 0 && !failed_ && !sink(buffer_.get(), used_)) failed_ = true;
    used_ = 0;
}

bool OutputStream::flush() {
    flushBuffer();
    return !failed_;
}

const std::string& MemoryOutput::str() {
    flush();
    return data_;
}

bool MemoryOutput::sink(const char* data, std::size_t count) {
    data_.append(data, count);
    return true;
}

FileOutput::FileOutput(const char* path) : file_(path ? std::fopen(path, "wb") : nullptr) {
    if (!file_) setFailed();
}

FileOutput::~FileOutput() {
    if (file_) std::fclose(file_);
}

bool writeCrLf(std::FILE* file, const char* data, std::size_t count) {
    const char* const stop = data + count;
    while (data < stop) {
        const void* lf = std::memchr(data, '\n', static_cast<std::size_t>(stop - data));
        const char* run_end = lf ? static_cast<const char*>(lf) : stop;
        const std::size_t run = static_cast<std::size_t>(run_end - data);
        if (run > 0 && std::fwrite(data, 1, run, file) != run) return false;
        if (!lf) break;
        if (std::fwrite("\r\n", 1, 2, file) != 2) return false;
        data = run_end + 1;
    }
    return true;
}

namespace {
// The C library's stream is flushed already; this asks the system to put the
// file's data on the disk (FlushFileBuffers, under the runtime's _commit).
bool syncToDisk(std::FILE* file) {
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}
}  // namespace

bool FileOutput::sink(const char* data, std::size_t count) {
    return file_ && writeCrLf(file_, data, count);
}

bool FileOutput::close(bool durable) {
    bool ok = flush();
    if (file_) {
        if (durable && (std::fflush(file_) != 0 || !syncToDisk(file_))) ok = false;
        if (std::fclose(file_) != 0) ok = false;
        file_ = nullptr;
    } else {
        ok = false;
    }
    return ok;
}

}  // namespace kerfline
