// The simulated counter's command line read with getopt_long: numbers in
// their bounds, the script's actions, the hex bytes, and the usage text.
#include "pcsim_options.h"

#include <getopt.h>

#include <array>
#include <charconv>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>

#include "pcsim_hex.h"

namespace {

constexpr std::int64_t maxSplitDelayMs = 24LL * 60 * 60 * 1000;  // one day
constexpr std::size_t maxFloodBytes = 64UL * 1024 * 1024;
constexpr char scriptSeparator = ',';
constexpr std::string_view hexActionPrefix = "hex:";

constexpr const char* usageText =
    "Usage: pcsim [OPTION]...\n"
    "Simulated people counter on a pseudo-terminal. Prints the slave device\n"
    "path on standard output, then answers each query byte 'r' like the\n"
    "counter: \"\\n\\r\" followed by the six-digit running total.\n"
    "\n"
    "  --link PATH          also make PATH a symbolic link to the slave device\n"
    "  --start N            initial running total (default 0)\n"
    "  --step N             visitors added before each counted answer (default 1)\n"
    "  --step-random MAX    add a random number 0..MAX instead of --step\n"
    "  --seed S             seed of the random steps (default 1)\n"
    "  --script LIST        comma-separated actions, one per query byte:\n"
    "                         ok fault silent split late garbage flood\n"
    "                         hex:HEXBYTES close\n"
    "                       after the list every query is answered ok\n"
    "  --loop               repeat the script instead\n"
    "  --split-delay MS     delay of split and late answers (default 1500)\n"
    "  --flood-bytes N      bytes of junk sent by flood (default 4096)\n"
    "  --stale HEXBYTES     bytes sent to the poller on SIGUSR1\n"
    "  --log FILE           append a line per received byte and event to FILE\n"
    "  --help               show this text and exit\n"
    "\n"
    "The total wraps after 999999. SIGINT or SIGTERM stops the counter;\n"
    "SIGUSR2 closes the device at once, as if it went away.\n"
    "Exit status: 0 when stopped, 1 when the device or link cannot be made,\n"
    "2 on bad usage.\n";

enum OptionId {
    optLink = 256,  // above every character value, so no short option clashes
    optStart,
    optStep,
    optStepRandom,
    optSeed,
    optScript,
    optLoop,
    optSplitDelay,
    optFloodBytes,
    optStale,
    optLog,
    optHelp,
};

constexpr std::array<option, 13> longOptions{{
    {"link", required_argument, nullptr, optLink},
    {"start", required_argument, nullptr, optStart},
    {"step", required_argument, nullptr, optStep},
    {"step-random", required_argument, nullptr, optStepRandom},
    {"seed", required_argument, nullptr, optSeed},
    {"script", required_argument, nullptr, optScript},
    {"loop", no_argument, nullptr, optLoop},
    {"split-delay", required_argument, nullptr, optSplitDelay},
    {"flood-bytes", required_argument, nullptr, optFloodBytes},
    {"stale", required_argument, nullptr, optStale},
    {"log", required_argument, nullptr, optLog},
    {"help", no_argument, nullptr, optHelp},
    {nullptr, 0, nullptr, 0},
}};

struct NamedAction {
    std::string_view name;
    ActionKind kind;
};

constexpr std::array<NamedAction, 9> namedActions{{
    {"ok", ActionKind::ok},
    {"fault", ActionKind::fault},
    {"silent", ActionKind::silent},
    {"split", ActionKind::split},
    {"late", ActionKind::late},
    {"garbage", ActionKind::garbage},
    {"flood", ActionKind::flood},
    {"hex", ActionKind::hex},
    {"close", ActionKind::close},
}};

template <typename Number>
std::optional<Number> parseNumber(std::string_view text, Number maximum) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end || value > maximum) {
        return std::nullopt;
    }
    if constexpr (std::is_signed_v<Number>) {
        if (value < 0) {
            return std::nullopt;
        }
    }
    return value;
}

std::optional<Action> parseAction(std::string_view text) {
    if (text.substr(0, hexActionPrefix.size()) == hexActionPrefix) {
        const auto bytes = decodeHex(text.substr(hexActionPrefix.size()));
        if (!bytes) {
            return std::nullopt;
        }
        return Action{ActionKind::hex, *bytes};
    }
    for (const auto& named : namedActions) {
        if (named.kind != ActionKind::hex && named.name == text) {
            return Action{named.kind, {}};
        }
    }
    return std::nullopt;
}

