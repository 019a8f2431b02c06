// The shell's small texts: numbers typed into and shown in dialogs, the
// window title, the About box's stamp, and the paths the file commands keep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kerfline {

// Decimal text of a 32-bit value fits in 12 bytes; the dialogs use 32.
inline constexpr std::size_t kIntegerCapacity = 32;
// An edit box is read up to this many characters; the rest is cut.
inline constexpr std::size_t kTypedCharacters = 31;

// Copies `text` into `buffer` of `capacity` bytes, cut short to fit, always
// terminated when capacity > 0. Returns the buffer.
char* copyText(char* buffer, std::size_t capacity, std::string_view text);
char* appendText(char* buffer, std::size_t capacity, std::string_view text);

// "-" before a negative value, no "+", no leading zeros.
char* integerText(std::int32_t value, char (&buffer)[kIntegerCapacity]);

// The number a user typed: leading white space, one optional sign, then
// digits up to the first character that is not one; no digits give 0. The
// value accumulates modulo 2^32 and is read as a signed 32-bit number, so
// no text is out of range.
std::int32_t parseTypedInteger(std::string_view text);

// One step of a spin arrow, wrapping at the ends of the 32-bit range.
std::int32_t stepTypedInteger(std::int32_t value, int step);

// "Kerfline - PATH", or "Kerfline" alone without a path.
std::string windowTitle(const char* path);

// "Compiled: DATE, TIME" from the compiler's __DATE__ ("Mar  3 2001") and
// __TIME__ ("09:05:07").
std::string buildStamp(const char* date, const char* time);

// Where the file's name starts in `path`: just after its last backslash.
std::size_t fileNameOffset(std::string_view path);

// The drive and the folder of `path`, the folder ending in its separator:
// "C:\PLOTS\A.PLT" gives "C:\PLOTS\". The drive is the first two characters
// when the second is a colon; the folder runs up to the last "\" or "/".
std::string driveAndFolder(std::string_view path);

// The file named on the command line: surrounding blanks dropped, then one
// pair of enclosing double quotes, as Explorer and shells pass a name with
// blanks. Nothing else: the text is one name, never split at blanks.
std::string commandLineName(std::string_view commandLine);

}  // namespace kerfline
