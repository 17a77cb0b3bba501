// The poller's whole start-up over a fuzzed configuration file: every key
// it looks up, the decoding of the values and the messages that quote
// them, at the most talkative level (-vv).
//
// Properties: start-up either goes on or aborts with its status; when it
// goes on, the port and entry are usable tokens, the interval is at least
// the minimum, the opening hours are what two-digit fields can give, the
// entry splits back into base and extension, and the settings summary can
// be written for every day.
#include <cstring>

#include "fuzz_support.h"
#include "poller.h"

namespace {

constexpr const char* invocation = "pcfuzz";
constexpr int mostHours = 99 * 3600 + 99 * 60;    // "99:99"
constexpr int leastHours = -(9 * 3600 + 9 * 60);  // "-9:-9"

bool usableToken(const std::string& value) {
    return !value.empty() && value.find_first_of(" \t\n#") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::ScratchDir dir("pcfuzz-startup");
    const std::string confPath = dir.path() + invocation + ".conf";
    const std::string eventLog = dir.path() + invocation + ".log";
    const std::string verboseLogPath = dir.path() + invocation + "_v.log";
    {
        std::FILE* conf = std::fopen(confPath.c_str(), "wb");
        FUZZ_CHECK(conf != nullptr);
        std::fwrite(data, 1, size, conf);
        std::fclose(conf);
    }

    char name[] = "pcfuzz";
    char option[] = "-vv";
    char* argv[] = {name, option, nullptr};
    Settings s;
    int status = startUp(2, argv, dir.path(), dir.path(), s);
    FUZZ_CHECK(status == startUpOk || status == abortStatus);
    FUZZ_CHECK(s.confPath == confPath);

    if (status == startUpOk) {
        FUZZ_CHECK(usableToken(s.portname));
        FUZZ_CHECK(usableToken(s.entry));
        FUZZ_CHECK(s.interval >= minInterval);
        for (int day = 0; day < daysPerWeek; ++day) {
            FUZZ_CHECK(s.openTimes[day] >= leastHours && s.openTimes[day] <= mostHours);
            FUZZ_CHECK(s.closeTimes[day] >= leastHours && s.closeTimes[day] <= mostHours);
            FUZZ_CHECK(!settingsSummary(s, day).empty());
        }
        if (s.entry.find('.') == std::string::npos)
            FUZZ_CHECK(s.base == s.entry && s.ext.empty());
        else
            FUZZ_CHECK(s.base + "." + s.ext == s.entry);
        std::string comlog;
        bool comlogYes =
            confRead(confPath, "comlog", comlog, confHashComments) > 0 && comlog[0] == 'y';
        FUZZ_CHECK(s.comlog == comlogYes);
    }

    // The logs only ever grow; start each run afresh.
    std::remove(eventLog.c_str());
    std::remove(verboseLogPath.c_str());
    std::remove(confPath.c_str());
    return 0;
}
