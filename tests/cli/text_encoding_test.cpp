#include "cli/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Utf8, EncodesAndDecodesEveryLength) {
    struct Case {
        std::wstring wide;
        std::string utf8;
    };
    const Case cases[] = {
        {L"", ""},
        {L"song.mid", "song.mid"},
        {L"caf\u00E9", "caf\xC3\xA9"},
        {L"\u65E5\u672C", "\xE6\x97\xA5\xE6\x9C\xAC"},
        {L"\U0001F941 drum", "\xF0\x9F\xA5\x81 drum"},  // a surrogate pair where wchar_t is 16 bits
        {L"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(toUtf8(c.wide), c.utf8);
        EXPECT_EQ(fromUtf8(c.utf8), c.wide);
    }
}

TEST(Utf8, RefusesBytesThatAreNoUtf8) {
    const std::string bad[] = {
        "\x80",              // continuation without a lead
        "a\xE6\x97",         // cut short
        "\xC0\xAF",          // overlong "/"
        "\xE0\x80\xAF",      // overlong again
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xF8\x88\x80\x80\x80",
        "\xC3(",  // lead followed by no continuation
    };
    for (const std::string& bytes : bad) {
        EXPECT_EQ(fromUtf8(bytes), std::nullopt) << testing::PrintToString(bytes);
    }
}

TEST(Utf8, ReplacesALoneSurrogate) {
    const std::wstring lone(1, static_cast<wchar_t>(0xD800));
    EXPECT_EQ(toUtf8(L"a" + lone + L"b"), "a\xEF\xBF\xBD" "b");
}

TEST(JsonQuoted, EscapesWhatJsonRequiresOnly) {
    struct Case {
        std::string text;
        std::string json;
    };
    const Case cases[] = {
        {"plain", "\"plain\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\Music\\a.mid", "\"C:\\\\Music\\\\a.mid\""},
        {"a\nb\tc\rd", "\"a\\nb\\tc\\rd\""},
        {std::string("\x01\x1F", 2), "\"\\u0001\\u001f\""},
        {"/\x7F\xE6\x97\xA5", "\"/\x7F\xE6\x97\xA5\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(jsonQuoted(c.text), c.json);
    }
}

}  // namespace