std::optional<std::vector<Action>> parseScript(std::string_view list) {
    std::vector<Action> script;
    while (true) {
        const auto separator = list.find(scriptSeparator);
        const auto item = list.substr(0, separator);
        auto action = parseAction(item);
        if (!action) {
            std::fprintf(stderr, "pcsim: bad script action '%.*s'\n", static_cast<int>(item.size()),
                         item.data());
            return std::nullopt;
        }
        script.push_back(std::move(*action));
        if (separator == std::string_view::npos) {
            return script;
        }
        list.remove_prefix(separator + 1);
    }
}

void reportBadValue(const char* optionName, const char* value) {
    std::fprintf(stderr, "pcsim: bad value '%s' for --%s\n", value, optionName);
}

// Applies one option to the options; returns false when its value is bad.
bool applyOption(int id, const char* value, SimOptions& options) {
    constexpr auto maxCount = std::numeric_limits<std::uint64_t>::max();
    switch (id) {
        case optLink: options.linkPath = value; return !options.linkPath.empty();
        case optStart: {
            const auto number = parseNumber<std::uint64_t>(value, maxCount);
            options.startTotal = number.value_or(0);
            return number.has_value();
        }
        case optStep: {
            const auto number = parseNumber<std::uint64_t>(value, maxCount);
            options.step = number.value_or(0);
            return number.has_value();
        }
        case optStepRandom: {
            const auto number = parseNumber<std::uint64_t>(value, maxCount);
            options.stepRandom = true;
            options.stepRandomMax = number.value_or(0);
            return number.has_value();
        }
        case optSeed: {
            const auto number =
                parseNumber<std::uint32_t>(value, std::numeric_limits<std::uint32_t>::max());
            options.seed = number.value_or(defaultSeed);
            return number.has_value();
        }
        case optScript: {
            auto script = parseScript(value);
            options.script = script.value_or(std::vector<Action>{});
            return script.has_value();
        }
        case optLoop: options.loopScript = true; return true;
        case optSplitDelay: {
            const auto number = parseNumber<std::int64_t>(value, maxSplitDelayMs);
            options.splitDelayMs = number.value_or(defaultSplitDelayMs);
            return number.has_value();
        }
        case optFloodBytes: {
            const auto number = parseNumber<std::size_t>(value, maxFloodBytes);
            options.floodBytes = number.value_or(defaultFloodBytes);
            return number.has_value();
        }
        case optStale: {
            const auto bytes = decodeHex(value);
            options.haveStaleBytes = bytes.has_value();
            options.staleBytes = bytes.value_or(std::string{});
            return bytes.has_value();
        }
        case optLog: options.logPath = value; return !options.logPath.empty();
        default: return false;
    }
}

const char* optionNameOf(int id) {
    for (const auto& entry : longOptions) {
        if (entry.val == id && entry.name != nullptr) {
            return entry.name;
        }
    }
    return "?";
}

}  // namespace

void printUsage(std::FILE* stream) { std::fputs(usageText, stream); }

const char* actionName(ActionKind kind) {
    for (const auto& named : namedActions) {
        if (named.kind == kind) {
            return named.name.data();
        }
    }
    return "?";
}

ParseResult parseCommandLine(int argc, char* argv[]) {
    ParseResult result;
    optind = 1;
    while (true) {
        const int id = getopt_long(argc, argv, "", longOptions.data(), nullptr);
        if (id == -1) {
            break;
        }
        if (id == optHelp) {
            result.outcome = ParseOutcome::showHelp;
            return result;
        }
        if (id == '?' || id == ':') {
            return result;  // getopt_long has already said what is wrong
        }
        if (!applyOption(id, optarg, result.options)) {
            reportBadValue(optionNameOf(id), optarg);
            return result;
        }
    }
    if (optind < argc) {
        std::fprintf(stderr, "pcsim: unexpected argument '%s'\n", argv[optind]);
        return result;
    }
    result.outcome = ParseOutcome::run;
    return result;
}
