// The little JSON that kerfline-cli writes: strings and one flat object.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kerfline::cli {

// `utf8` as a JSON string with its quotation marks: '"' and '\\' escaped,
// control characters as \n, \t... or \u00XX. The text must be UTF-8 (as
// nameToUtf8 and cp1251ToUtf8 make it); everything else is kept as it is.
std::string jsonString(std::string_view utf8);

// An object written member by member, on one line.
class JsonObject {
public:
    JsonObject& text(std::string_view key, std::string_view utf8);
    // A number already written as JSON wants it ("12.5", "-3").
    JsonObject& number(std::string_view key, std::string_view digits);
    JsonObject& number(std::string_view key, std::int64_t value);
    JsonObject& null(std::string_view key);
    // A nested object, written by another JsonObject.
    JsonObject& object(std::string_view key, const JsonObject& value);
    // An array of objects.
    JsonObject& list(std::string_view key, const std::vector<JsonObject>& values);
    // The object with its braces.
    std::string str() const { return "{" + members_ + "}"; }

private:
    void key(std::string_view name);
    std::string members_;
};

}  // namespace kerfline::cli
