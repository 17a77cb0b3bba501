// The configuration reader: blank-separated tokens, matched as the triple
// key, "=", value over a sliding window of the last two completed tokens.
#include "pcutil.h"

namespace {

bool isSeparator(int c) { return c == ' ' || c == '\t' || c == '\n'; }

struct TokenWindow {
    std::string current;
    std::string previous;        // the last completed token
    std::string beforePrevious;  // the one before it
};

// Completes the token being built; returns true when it is the value of a
// "key = value" triple.
bool completeToken(TokenWindow& w, const std::string& key) {
    bool match = w.beforePrevious == key && w.previous == "=";
    w.beforePrevious = std::move(w.previous);
    w.previous = std::move(w.current);
    w.current.clear();
    return match;
}

}  // namespace

namespace {

// Walks the file's tokens, calling take for every completed one.  False
// when the file cannot be opened.
template <typename Take>
bool walkTokens(const std::string& path, ConfSyntax syntax, Take take) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return false;
    std::string current;
    bool inComment = false;
    int c;
    while ((c = std::getc(file)) != EOF) {
        if (inComment && c != '\n') continue;
        inComment = false;
        if (syntax == confHashComments && c == '#') {
            inComment = true;
        } else if (!isSeparator(c)) {
            current.push_back(static_cast<char>(c));
        } else if (!current.empty()) {
            take(current);
            current.clear();
        }
    }
    // A token still being built at end of file is dropped.
    std::fclose(file);
    return true;
}

}  // namespace

int confLookup(const std::string& path, const std::string& key, std::string& value,
               ConfSyntax syntax) {
    TokenWindow window;
    int matches = 0;
    bool opened = walkTokens(path, syntax, [&](std::string& token) {
        window.current = std::move(token);
        if (completeToken(window, key)) {
            value = window.previous;
            ++matches;
        }
    });
    return opened ? matches : -1;
}

int confRead(const std::string& path, const std::string& key, std::string& value,
             ConfSyntax syntax) {
    int found = confLookup(path, key, value, syntax);
    if (found < 0) std::printf("\nBlad - nie znaleziono pliku kofiguracji %s\n", path.c_str());
    return found;
}

bool confTokens(const std::string& path, ConfSyntax syntax, std::vector<std::string>& tokens) {
    tokens.clear();
    return walkTokens(path, syntax, [&](std::string& token) { tokens.push_back(token); });
}
