// The cells of pcstat's tables for a person: widths on a terminal of UTF-8
// texts, padding, and a whole grid of cells laid out in columns.
#pragma once

#include <string>
#include <vector>

// Width on a terminal of a UTF-8 text: one column per character.
std::size_t columns(const std::string& text);
std::string padLeft(const std::string& text, std::size_t width);
std::string padRight(const std::string& text, std::size_t width);

// The grid as lines of cells each ended by ';', every column as wide as
// its widest cell: the first column padded on the right (labels), the
// others on the left (numbers).
std::string gridText(const std::vector<std::vector<std::string>>& grid);
