// Configuration warnings: settings that the poller would otherwise ignore
// without a hint (a misspelt key, "key=value" without blanks, a day that
// closes before it opens).  They change nothing in how the poller runs.
#include <algorithm>

#include "poller.h"

namespace {

// Keys of every "key = value" triple that the poller does not know, each
// once, in the order of their first appearance.
std::vector<std::string> unknownKeys(const std::vector<std::string>& tokens) {
    std::vector<std::string> keys;
    for (std::size_t i = 0; i + 2 < tokens.size(); ++i) {
        if (tokens[i + 1] != "=" || isConfKey(ConfFileKind::poller, tokens[i])) continue;
        if (std::find(keys.begin(), keys.end(), tokens[i]) == keys.end()) keys.push_back(tokens[i]);
    }
    return keys;
}

// A token holding "=" that is not a lone "=" and is not the value of a
// triple (a value may hold "="): a setting written without blanks.
bool isGluedSetting(const std::vector<std::string>& tokens, std::size_t i) {
    const std::string& token = tokens[i];
    if (token == "=" || token.find('=') == std::string::npos) return false;
    return i < 2 || tokens[i - 1] != "=";
}

}  // namespace

std::string configurationWarnings(const Settings& s, const std::vector<std::string>& tokens) {
    std::string text;
    for (const std::string& key : unknownKeys(tokens))
        text += fmt("Uwaga: nieznany parametr %s w pliku %s\n", key.c_str(), s.confPath.c_str());
    for (std::size_t i = 0; i < tokens.size(); ++i)
        if (isGluedSetting(tokens, i))
            text += fmt("Uwaga: %s nie jest czytane, brak odstepow wokol = w pliku %s\n",
                        tokens[i].c_str(), s.confPath.c_str());
    for (int day = 0; day < daysPerWeek; ++day)
        if (s.closeTimes[day] < s.openTimes[day])
            text += fmt("Uwaga: %s nigdy nie otwarte (%2d:%02d-%2d:%02d)\n", weekDays[day],
                        sTh(s.openTimes[day]), sTm(s.openTimes[day]), sTh(s.closeTimes[day]),
                        sTm(s.closeTimes[day]));
    return text;
}

void warnAboutConfiguration(const Settings& s) {
    std::vector<std::string> tokens;
    if (!confTokens(s.confPath, confHashComments, tokens)) return;
    std::string text = configurationWarnings(s, tokens);
    if (!text.empty()) importantLog(s, priorityWarning, text);
}
