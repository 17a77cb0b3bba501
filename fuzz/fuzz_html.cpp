// Outside text on pcstat's pages (htmlText) and the chart's SVG made
// inline (inlineSvg).
//
// Input: the whole input is a text for the page, and a chart document.
//
// Properties: the page's text is well-formed UTF-8 without control
// characters, holds no <, >, " or ', and each & in it starts one of the
// five references htmlText writes; it equals escapedText with those five
// characters replaced; text without them and without bytes to escape comes
// out unchanged.  inlineSvg either gives nothing (no root element) or a
// text that starts with the root element, holds no XML declaration, and
// whose every id after the title carries the prefix.
#include <cstdlib>
#include <string>

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

void checkSvg(const std::string& input) {
    const std::string svg = inlineSvg(input, "p-");
    if (svg.empty()) return;
    if (svg.rfind("<svg", 0) != 0 || svg.find("<?xml") != std::string::npos) std::abort();
    const std::size_t titleEnd = svg.find("</title>");
    const std::size_t from = titleEnd == std::string::npos ? 0 : titleEnd;
    for (std::size_t at = svg.find(" id=\"", from); at != std::string::npos;
         at = svg.find(" id=\"", at + 1))
        if (svg.compare(at + 5, 2, "p-") != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    checkText(input);
    checkSvg(input);
    return 0;
}
