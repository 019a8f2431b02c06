#include "export/json.h"

namespace kerfline::cli {

std::string jsonString(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(utf8.size() + 2);
    text += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': text += "\\\""; break;
            case '\\': text += "\\\\"; break;
            case '\b': text += "\\b"; break;
            case '\f': text += "\\f"; break;
            case '\n': text += "\\n"; break;
            case '\r': text += "\\r"; break;
            case '\t': text += "\\t"; break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    text += "\\u00";
                    text += kHex[byte >> 4];
                    text += kHex[byte & 15];
                } else {
                    text += c;
                }
        }
    }
    text += '"';
    return text;
}

void JsonObject::key(std::string_view name) {
    if (!members_.empty()) members_ += ", ";
    members_ += jsonString(name);
    members_ += ": ";
}

JsonObject& JsonObject::text(std::string_view name, std::string_view utf8) {
    key(name);
    members_ += jsonString(utf8);
    return *this;
}

JsonObject& JsonObject::number(std::string_view name, std::string_view digits) {
    key(name);
    members_ += digits;
    return *this;
}

JsonObject& JsonObject::number(std::string_view name, std::int64_t value) {
    return number(name, std::string_view(std::to_string(value)));
}

JsonObject& JsonObject::null(std::string_view name) {
    key(name);
    members_ += "null";
    return *this;
}

JsonObject& JsonObject::object(std::string_view name, const JsonObject& value) {
    key(name);
    members_ += value.str();
    return *this;
}

JsonObject& JsonObject::list(std::string_view name, const std::vector<JsonObject>& values) {
    key(name);
    members_ += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) members_ += ", ";
        members_ += values[i].str();
    }
    members_ += ']';
    return *this;
}

}  // namespace kerfline::cli
