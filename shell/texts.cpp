#include "shell/texts.h"

#include <charconv>
#include <cstring>

namespace kerfline {

char* copyText(char* buffer, std::size_t capacity, std::string_view text) {
    if (capacity == 0) return buffer;
    const std::size_t count = text.size() < capacity - 1 ? text.size() : capacity - 1;
    if (count) std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return buffer;
}

char* appendText(char* buffer, std::size_t capacity, std::string_view text) {
    if (capacity == 0) return buffer;
    const std::size_t used = strnlen(buffer, capacity - 1);
    copyText(buffer + used, capacity - used, text);
    return buffer;
}

char* integerText(std::int32_t value, char (&buffer)[kIntegerCapacity]) {
    const auto result = std::to_chars(buffer, buffer + kIntegerCapacity - 1, value);
    *result.ptr = '\0';
    return buffer;
}

std::int32_t parseTypedInteger(std::string_view text) {
    std::size_t i = 0;
    auto isBlank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::uint32_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        value = value * 10u + static_cast<std::uint32_t>(text[i++] - '0');
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

std::int32_t stepTypedInteger(std::int32_t value, int step) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) +
                                     static_cast<std::uint32_t>(step));
}

std::string windowTitle(const char* path) {
    std::string title = "Kerfline";
    if (path && *path) {
        title += " - ";
        title += path;
    }
    return title;
}

std::string buildStamp(const char* date, const char* time) {
    return std::string("Compiled: ") + date + ", " + time;
}

std::size_t fileNameOffset(std::string_view path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

std::string driveAndFolder(std::string_view path) {
    const std::size_t driveLength = path.size() >= 2 && path[1] == ':' ? 2 : 0;
    const std::size_t last = path.find_last_of("\\/");
    if (last == std::string_view::npos || last < driveLength)
        return std::string(path.substr(0, driveLength));
    return std::string(path.substr(0, last + 1));
}

std::string commandLineName(std::string_view commandLine) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!commandLine.empty() && isBlank(commandLine.front())) commandLine.remove_prefix(1);
    while (!commandLine.empty() && isBlank(commandLine.back())) commandLine.remove_suffix(1);
    if (commandLine.size() >= 2 && commandLine.front() == '"' && commandLine.back() == '"')
        commandLine = commandLine.substr(1, commandLine.size() - 2);
    return std::string(commandLine);
}

}  // namespace kerfline
