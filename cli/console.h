// Standard output and error for kerfline-cli: drawings written exactly as a
// saved file, and UTF-8 text that also reads right in a Windows console.
#pragma once

#include <cstdio>
#include <string_view>

#include "hpgl/stream.h"

namespace kerfline::cli {

// Writes to an open C stream with every LF written as CR LF, byte for byte
// what FileOutput puts in a file. The C stream must be in binary mode (see
// setBinaryMode) or Windows would add a second CR.
class StandardOutput final : public OutputStream {
public:
    explicit StandardOutput(std::FILE* stream) : stream_(stream) {}
    // Flushes this stream and the C stream; true only when every byte went out.
    bool finish();

protected:
    bool sink(const char* data, std::size_t count) override;

private:
    std::FILE* stream_;
};

// Stops Windows from translating line ends on `stream`; nothing elsewhere.
void setBinaryMode(std::FILE* stream);

// Whether `stream` goes to a terminal (on Windows, a console).
bool isTerminal(std::FILE* stream);

// Writes UTF-8 text. Into a Windows console it goes as UTF-16, which shows
// Cyrillic whatever the console's code page; everywhere else as the bytes.
// False when the text could not be written.
bool writeText(std::FILE* stream, std::string_view utf8);

}  // namespace kerfline::cli
