// confTokens and the configuration warnings over a fuzzed configuration
// file, in the poller's syntax.
//
// Properties: confTokens gives exactly the tokens of the plain model of
// the reader; for every key of a "key = value" triple, confRead counts as
// many triples as the tokens hold; and the warnings hold one "nieznany parametr" line per distinct
// unknown key and one "nie jest czytane" line per token that holds '=', is not '=' and is not the
// value of a triple, and no other line than those and the days that close before they open.
#include <algorithm>
#include <set>
#include <vector>

#include "fuzz_models.h"
#include "fuzz_support.h"
#include "pcutil.h"
#include "poller.h"

namespace {

bool isKnown(const std::string& key) {
    static const std::set<std::string> known = {
        "portname", "entry",   "recordtime", "opentime", "comlog", "metrics", "Sunday",
        "Monday",   "Tuesday", "Wednesday",  "Thursday", "Friday", "Saturday"};
    return known.count(key) > 0;
}

int linesStarting(const std::string& text, const std::string& start) {
    int count = 0;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        if (text.compare(from, start.size(), start) == 0) ++count;
        from = end + 1;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::ScratchFile file("pcfuzz-tokens");
    std::string_view text = fuzz::bytes(data, size);
    file.write(text);

    std::vector<std::string> tokens;
    FUZZ_CHECK(confTokens(file.path(), confHashComments, tokens));
    FUZZ_CHECK(tokens == fuzz::modelTokens(text, true));

    std::set<std::string> unknown;
    std::set<std::string> keys;
    int glued = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (i + 2 < tokens.size() && tokens[i + 1] == "=") {
            keys.insert(tokens[i]);
            if (!isKnown(tokens[i])) unknown.insert(tokens[i]);
        }
        bool isValue = i >= 2 && tokens[i - 1] == "=";
        if (tokens[i] != "=" && tokens[i].find('=') != std::string::npos && !isValue) ++glued;
    }
    constexpr std::size_t keysChecked = 4;
    std::size_t checked = 0;
    for (const std::string& key : keys) {
        if (checked++ == keysChecked) break;
        std::string value;
        long triples = 0;
        for (std::size_t i = 0; i + 2 < tokens.size(); ++i)
            triples += tokens[i] == key && tokens[i + 1] == "=";
        FUZZ_CHECK(confRead(file.path(), key, value, confHashComments) == triples);
    }

    Settings s;
    s.confPath = "door1.conf";
    std::string warnings = configurationWarnings(s, tokens);
    // A token holds no blank, so no other warning starts like this one.
    FUZZ_CHECK(linesStarting(warnings, "Uwaga: nieznany parametr ") ==
               static_cast<int>(unknown.size()));
    FUZZ_CHECK(warnings.empty() || warnings.back() == '\n');
    std::size_t lines =
        static_cast<std::size_t>(std::count(warnings.begin(), warnings.end(), '\n'));
    // Every day opens and closes at 0:00 here: no day warning.
    FUZZ_CHECK(lines == unknown.size() + static_cast<std::size_t>(glued));
    return 0;
}
