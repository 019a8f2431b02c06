// Text for the console: the core's code page 1251 texts and file names, as
// UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kerfline::cli {

// The Unicode code point of one code page 1251 byte. 0x98 has no character
// in the code page; it maps to U+0098, as Windows and web browsers do.
char32_t cp1251CodePoint(unsigned char byte);

// Every byte converted; ASCII stays as it is.
std::string cp1251ToUtf8(std::string_view text);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isUtf8(std::string_view text);

// The name after the last '/' or '\\', and after a drive prefix such as
// "C:", which both Windows and the core's file dialogs produce.
std::string_view fileNameOf(std::string_view path);

// A name from the command line, as UTF-8 for messages and `info`. On Windows
// the command line comes in the ANSI code page (1251 on the systems this
// program is made for); elsewhere names are bytes that are normally UTF-8
// already, and only a name that is not is read as code page 1251.
std::string nameToUtf8(std::string_view name);

}  // namespace kerfline::cli
