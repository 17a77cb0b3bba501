// Quoting a csv field and a JSON string.
#include "quoting.h"

#include "escape.h"
#include "pcutil.h"
#include "utf8.h"

std::string csvField(const std::string& text, char sep) {
    if (text.find_first_of(std::string(1, sep) + "\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const std::size_t length = utf8SequenceLength(text, at);
        if (length == 0) {  // not UTF-8: written as escapedText writes it
            quoted += "\\";
            appendEscaped(quoted, text.substr(at, 1));
        } else if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20) {
            quoted += fmt("\\u%04x", c);
        } else {
            quoted.append(text, at, length);
        }
        at += length > 0 ? length : 1;
    }
    return quoted + "\"";
}
