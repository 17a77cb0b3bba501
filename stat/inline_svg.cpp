// A chart's SVG document made an element of an HTML page (inlineSvg).  The
// document is read as the small XML the chart writes (elements of drawing,
// quoted attributes, text and character references) and written out again
// element by element; anything else, or anything that could reach outside
// the picture (scripts, event attributes, links to other files, markup
// inside the title), gives no element at all, so that no text can break
// the page around it.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "html.h"
#include "utf8.h"

namespace {

// The elements the chart's drawing is made of.  title and desc hold text
// only: a browser reads what is inside them as HTML.
constexpr std::string_view drawingElements[] = {
    "title", "desc",           "defs",           "g",       "symbol",   "use",     "path",
    "rect",  "line",           "circle",         "ellipse", "polyline", "polygon", "clipPath",
    "mask",  "linearGradient", "radialGradient", "stop",    "pattern"};
constexpr std::string_view svgNamespace = "http://www.w3.org/2000/svg";
constexpr std::string_view xlinkNamespace = "http://www.w3.org/1999/xlink";
constexpr std::size_t longestReference = 10;  // "&#x10FFFF;"

bool isDrawingElement(std::string_view name) {
    return std::find(std::begin(drawingElements), std::end(drawingElements), name) !=
           std::end(drawingElements);
}

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isNameCharacter(char c) {
    return isLetter(c) || isDigit(c) || c == ':' || c == '-' || c == '_' || c == '.';
}

bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The length of the character reference at text[at] (which is '&'): one of
// the five XML names or a number of a character that is not a control
// character; 0 for anything else.
std::size_t referenceLength(std::string_view text, std::size_t at) {
    const std::size_t end = text.find(';', at);
    if (end == std::string_view::npos || end - at + 1 > longestReference) return 0;
    const std::string_view reference = text.substr(at, end - at + 1);
    for (std::string_view named : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"})
        if (reference == named) return reference.size();
    if (reference.size() < 4 || reference[1] != '#') return 0;
    const bool hex = reference[2] == 'x';
    const std::string_view digits = reference.substr(hex ? 3 : 2, reference.size() - (hex ? 4 : 3));
    if (digits.empty()) return 0;
    char32_t code = 0;
    for (char c : digits) {
        if (!(hex ? isHexDigit(c) : isDigit(c))) return 0;
        const char32_t digit = isDigit(c) ? static_cast<char32_t>(c - '0')
                                          : static_cast<char32_t>((c | 0x20) - 'a' + 10);
        code = code * (hex ? 16 : 10) + digit;
        if (code > 0x10FFFF) return 0;
    }
    if (code == 0 || isControlCharacter(code) || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return reference.size();
}

// Whether a text (of an element or of an attribute value) is well-formed
// UTF-8 without control characters other than blanks and line ends,
// without '<', and with every '&' starting a reference.
bool isSafeText(std::string_view text) {
    if (!isValidUtf8(text)) return false;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8SequenceLength(text, at);
        const char32_t code = utf8CodePoint(text, at, length);
        if (text[at] == '<') return false;
        if (text[at] == '&') {
            const std::size_t reference = referenceLength(text, at);
            if (reference == 0) return false;
            at += reference;
            continue;
        }
        if (isControlCharacter(code) && !isXmlSpace(text[at])) return false;
        at += length;
    }
    return true;
}

bool startsWithOn(std::string_view name) {
    return name.size() >= 2 && (name[0] | 0x20) == 'o' && (name[1] | 0x20) == 'n';
}

bool isLinkName(std::string_view name) {
    return name == "href" || (name.size() > 5 && name.substr(name.size() - 5) == ":href");
}

// The characters of the values the drawing's attributes take: numbers,
// path commands, names, colours as rgb(...), style declarations.  No
// quote, backslash or slash: nothing in a style can hide a url( or name
// another file.
bool isPlainValue(std::string_view value) {
    return std::all_of(value.begin(), value.end(), [](char c) {
        return isLetter(c) || isDigit(c) || isXmlSpace(c) ||
               std::string_view("#%(),.:;_-+").find(c) != std::string_view::npos;
    });
}

// Where the next url( (in any case, as CSS reads it) starts in value.
std::size_t findUrl(const std::string& value, std::size_t from) {
    for (std::size_t at = from; at + 4 <= value.size(); ++at)
        if ((value[at] | 0x20) == 'u' && (value[at + 1] | 0x20) == 'r' &&
            (value[at + 2] | 0x20) == 'l' && value[at + 3] == '(')
            return at;
    return std::string::npos;
}

// Every url(#name) in value with the prefix; false when value holds a
// url( that does not point inside the picture.
bool prefixUrls(std::string& value, const std::string& idPrefix) {
    for (std::size_t at = findUrl(value, 0); at != std::string::npos; at = findUrl(value, at + 4)) {
        if (value.compare(at + 4, 1, "#") != 0) return false;
        value.insert(at + 5, idPrefix);
    }
    return true;
}

struct Attribute {
    std::string name, value;
};

// The reading of the document, a position at a time.
class SvgReader {
public:
    SvgReader(std::string_view svg, const std::string& idPrefix) : in_(svg), prefix_(idPrefix) {}

    // The root element written out again; "" when the document is not one
    // the page can hold.
    std::string inlined() {
        skipProlog();
        if (!in_.substr(at_).starts_with("<svg")) return "";
        if (!readElements()) return "";
        while (at_ < in_.size() && isXmlSpace(in_[at_])) ++at_;
        return at_ == in_.size() ? out_ : "";
    }

private:
    std::string_view in_;
    const std::string& prefix_;
    std::size_t at_ = 0;
    std::string out_;
    std::vector<std::string> open_;  // the elements not yet closed

    void skipSpace() {
        while (at_ < in_.size() && isXmlSpace(in_[at_])) ++at_;
    }

    // Blanks and the XML declaration before the root element.
    void skipProlog() {
        skipSpace();
        if (in_.substr(at_).starts_with("<?xml")) {
            const std::size_t end = in_.find("?>", at_);
            if (end == std::string_view::npos) return;
            at_ = end + 2;
            skipSpace();
        }
    }

    std::string readName() {
        const std::size_t start = at_;
        if (at_ < in_.size() && isLetter(in_[at_])) ++at_;
        while (at_ > start && at_ < in_.size() && isNameCharacter(in_[at_])) ++at_;
        return std::string(in_.substr(start, at_ - start));
    }

    // From the root's start tag to its end tag.
    bool readElements() {
        do {
            const std::size_t next = in_.find('<', at_);
            if (next == std::string_view::npos) return false;
            const std::string_view text = in_.substr(at_, next - at_);
            if (!isSafeText(text)) return false;
            out_ += text;
            at_ = next;
            if (!(in_.substr(at_).starts_with("</") ? readEndTag() : readStartTag())) return false;
        } while (!open_.empty());
        return true;
    }

    bool readEndTag() {
        at_ += 2;
        const std::string name = readName();
        skipSpace();
        if (open_.empty() || name != open_.back() || at_ >= in_.size() || in_[at_] != '>')
            return false;
        ++at_;
        open_.pop_back();
        out_ += "</" + name + ">";
        return true;
    }

    bool readStartTag() {
        ++at_;
        const std::string name = readName();
        const bool root = out_.empty();
        if (root ? name != "svg" : !isDrawingElement(name)) return false;
        // The title and the description hold text and nothing else.
        if (!open_.empty() && (open_.back() == "title" || open_.back() == "desc")) return false;
        std::vector<Attribute> attributes;
        while (true) {
            const std::size_t before = at_;
            skipSpace();
            if (at_ >= in_.size()) return false;
            if (in_[at_] == '>' || in_.substr(at_).starts_with("/>")) break;
            if (at_ == before) return false;  // attributes stand apart
            Attribute attribute;
            if (!readAttribute(attribute)) return false;
            for (const Attribute& earlier : attributes)
                if (earlier.name == attribute.name) return false;
            attributes.push_back(std::move(attribute));
        }
        const bool empty = in_[at_] == '/';
        at_ += empty ? 2 : 1;
        out_ += "<" + name;
        if (root) out_ += " role=\"img\"";
        for (Attribute& attribute : attributes) {
            if (!acceptAttribute(attribute, root)) return false;
            if (!attribute.name.empty())
                out_ += " " + attribute.name + "=\"" + attribute.value + "\"";
        }
        out_ += empty ? "/>" : ">";
        if (!empty) open_.push_back(name);
        return true;
    }

    // name="value"
    bool readAttribute(Attribute& attribute) {
        attribute.name = readName();
        if (attribute.name.empty()) return false;
        skipSpace();
        if (at_ >= in_.size() || in_[at_] != '=') return false;
        ++at_;
        skipSpace();
        if (at_ >= in_.size() || in_[at_] != '"') return false;
        const std::size_t close = in_.find('"', at_ + 1);
        if (close == std::string_view::npos) return false;
        attribute.value = std::string(in_.substr(at_ + 1, close - at_ - 1));
        at_ = close + 1;
        return isSafeText(attribute.value);
    }

    // Whether the attribute may stand on the page, with the prefix added
    // to ids and to references to them; the root's size and role go (the
    // name made empty), the page sizes it and names its role.
    bool acceptAttribute(Attribute& attribute, bool root) {
        const std::string& name = attribute.name;
        std::string& value = attribute.value;
        if (startsWithOn(name)) return false;
        if (root && (name == "width" || name == "height" || name == "role")) {
            attribute.name.clear();
            return true;
        }
        if (name == "xmlns") return value == svgNamespace;
        if (name == "xmlns:xlink") return value == xlinkNamespace;
        if (name.starts_with("xmlns") || !isPlainValue(value)) return false;
        if (name == "id") value.insert(0, prefix_);
        if (isLinkName(name)) {
            if (!value.starts_with("#")) return false;
            value.insert(1, prefix_);
        }
        return prefixUrls(value, prefix_);
    }
};

bool isSafePrefix(const std::string& prefix) {
    return std::all_of(prefix.begin(), prefix.end(),
                       [](char c) { return isLetter(c) || isDigit(c) || c == '-' || c == '_'; });
}

}  // namespace

std::string inlineSvg(std::string_view svg, const std::string& idPrefix) {
    if (!isSafePrefix(idPrefix)) return "";
    return SvgReader(svg, idPrefix).inlined();
}
