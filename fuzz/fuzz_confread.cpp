// confRead over a fuzzed configuration file, in both syntaxes, for the keys
// the programs look up and for one taken from the file itself.
//
// Properties: the count is 0..number of '=' tokens (the file always opens);
// a found value is non-empty and holds no blank, tab or line feed, and no
// '#' in the poller's syntax; nothing found leaves the value untouched; and
// count and value agree with a plain model of the reader: comments cut
// away, the text split at blanks, tabs and line feeds (a token still open
// at end of file dropped), the last "key = value" triple wins.
#include <algorithm>
#include <vector>

#include "fuzz_models.h"
#include "fuzz_support.h"
#include "pcutil.h"

namespace {

struct Lookup {
    int count = 0;
    std::string value;
};

Lookup modelLookup(const std::vector<std::string>& tokens, const std::string& key) {
    Lookup result;
    for (std::size_t i = 2; i < tokens.size(); ++i) {
        if (tokens[i - 2] == key && tokens[i - 1] == "=") {
            ++result.count;
            result.value = tokens[i];
        }
    }
    return result;
}

// The first token of the file: the likeliest key of a triple in it.
std::string keyFromInput(std::string_view text) {
    constexpr std::size_t longestKey = 64;
    std::size_t end = 0;
    while (end < text.size() && end < longestKey && !fuzz::isConfSeparator(text[end]) &&
           text[end] != '#')
        ++end;
    return std::string(text.substr(0, end));
}

void checkLookup(const fuzz::ScratchFile& file, std::string_view text, const std::string& key,
                 ConfSyntax syntax, const std::vector<std::string>& tokens) {
    const std::string untouched = "\x01 untouched";  // no token can look like this
    std::string value = untouched;
    int count = confRead(file.path(), key, value, syntax);

    long equalsTokens = std::count(tokens.begin(), tokens.end(), std::string("="));
    FUZZ_CHECK(count >= 0);  // -1 is only for a file that cannot be opened
    FUZZ_CHECK(count <= equalsTokens);
    if (count > 0) {
        FUZZ_CHECK(!value.empty());
        FUZZ_CHECK(value.find_first_of(" \t\n") == std::string::npos);
        if (syntax == confHashComments) FUZZ_CHECK(value.find('#') == std::string::npos);
        FUZZ_CHECK(text.find(value) != std::string_view::npos);
    } else {
        FUZZ_CHECK(value == untouched);
    }

    Lookup expected = modelLookup(tokens, key);
    FUZZ_CHECK(count == expected.count);
    if (count > 0) FUZZ_CHECK(value == expected.value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::ScratchFile file("pcfuzz-conf");
    static const char* const fixedKeys[] = {"portname", "entry",  "recordtime", "opentime",
                                            "Sunday",   "comlog", "="};
    std::string_view text = fuzz::bytes(data, size);
    file.write(text);

    for (ConfSyntax syntax : {confHashComments, confPlain}) {
        std::vector<std::string> tokens = fuzz::modelTokens(text, syntax == confHashComments);
        for (const char* key : fixedKeys) checkLookup(file, text, key, syntax, tokens);
        // No program looks up an empty key: the reader's window starts out
        // as two empty tokens, so "= value" at the very start would match it.
        std::string key = keyFromInput(text);
        if (!key.empty()) checkLookup(file, text, key, syntax, tokens);
    }
    return 0;
}
