#pragma once

// Just enough of a JSON reader to read the tool's output back: strict about
// syntax (so malformed output fails), lenient about nothing. Strings come back
// as UTF-8; numbers as doubles.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct JsonValue;
using JsonArray = std::vector<JsonValue>;
using JsonObject = std::map<std::string, JsonValue>;

struct JsonValue {
    std::variant<std::nullptr_t, bool, double, std::string, JsonArray, JsonObject> value;

    const JsonValue& operator[](const std::string& key) const { return std::get<JsonObject>(value).at(key); }
    const JsonValue& operator[](std::size_t index) const { return std::get<JsonArray>(value).at(index); }
    bool has(const std::string& key) const { return std::get<JsonObject>(value).count(key) != 0; }
    std::size_t size() const {
        return std::holds_alternative<JsonArray>(value) ? std::get<JsonArray>(value).size()
                                                        : std::get<JsonObject>(value).size();
    }
    const std::string& str() const { return std::get<std::string>(value); }
    double num() const { return std::get<double>(value); }
    bool boolean() const { return std::get<bool>(value); }
};

class JsonReader {
public:
    // The document in `text`, or nothing when it is not exactly one JSON value.
    static std::optional<JsonValue> parse(std::string_view text) {
        JsonReader reader(text);
        std::optional<JsonValue> value = reader.readValue();
        reader.skipSpace();
        if (!value || reader.pos_ != text.size()) {
            return std::nullopt;
        }
        return value;
    }

private:
    explicit JsonReader(std::string_view text) : text_(text) {}

    void skipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' || text_[pos_] == '\t' || text_[pos_] == '\r')) {
            ++pos_;
        }
    }

    bool take(char c) {
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    bool takeWord(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) {
            return false;
        }
        pos_ += word.size();
        return true;
    }

    std::optional<JsonValue> readValue() {
        skipSpace();
        if (pos_ >= text_.size()) {
            return std::nullopt;
        }
        const char c = text_[pos_];
        if (c == '{') {
            return readObject();
        }
        if (c == '[') {
            return readArray();
        }
        if (c == '"') {
            std::optional<std::string> s = readString();
            return s ? std::optional<JsonValue>(JsonValue{*s}) : std::nullopt;
        }
        if (takeWord("true")) {
            return JsonValue{true};
        }
        if (takeWord("false")) {
            return JsonValue{false};
        }
        if (takeWord("null")) {
            return JsonValue{nullptr};
        }
        return readNumber();
    }

    std::optional<JsonValue> readObject() {
        ++pos_;
        JsonObject object;
        if (take('}')) {
            return JsonValue{object};
        }
        do {
            skipSpace();
            std::optional<std::string> key = readString();
            if (!key || !take(':')) {
                return std::nullopt;
            }
            std::optional<JsonValue> value = readValue();
            if (!value || !object.emplace(*key, *value).second) {
                return std::nullopt;  // a key given twice is an error here
            }
        } while (take(','));
        return take('}') ? std::optional<JsonValue>(JsonValue{object}) : std::nullopt;
    }

    std::optional<JsonValue> readArray() {
        ++pos_;
        JsonArray array;
        if (take(']')) {
            return JsonValue{array};
        }
        do {
            std::optional<JsonValue> value = readValue();
            if (!value) {
                return std::nullopt;
            }
            array.push_back(*value);
        } while (take(','));
        return take(']') ? std::optional<JsonValue>(JsonValue{array}) : std::nullopt;
    }

    std::optional<JsonValue> readNumber() {
        const std::size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-') {
            ++pos_;
        }
        while (pos_ < text_.size() && ((text_[pos_] >= '0' && text_[pos_] <= '9') || text_[pos_] == '.' ||
                                       text_[pos_] == 'e' || text_[pos_] == 'E' || text_[pos_] == '+')) {
            ++pos_;
        }
        if (pos_ == start) {
            return std::nullopt;
        }
        return JsonValue{std::stod(std::string(text_.substr(start, pos_ - start)))};
    }

    std::optional<std::uint32_t> readHex4() {
        if (text_.size() - pos_ < 4) {
            return std::nullopt;
        }
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = text_[pos_++];
            v <<= 4;
            if (h >= '0' && h <= '9') {
                v |= h - '0';
            } else if (h >= 'a' && h <= 'f') {
                v |= h - 'a' + 10;
            } else if (h >= 'A' && h <= 'F') {
                v |= h - 'A' + 10;
            } else {
                return std::nullopt;
            }
        }
        return v;
    }

    static void appendUtf8(std::string& out, std::uint32_t c) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | c >> 12);
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | c >> 18);
            out += char(0x80 | (c >> 12 & 0x3F));
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }

    std::optional<std::string> readString() {
        if (pos_ >= text_.size() || text_[pos_] != '"') {
            return std::nullopt;
        }
        ++pos_;
        std::string out;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') {
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return std::nullopt;  // control characters must be escaped
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) {
                return std::nullopt;
            }
            switch (const char e = text_[pos_++]; e) {
                case '"': case '\\': case '/': out += e; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    std::optional<std::uint32_t> unit = readHex4();
                    if (!unit) {
                        return std::nullopt;
                    }
                    std::uint32_t c32 = *unit;
                    if (c32 >= 0xD800 && c32 <= 0xDBFF && takeWord("\\u")) {
                        std::optional<std::uint32_t> low = readHex4();
                        if (!low || *low < 0xDC00 || *low > 0xDFFF) {
                            return std::nullopt;
                        }
                        c32 = 0x10000 + ((c32 - 0xD800) << 10) + (*low - 0xDC00);
                    }
                    appendUtf8(out, c32);
                    break;
                }
                default: return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};
