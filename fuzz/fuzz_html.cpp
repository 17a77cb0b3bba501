// Outside text on pcstat's pages (htmlText) and the chart's SVG made
// inline (inlineSvg).
//
// Input: the whole input is a text for the page, and a chart document.
//
// Properties: the page's text is well-formed UTF-8 without control
// characters, holds no <, >, " or ', and each & in it starts one of the
// five references htmlText writes; it equals escapedText with those five
// characters replaced; text without them and without bytes to escape comes
// out unchanged.  inlineSvg either gives nothing or one svg element with
// role="img", well-formed UTF-8, that inlineSvg takes back unchanged (with
// no prefix); read tag by tag it is balanced, holds only elements of
// drawing, no comment, declaration or processing instruction, no event
// attribute, ids and references to them only with the prefix, no markup
// in its title, and text without control characters or stray &.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "escape.h"
#include "fuzz_support.h"
#include "html.h"
#include "utf8.h"

namespace {

void checkText(const std::string& input) {
    const std::string html = htmlText(input);
    if (!isValidUtf8(html)) std::abort();
    std::string expected;
    for (char c : escapedText(input)) {
        switch (c) {
            case '&': expected += "&amp;"; break;
            case '<': expected += "&lt;"; break;
            case '>': expected += "&gt;"; break;
            case '"': expected += "&quot;"; break;
            case '\'': expected += "&#39;"; break;
            default: expected += c;
        }
    }
    if (html != expected) std::abort();
    for (std::size_t at = 0; at < html.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(html[at]);
        if (c < 0x20 || c == 0x7F || c == '<' || c == '>' || c == '"' || c == '\'') std::abort();
        if (c != '&') continue;
        bool known = false;
        for (const char* reference : {"&amp;", "&lt;", "&gt;", "&quot;", "&#39;"})
            known = known || html.compare(at, std::string(reference).size(), reference) == 0;
        if (!known) std::abort();
    }
    if (input.find_first_of("&<>\"'") == std::string::npos && !needsEscaping(input) &&
        html != input)
        std::abort();
}

bool isOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    for (std::string_view candidate : names)
        if (name == candidate) return true;
    return false;
}

// The text between tags, and attribute values: no control character but
// blanks and line ends, & only as a reference.
void checkSvgText(std::string_view text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        FUZZ_CHECK(c >= 0x20 || c == '\t' || c == '\n' || c == '\r');
        FUZZ_CHECK(c != 0x7F && c != '<');
        if (c != '&') continue;
        const std::size_t end = text.find(';', at);
        FUZZ_CHECK(end != std::string_view::npos);
        const std::string_view name = text.substr(at + 1, end - at - 1);
        FUZZ_CHECK(isOneOf(name, {"amp", "lt", "gt", "quot", "apos"}) ||
                   (name.size() > 1 && name[0] == '#'));
    }
}

// A url( in any case points at an id with the prefix.
void checkUrls(std::string_view value) {
    std::string lower(value);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::size_t at = lower.find("url("); at != std::string::npos;
         at = lower.find("url(", at + 1))
        FUZZ_CHECK(lower.compare(at + 4, 3, "#p-") == 0);
}

// Reads the attributes of a start tag, from after its name to the '>'.
void checkAttributes(std::string_view tag) {
    std::size_t at = 0;
    while (at < tag.size() && tag[at] == ' ') {
        const std::size_t equals = tag.find("=\"", at);
        FUZZ_CHECK(equals != std::string_view::npos);
        const std::string_view name = tag.substr(at + 1, equals - at - 1);
        const std::size_t close = tag.find('"', equals + 2);
        FUZZ_CHECK(close != std::string_view::npos);
        const std::string_view value = tag.substr(equals + 2, close - equals - 2);
        FUZZ_CHECK(!name.empty() && name.find_first_of(" \"<>/") == std::string_view::npos);
        FUZZ_CHECK(std::tolower(static_cast<unsigned char>(name[0])) != 'o' || name.size() < 2 ||
                   std::tolower(static_cast<unsigned char>(name[1])) != 'n');
        checkSvgText(value);
        if (name == "id") FUZZ_CHECK(value.starts_with("p-"));
        if (name == "href" || name.ends_with(":href")) FUZZ_CHECK(value.starts_with("#p-"));
        if (!name.starts_with("xmlns")) checkUrls(value);
        at = close + 1;
    }
    FUZZ_CHECK(at == tag.size() || (at + 1 == tag.size() && tag[at] == '/'));
}

void checkSvg(const std::string& input) {
    const std::string svg = inlineSvg(input, "p-");
    if (svg.empty()) return;
    FUZZ_CHECK(svg.starts_with("<svg role=\"img\"") && svg.ends_with(">"));
    FUZZ_CHECK(isValidUtf8(svg));
    FUZZ_CHECK(inlineSvg(svg, "") == svg);
    std::vector<std::string> open;
    std::size_t at = 0;
    bool first = true;
    while (at < svg.size()) {
        const std::size_t tag = svg.find('<', at);
        FUZZ_CHECK(tag != std::string::npos);  // no text after the root
        checkSvgText(std::string_view(svg).substr(at, tag - at));
        FUZZ_CHECK(tag == at || !open.empty());
        const std::size_t end = svg.find('>', tag);
        FUZZ_CHECK(end != std::string::npos);
        std::string_view inside = std::string_view(svg).substr(tag + 1, end - tag - 1);
        FUZZ_CHECK(!inside.empty() && inside[0] != '!' && inside[0] != '?');
        if (inside[0] == '/') {
            FUZZ_CHECK(!open.empty() && inside.substr(1) == open.back());
            open.pop_back();
        } else {
            const std::size_t nameEnd = std::min(inside.find_first_of(" /"), inside.size());
            const std::string name(inside.substr(0, nameEnd));
            FUZZ_CHECK(first ? name == "svg"
                             : isOneOf(name, {"title", "desc", "defs", "g", "symbol", "use", "path",
                                              "rect", "line", "circle", "ellipse", "polyline",
                                              "polygon", "clipPath", "mask", "linearGradient",
                                              "radialGradient", "stop", "pattern"}));
            FUZZ_CHECK(open.empty() || (open.back() != "title" && open.back() != "desc"));
            FUZZ_CHECK(first || !open.empty());
            checkAttributes(inside.substr(nameEnd));
            if (!inside.ends_with("/")) open.push_back(name);
            first = false;
        }
        at = end + 1;
        if (open.empty()) break;
    }
    FUZZ_CHECK(open.empty() && at == svg.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    checkText(input);
    checkSvg(input);
    return 0;
}
