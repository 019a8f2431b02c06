// JSON strings and objects as kerfline-cli writes them.
#include "export/json.h"

#include <gtest/gtest.h>

namespace kerfline::cli {
namespace {

TEST(JsonString, EscapesWhatJsonRequires) {
    struct Case {
        std::string_view text, expected;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"", "\"\""},
             {"sign.plt", "\"sign.plt\""},
             {"a\"b\\c", "\"a\\\"b\\\\c\""},
             {"tab\there\nnew\rcr\bb\ff", "\"tab\\there\\nnew\\rcr\\bb\\ff\""},
             {std::string_view("nul\0x", 5), "\"nul\\u0000x\""},
             {"\x1f\x7f", "\"\\u001f\\u007f\""},
             // UTF-8 passes through: Cyrillic, and the line separator U+2028,
             // which JSON allows as it is.
             {"\xD0\xBC\xD0\xBC \xE2\x80\xA8", "\"\xD0\xBC\xD0\xBC \xE2\x80\xA8\""},
             {"/", "\"/\""}}) {
        EXPECT_EQ(jsonString(c.text), c.expected) << c.text;
    }
}

TEST(JsonObject, WritesMembersInOrder) {
    JsonObject inner;
    inner.number("SP", 2).number("VS", 1);
    JsonObject outer;
    outer.text("name", "a\"b").number("width_mm", "12.5").null("min_x").object("unknown", inner);
    EXPECT_EQ(outer.str(),
              "{\"name\": \"a\\\"b\", \"width_mm\": 12.5, \"min_x\": null, "
              "\"unknown\": {\"SP\": 2, \"VS\": 1}}");
    EXPECT_EQ(JsonObject().str(), "{}");
}

}  // namespace
}  // namespace kerfline::cli
