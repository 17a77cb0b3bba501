// File helpers: the readability test and the line reader.
#include "pcutil.h"

int fileExists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return 0;
    std::fclose(file);
    return 1;
}

int fgetline(std::FILE* file, std::string& line, int capacity) {
    line.clear();
    int c;
    while (static_cast<int>(line.size()) < capacity - 1 && (c = std::getc(file)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return static_cast<int>(line.size());
}
