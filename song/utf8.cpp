#include "song/utf8.h"

#include <cstdint>
#include <type_traits>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

void appendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || isSurrogate(c)) {
        c = kReplacement;
    }
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendWide(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

}  // namespace

std::string toUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<std::make_unsigned_t<wchar_t>>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
                const char32_t low = static_cast<std::make_unsigned_t<wchar_t>>(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        appendUtf8(out, c);
    }
    return out;
}

namespace {

// The length of the valid UTF-8 sequence at `i`, its character in `c`; 0 when
// the bytes there are no character (overlong forms and surrogates included).
std::size_t decodeOne(std::string_view text, std::size_t i, char32_t& c) {
    const std::uint8_t lead = static_cast<std::uint8_t>(text[i]);
    std::size_t length = 0;
    char32_t smallest = 0;  // anything below is an overlong form
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        c = lead & 0x1F;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        c = lead & 0x0F;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        c = lead & 0x07;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (length > text.size() - i) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const std::uint8_t next = static_cast<std::uint8_t>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        c = c << 6 | (next & 0x3F);
    }
    return c < smallest || c > 0x10FFFF || isSurrogate(c) ? 0 : length;
}

constexpr char32_t kFirstKeptByte = 0xDC80;  // U+DC80 to U+DCFF stand for the bytes 0x80 to 0xFF

}  // namespace

std::optional<std::wstring> fromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t length = decodeOne(text, i, c);
        if (length == 0) {
            return std::nullopt;
        }
        appendWide(out, c);
        i += length;
    }
    return out;
}

std::wstring fromFileNameBytes(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t c = 0;
        const std::size_t length = decodeOne(bytes, i, c);
        if (length == 0) {
            out += static_cast<wchar_t>(kFirstKeptByte - 0x80 + static_cast<std::uint8_t>(bytes[i]));
            ++i;
            continue;
        }
        appendWide(out, c);
        i += length;
    }
    return out;
}

bool isKeptByte(wchar_t unit) {
    const char32_t c = static_cast<std::make_unsigned_t<wchar_t>>(unit);
    return sizeof(wchar_t) == 4 && c >= kFirstKeptByte && c <= 0xDCFF;
}

std::string toFileNameBytes(std::wstring_view name) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (isKeptByte(name[i])) {
            out += toUtf8(name.substr(start, i - start));
            out += static_cast<char>(static_cast<char32_t>(name[i]) - kFirstKeptByte + 0x80);
            start = i + 1;
        }
    }
    return out + toUtf8(name.substr(start));
}
