#include "cli/text_encoding.h"

#include <cstdint>

namespace {

constexpr char kHex[] = "0123456789abcdef";

void appendHexByte(std::string& out, const char* prefix, std::uint32_t byte) {
    out += prefix;
    out += kHex[byte >> 4 & 0xF];
    out += kHex[byte & 0xF];
}

void appendJsonEscaped(std::string& out, std::string_view text) {
    for (const char ch : text) {
        const auto byte = static_cast<std::uint8_t>(ch);
        switch (ch) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (byte < 0x20) {
                    appendHexByte(out, "\\u00", byte);
                } else {
                    out += ch;
                }
        }
    }
}

#ifdef _WIN32
constexpr bool kBackslashSeparatesFolders = true;
#else
constexpr bool kBackslashSeparatesFolders = false;
#endif

// How visibleText shows a unit; "" for one shown as it is.
std::string visibleEscape(wchar_t unit) {
    const auto c = static_cast<std::uint32_t>(unit);
    std::string out;
    if (isKeptByte(unit)) {
        appendHexByte(out, "\\x", c & 0xFF);
    } else if (c == '\\' && !kBackslashSeparatesFolders) {
        out = "\\\\";
    } else if (c == '\t' || c == '\n' || c == '\r') {
        out = c == '\t' ? "\\t" : c == '\n' ? "\\n" : "\\r";
    } else if (c < 0x20 || c == 0x7F) {
        appendHexByte(out, "\\x", c);
    } else if (c >= 0x80 && c <= 0x9F) {  // the C1 controls, by their UTF-8 bytes
        appendHexByte(out, "\\x", 0xC2);
        appendHexByte(out, "\\x", c);
    }
    return out;
}

}  // namespace

std::string jsonQuoted(std::string_view text) {
    std::string out = "\"";
    appendJsonEscaped(out, text);
    return out + '"';
}

std::string jsonQuotedPath(std::wstring_view path) {
    std::string out = "\"";
    std::size_t start = 0;  // of the units not yet added
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (isKeptByte(path[i])) {
            appendJsonEscaped(out, toUtf8(path.substr(start, i - start)));
            appendHexByte(out, "\\udc", static_cast<std::uint32_t>(path[i]) & 0xFF);
            start = i + 1;
        }
    }
    appendJsonEscaped(out, toUtf8(path.substr(start)));
    return out + '"';
}

std::string visibleText(std::wstring_view text) {
    std::string out;
    std::size_t start = 0;  // of the units not yet added
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string escape = visibleEscape(text[i]);
        if (!escape.empty()) {
            out += toUtf8(text.substr(start, i - start));
            out += escape;
            start = i + 1;
        }
    }
    return out + toUtf8(text.substr(start));
}
