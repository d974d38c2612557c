#pragma once

// Just enough JSON to read the tool's output back: objects, arrays, strings,
// numbers and booleans, strictly (a malformed document is no document).
// Strings come back as UTF-8; \u escapes are taken below U+0800 only, which is
// all the tool writes (control characters).

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct JsonValue {
    std::variant<bool, double, std::string, std::vector<JsonValue>, std::map<std::string, JsonValue>> value;

    const JsonValue& operator[](const std::string& key) const { return std::get<4>(value).at(key); }
    const JsonValue& operator[](std::size_t index) const { return std::get<3>(value).at(index); }
    bool has(const std::string& key) const { return std::get<4>(value).count(key) != 0; }
    std::size_t size() const { return value.index() == 3 ? std::get<3>(value).size() : std::get<4>(value).size(); }
    const std::string& str() const { return std::get<2>(value); }
    double num() const { return std::get<1>(value); }
    bool boolean() const { return std::get<0>(value); }
};

class JsonReader {
public:
    static std::optional<JsonValue> parse(std::string_view text) {
        JsonReader reader{text};
        std::optional<JsonValue> value = reader.readValue();
        reader.skipSpace();
        return reader.pos_ == text.size() ? value : std::nullopt;
    }

private:
    explicit JsonReader(std::string_view text) : text_(text) {}

    void skipSpace() {
        while (pos_ < text_.size() && std::string_view(" \n\r\t").find(text_[pos_]) != std::string_view::npos) {
            ++pos_;
        }
    }
    bool take(std::string_view token) {
        skipSpace();
        if (text_.substr(pos_, token.size()) != token) {
            return false;
        }
        pos_ += token.size();
        return true;
    }

    std::optional<JsonValue> readValue() {
        if (take("{")) {
            std::map<std::string, JsonValue> object;
            if (take("}")) {
                return JsonValue{object};
            }
            do {
                std::optional<std::string> key = readString();
                std::optional<JsonValue> value = key && take(":") ? readValue() : std::nullopt;
                if (!value || !object.emplace(*key, *value).second) {
                    return std::nullopt;
                }
            } while (take(","));
            return take("}") ? std::optional(JsonValue{object}) : std::nullopt;
        }
        if (take("[")) {
            std::vector<JsonValue> array;
            if (take("]")) {
                return JsonValue{array};
            }
            do {
                std::optional<JsonValue> value = readValue();
                if (!value) {
                    return std::nullopt;
                }
                array.push_back(*value);
            } while (take(","));
            return take("]") ? std::optional(JsonValue{array}) : std::nullopt;
        }
        if (take("true")) {
            return JsonValue{true};
        }
        if (take("false")) {
            return JsonValue{false};
        }
        if (std::optional<std::string> s = readString()) {
            return JsonValue{*s};
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && std::string_view("-0123456789").find(text_[pos_]) != std::string_view::npos) {
            ++pos_;
        }
        return pos_ == start ? std::nullopt : std::optional(JsonValue{std::stod(std::string(text_.substr(start, pos_ - start)))});
    }

    std::optional<std::string> readString() {
        if (!take("\"")) {
            return std::nullopt;
        }
        std::string out;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') {
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20 || (c == '\\' && pos_ >= text_.size())) {
                return std::nullopt;  // raw control characters are not allowed
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            const char e = text_[pos_++];
            const std::string_view from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
            if (const std::size_t k = from.find(e); k != std::string_view::npos) {
                out += to[k];
            } else if (e == 'u' && text_.size() - pos_ >= 4 &&
                       text_.substr(pos_, 4).find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos) {
                const unsigned code = std::stoul(std::string(text_.substr(pos_, 4)), nullptr, 16);
                pos_ += 4;
                if (code >= 0x800) {
                    return std::nullopt;
                }
                if (code < 0x80) {
                    out += static_cast<char>(code);
                } else {
                    out += static_cast<char>(0xC0 | code >> 6);
                    out += static_cast<char>(0x80 | (code & 0x3F));
                }
            } else {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};
