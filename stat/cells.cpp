// Padding and laying out the cells of a table.
#include "cells.h"

#include <algorithm>

std::size_t columns(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text) count += (c & 0xC0) != 0x80;
    return count;
}

std::string padLeft(const std::string& text, std::size_t width) {
    std::size_t used = columns(text);
    return used >= width ? text : std::string(width - used, ' ') + text;
}

std::string padRight(const std::string& text, std::size_t width) {
    std::size_t used = columns(text);
    return used >= width ? text : text + std::string(width - used, ' ');
}

std::string gridText(const std::vector<std::vector<std::string>>& grid) {
    std::vector<std::size_t> widths;
    for (const auto& line : grid)
        for (std::size_t c = 0; c < line.size(); ++c) {
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], columns(line[c]));
        }
    std::string text;
    for (const auto& line : grid) {
        for (std::size_t c = 0; c < line.size(); ++c)
            text += (c == 0 ? padRight(line[c], widths[c]) : padLeft(line[c], widths[c])) + ";";
        text += "\n";
    }
    return text;
}
