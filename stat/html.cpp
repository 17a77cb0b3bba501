// The pieces of pcstat's HTML pages.
#include "html.h"

#include "escape.h"

namespace {

// The style sheet of every page: readable from a 390-pixel phone screen
// up (wide tables scroll inside their own box, not the page), printable
// on A4.
constexpr const char* styleSheet =
    "body{font-family:system-ui,sans-serif;line-height:1.4;color:#1b1b1b;background:#fff;"
    "margin:0 auto;max-width:72rem;padding:0.75rem}"
    "h1{font-size:1.35rem;margin:0.25rem 0 0.75rem}"
    "h2{font-size:1.15rem;margin:1.5rem 0 0.5rem;border-bottom:1px solid #bbb}"
    "h3{font-size:1rem;margin:1rem 0 0.25rem}"
    ".scroll{overflow-x:auto;max-width:100%}"
    "table{border-collapse:collapse;margin:0.25rem 0 0.75rem;font-variant-numeric:tabular-nums}"
    "caption{text-align:left;font-weight:bold;padding:0.25rem 0}"
    "th,td{padding:0.2rem 0.5rem;border-bottom:1px solid #ddd;vertical-align:top}"
    "td{text-align:right;white-space:nowrap}th{text-align:left;font-weight:normal}"
    "tbody th{white-space:nowrap}"
    "thead th{font-weight:bold;text-align:right}thead th:first-child{text-align:left}"
    "tfoot th,tfoot td{font-weight:bold;border-top:2px solid #777}"
    "figure{margin:0.5rem 0}figure svg{display:block;width:100%;height:auto}"
    ".note{background:#fff3d0;border-left:4px solid #b87800;padding:0.4rem 0.6rem}"
    ".ok{color:#15602a}.bad{color:#a3151a;font-weight:bold}"
    "footer{margin-top:2rem;color:#555;font-size:0.9rem}"
    "@media print{@page{size:A4;margin:15mm}body{max-width:none;padding:0;font-size:10pt}"
    ".scroll{overflow:visible}table,figure{break-inside:avoid}h2,h3{break-after:avoid}}";

void appendCells(std::string& html, const std::vector<std::string>& cells,
                 const std::string& link = "") {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i == 0 && !link.empty())
            html += "<th scope=\"row\"><a href=\"" + htmlText(link) + "\">" + htmlText(cells[i]) +
                    "</a></th>";
        else
            html += (i == 0 ? "<th scope=\"row\">" : "<td>") + htmlText(cells[i]) +
                    (i == 0 ? "</th>" : "</td>");
    }
}

}  // namespace

std::string htmlText(std::string_view text) {
    std::string safe;
    for (char c : escapedText(text)) {
        switch (c) {
            case '&': safe += "&amp;"; break;
            case '<': safe += "&lt;"; break;
            case '>': safe += "&gt;"; break;
            case '"': safe += "&quot;"; break;
            case '\'': safe += "&#39;"; break;
            default: safe += c;
        }
    }
    return safe;
}

std::string htmlTable(const HtmlTable& table) {
    std::string html = "<div class=\"scroll\"><table>\n<caption>" + htmlText(table.caption) +
                       "</caption>\n<thead><tr>";
    for (const std::string& cell : table.header)
        html += "<th scope=\"col\">" + htmlText(cell) + "</th>";
    html += "</tr></thead>\n<tbody>\n";
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        html += "<tr>";
        appendCells(html, table.rows[r], r < table.links.size() ? table.links[r] : "");
        html += "</tr>\n";
    }
    if (table.rows.empty())
        html += "<tr><td colspan=\"" +
                std::to_string(table.header.empty() ? 1 : table.header.size()) + "\">" +
                htmlText(table.emptyText) + "</td></tr>\n";
    html += "</tbody>\n";
    if (!table.foot.empty()) {
        html += "<tfoot><tr>";
        appendCells(html, table.foot);
        html += "</tr></tfoot>\n";
    }
    return html + "</table></div>\n";
}

std::string htmlParagraph(const std::string& text, const std::string& cssClass) {
    return (cssClass.empty() ? std::string("<p>") : "<p class=\"" + cssClass + "\">") +
           htmlText(text) + "</p>\n";
}

std::string htmlLines(const std::string& text, const std::string& cssClass) {
    std::string html;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) html += htmlParagraph(text.substr(start, end - start), cssClass);
        start = end + 1;
    }
    return html;
}

std::string htmlPageStart(const std::string& title) {
    return "<!DOCTYPE html>\n<html lang=\"pl\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<meta name=\"generator\" content=\"pcstat\">\n<title>" +
           htmlText(title) + "</title>\n<style>" + styleSheet +
           "</style>\n</head>\n<body>\n<main>\n<h1>" + htmlText(title) + "</h1>\n";
}

std::string htmlPageEnd(const std::string& footer) {
    return "</main>\n<footer>" + htmlText(footer) + "</footer>\n</body>\n</html>\n";
}
