// The pieces of pcstat's HTML pages: outside text made safe for HTML, a
// chart's SVG made fit to stand inline, tables with their caption and
// header cells, and the frame of a page with its one style sheet (phone
// screens, print on A4).  A page built from them needs no script, font
// or other file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// text for HTML content and attribute values: control characters and
// bytes that are not UTF-8 as escapedText writes them (\xNN), then & < > "
// and ' as character references.
std::string htmlText(std::string_view text);

// A chart's SVG document as an element of a page: without the XML
// declaration, without the fixed width and height (the style sheet sizes
// it to the width of the page, the viewBox keeps its proportions), with
// every id and reference to one prefixed by idPrefix so that several
// charts can share a page, and with role="img".  Written out again element
// by element, so it is well-formed; "" for a document that is not a
// drawing as the chart writes it (a malformed one, another element, a
// script or event attribute, a link or url( to anything outside it,
// markup in its title) and for an idPrefix of other characters than
// letters, digits, '-' and '_'.  (inline_svg.cpp)
std::string inlineSvg(std::string_view svg, const std::string& idPrefix);

// A table of plain texts (escaped here).  The first cell of every row is
// its header cell, a link when links gives the row a target (a relative
// address, escaped here too); the foot, when not empty, is the row of
// totals.
struct HtmlTable {
    std::string caption;
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> links;  // per row, "" or missing for none
    std::vector<std::string> foot;
    std::string emptyText = "brak danych";  // the one row of a table without rows
};
std::string htmlTable(const HtmlTable& table);

// A paragraph of plain text with an optional class ("note", "ok", "bad").
std::string htmlParagraph(const std::string& text, const std::string& cssClass = "");

// A paragraph per non-empty line of text, each with cssClass.
std::string htmlLines(const std::string& text, const std::string& cssClass = "");

// The start of a page, up to the opening of <main>, with title as its
// <title> and <h1>; and its end, with the footer's text.
std::string htmlPageStart(const std::string& title);
std::string htmlPageEnd(const std::string& footer);
