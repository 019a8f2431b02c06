// Character streams over files and memory, with the two conditions the
// reader reports through: end of input and failed.
//
// Files are opened in binary and the text-mode rules are applied here, so a
// file reads and writes the same on every system: on input a CR LF pair
// arrives as LF, a lone CR stays, and a byte 26 (Ctrl-Z) ends the input; on
// output every LF is written as CR LF. Memory streams carry bytes unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kerfline {

class InputStream {
public:
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;
    virtual ~InputStream() = default;

    // The next character as 0..255, or -1 when there is none; running out
    // sets end of input. A failed stream yields no character.
    int get() {
        if (cur_ == end_ && !fill()) return -1;
        return *cur_++;
    }
    // Puts back the character that the last successful get() returned.
    void unget() { --cur_; }

    bool eof() const { return eof_; }
    bool failed() const { return failed_; }
    // Also empties the buffer, so that a failed stream yields no more characters.
    void setFailed() {
        failed_ = true;
        end_ = cur_;
    }

    // Bulk access for the instruction reader: the characters buffered now,
    // consume() to take some of them, and fill() for more once all are taken.
    const unsigned char* bufferedBegin() const { return cur_; }
    const unsigned char* bufferedEnd() const { return end_; }
    void consume(std::size_t count) { cur_ += count; }
    bool fill();

    // Holds an instruction that straddles a refill; reused for every read so
    // that reading allocates nothing per instruction once it has grown.
    std::string& scratch() { return scratch_; }

protected:
    InputStream() = default;
    // Points cur_/end_ at the next characters; false when there are no more.
    virtual bool refill() = 0;

    const unsigned char* cur_ = nullptr;
    const unsigned char* end_ = nullptr;

private:
    bool eof_ = false;
    bool failed_ = false;
    std::string scratch_;
};

// Reads bytes from memory, unchanged.
class MemoryInput final : public InputStream {
public:
    explicit MemoryInput(std::string_view text);

protected:
    bool refill() override { return false; }
};

// Reads a file in binary with the text-mode rules applied.
class FileInput final : public InputStream {
public:
    // A file that cannot be opened gives a stream that is failed from the start.
    explicit FileInput(const char* path);
    ~FileInput() override;

    bool isOpen() const { return file_ != nullptr; }

    // Files are read in blocks of this size, large enough that reading is a
    // few dozen system calls for a big job and small beside its commands.
    static constexpr std::size_t kBlockSize = 1024 * 1024;

protected:
    bool refill() override;

private:
    std::FILE* file_ = nullptr;
    std::unique_ptr<unsigned char[]> buffer_;
    bool pendingCR_ = false;  // a CR ended the last block; its LF may follow
    bool finished_ = false;   // end of file, a read error or Ctrl-Z seen
};

class OutputStream {
public:
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;
    virtual ~OutputStream() = default;

    void put(char c) {
        if (used_ == kBufferSize) flushBuffer();
        buffer_[used_++] = c;
    }
    void write(const char* data, std::size_t count);
    void write(std::string_view text) { write(text.data(), text.size()); }
    // Plain decimal: "-" before a negative value, no "+", no leading zeros.
    void writeInt(std::int32_t value);

    bool failed() const { return failed_; }
    // Hands everything buffered to the destination; false once failed.
    bool flush();

protected:
    OutputStream();
    void setFailed() { failed_ = true; }
    // Takes `count` bytes; false on a write error.
    virtual bool sink(const char* data, std::size_t count) = 0;

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;
    void flushBuffer();

    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

// Collects the bytes in memory, unchanged.
class MemoryOutput final : public OutputStream {
public:
    MemoryOutput() = default;
    // Flushes and returns everything written so far.
    const std::string& str();

protected:
    bool sink(const char* data, std::size_t count) override;

private:
    std::string data_;
};

// Writes `count` bytes to `file` with every LF written as CR LF, as a text
// file is; false on a write error.
bool writeCrLf(std::FILE* file, const char* data, std::size_t count);

// Writes a file in binary, LF written as CR LF.
class FileOutput final : public OutputStream {
public:
    // A file that cannot be created gives a stream that is failed from the start.
    explicit FileOutput(const char* path);
    ~FileOutput() override;

    bool isOpen() const { return file_ != nullptr; }
    // Flushes and closes; true only when every byte and the close succeeded.
    // With `durable`, the bytes are also on the disk before the close, so
    // that a power cut after a rename cannot leave an empty file.
    bool close(bool durable = false);

protected:
    bool sink(const char* data, std::size_t count) override;

private:
    std::FILE* file_ = nullptr;
};

}  // namespace kerfline
