// A strict model of JSON (RFC 8259) for the fuzz targets of the JSON
// writers: a text is accepted only when it is well-formed UTF-8 and one
// JSON value with nothing but white space around it.  Written apart from
// the writers, from the grammar alone: strings hold no raw control
// character, escapes are the nine of the grammar (\u with four hex digits,
// a high surrogate only when a low one follows), numbers have no leading
// zero, no bare point and no sign but minus.
#pragma once

#include <cstddef>
#include <string_view>

namespace fuzz {

class JsonModel {
public:
    // Whether text is one JSON value, with white space around it allowed.
    static bool isDocument(std::string_view text) {
        JsonModel model(text);
        if (!model.wellFormedUtf8()) return false;
        model.space();
        if (!model.value(0)) return false;
        model.space();
        return model.at_ == text.size();
    }

    // Whether text is well-formed UTF-8 by the table of well-formed byte
    // sequences, read as code points.
    static bool isUtf8(std::string_view text) { return JsonModel(text).wellFormedUtf8(); }

private:
    explicit JsonModel(std::string_view text) : text_(text) {}

    static constexpr int maxDepth = 64;  // the writers nest two levels at most

    int peek() const { return at_ < text_.size() ? static_cast<unsigned char>(text_[at_]) : -1; }

    bool take(char c) {
        if (peek() != static_cast<unsigned char>(c)) return false;
        ++at_;
        return true;
    }

    bool word(std::string_view expected) {
        if (text_.substr(at_, expected.size()) != expected) return false;
        at_ += expected.size();
        return true;
    }

    void space() {
        while (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r') ++at_;
    }

    bool wellFormedUtf8() const {
        for (std::size_t i = 0; i < text_.size();) {
            unsigned lead = static_cast<unsigned char>(text_[i]);
            std::size_t length = lead < 0x80   ? 1
                                 : lead < 0xC0 ? 0
                                 : lead < 0xE0 ? 2
                                 : lead < 0xF0 ? 3
                                 : lead < 0xF8 ? 4
                                               : 0;
            if (length == 0 || i + length > text_.size()) return false;
            unsigned long code = length == 1 ? lead : lead & (0xFFu >> (length + 1));
            for (std::size_t k = 1; k < length; ++k) {
                unsigned next = static_cast<unsigned char>(text_[i + k]);
                if ((next & 0xC0) != 0x80) return false;
                code = code << 6 | (next & 0x3F);
            }
            static constexpr unsigned long shortest[] = {0, 0, 0x80, 0x800, 0x10000};
            if (code < shortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                return false;
            i += length;
        }
        return true;
    }

    bool value(int depth) {
        if (depth > maxDepth) return false;
        switch (peek()) {
            case '{': return object(depth);
            case '[': return array(depth);
            case '"': return string();
            case 't': return word("true");
            case 'f': return word("false");
            case 'n': return word("null");
            default: return number();
        }
    }

    bool object(int depth) {
        take('{');
        space();
        if (take('}')) return true;
        for (;;) {
            space();
            if (!string()) return false;
            space();
            if (!take(':')) return false;
            space();
            if (!value(depth + 1)) return false;
            space();
            if (take('}')) return true;
            if (!take(',')) return false;
        }
    }

    bool array(int depth) {
        take('[');
        space();
        if (take(']')) return true;
        for (;;) {
            space();
            if (!value(depth + 1)) return false;
            space();
            if (take(']')) return true;
            if (!take(',')) return false;
        }
    }

    bool hexQuad(unsigned& code) {
        code = 0;
        for (int i = 0; i < 4; ++i) {
            int c = peek();
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0) return false;
            code = code << 4 | static_cast<unsigned>(digit);
            ++at_;
        }
        return true;
    }

    bool string() {
        if (!take('"')) return false;
        for (;;) {
            int c = peek();
            if (c < 0 || c < 0x20) return false;  // the end, or a raw control character
            ++at_;
            if (c == '"') return true;
            if (c != '\\') continue;
            int escape = peek();
            ++at_;
            if (escape == 'u') {
                unsigned code = 0;
                if (!hexQuad(code)) return false;
                if (code >= 0xDC00 && code <= 0xDFFF) return false;  // a low one alone
                if (code >= 0xD800 && code <= 0xDBFF) {
                    unsigned low = 0;
                    if (!take('\\') || !take('u') || !hexQuad(low)) return false;
                    if (low < 0xDC00 || low > 0xDFFF) return false;
                }
            } else if (std::string_view("\"\\/bfnrt").find(static_cast<char>(escape)) ==
                           std::string_view::npos ||
                       escape < 0) {
                return false;
            }
        }
    }

    bool digits() {
        std::size_t from = at_;
        while (peek() >= '0' && peek() <= '9') ++at_;
        return at_ > from;
    }

    bool number() {
        take('-');
        if (take('0')) {
            if (peek() >= '0' && peek() <= '9') return false;
        } else if (!digits()) {
            return false;
        }
        if (take('.') && !digits()) return false;
        if (take('e') || take('E')) {
            if (!take('+')) take('-');
            if (!digits()) return false;
        }
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace fuzz
