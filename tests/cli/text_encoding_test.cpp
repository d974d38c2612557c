#include "cli/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Names are bytes on POSIX: what is not UTF-8 survives the way to a wide
// string and back, and is told apart from any character.
TEST(Utf8, FileNameBytesSurviveTheWayThroughAWideString) {
    const std::string names[] = {"plain.mid", "caf\xE9.mid", "\x83\x68\x83\x89\x83\x80", "\xE6\x97\xA5\xFF",
                                 "\xED\xB3\xA9", "\xC3"};
    for (const std::string& name : names) {
        const std::wstring wide = fromFileNameBytes(name);
        EXPECT_EQ(toFileNameBytes(wide), name) << testing::PrintToString(name);
        EXPECT_EQ(std::any_of(wide.begin(), wide.end(), isKeptByte), !fromUtf8(name)) << testing::PrintToString(name);
    }
    EXPECT_EQ(fromFileNameBytes("caf\xE9"), L"caf\xDCE9");
}

TEST(VisibleText, EscapesWhatCouldForgeALineOrNotBeSeenAsLsDoes) {
    const struct {
        std::wstring text;
        std::string shown;
    } cases[] = {
        {L"dir/song (1).mid", "dir/song (1).mid"},
        {L"\u65E5\u672C.mid", "\xE6\x97\xA5\xE6\x9C\xAC.mid"},
        {L"a\tSaved: x\nb.mid", "a\\tSaved: x\\nb.mid"},
        {L"cr\r\x01\x7F\x85", "cr\\r\\x01\\x7f\\xc2\\x85"},
        {L"back\\slash", "back\\\\slash"},
        {fromFileNameBytes("caf\xE9"), "caf\\xe9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(visibleText(c.text), c.shown);
    }
    EXPECT_EQ(jsonQuotedPath(fromFileNameBytes("a\tcaf\xE9\xE6\x97\xA5")), "\"a\\tcaf\\udce9\xE6\x97\xA5\"");
}

}  // namespace
