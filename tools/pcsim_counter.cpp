#include "pcsim_counter.h"

#include <string_view>

namespace pcsim {

namespace {

constexpr std::uint32_t kTotalModulus = 1000000;  // the total has six digits
constexpr std::size_t kTotalDigits = 6;
constexpr std::uint32_t kDecimalBase = 10;
constexpr std::size_t kSplitHeadDigits = 4;  // digits in the first part of a split answer
constexpr std::string_view kAnswerMarker = "\n\r";
constexpr char kFaultCode = 'F';  // photocell fault
// Junk without the "\n\r" marker: text, a reversed line end, high bytes, DEL.
constexpr std::string_view kGarbageBytes = "xyz\r\n12\x80\xA5\xFF\x7F";
constexpr std::string_view kFloodPattern = "ABCDEFGH";

std::uint32_t reduceToTotal(std::uint64_t value) {
    return static_cast<std::uint32_t>(value % kTotalModulus);
}

std::uint64_t drawStep(const Options& options, CounterState& state) {
    if (!options.stepRandom) {
        return options.step;
    }
    std::uniform_int_distribution<std::uint64_t> distribution(0, options.stepRandomMax);
    return distribution(state.random);
}

void countVisitors(const Options& options, CounterState& state) {
    const std::uint64_t step = reduceToTotal(drawStep(options, state));
    state.total = reduceToTotal(state.total + step);
}

std::string floodBytes(std::size_t count) {
    std::string bytes;
    bytes.reserve(count);
    while (bytes.size() < count) {
        bytes += kFloodPattern.substr(0, count - bytes.size());
    }
    return bytes;
}

std::string totalAnswer(std::uint32_t total) {
    return std::string(kAnswerMarker) + formatTotal(total);
}

Reply immediately(std::string bytes) { return Reply{{TimedBytes{0, std::move(bytes)}}, false}; }

}  // namespace

std::string formatTotal(std::uint32_t total) {
    std::string digits(kTotalDigits, '0');
    std::uint32_t rest = reduceToTotal(total);
    for (auto position = digits.rbegin(); position != digits.rend() && rest != 0; ++position) {
        *position = static_cast<char>('0' + rest % kDecimalBase);
        rest /= kDecimalBase;
    }
    return digits;
}

CounterState makeCounterState(const Options& options) {
    CounterState state;
    state.total = reduceToTotal(options.startTotal);
    state.random.seed(options.seed);
    return state;
}

Action nextAction(const Options& options, CounterState& state) {
    if (options.loopScript && state.scriptPosition == options.script.size()) {
        state.scriptPosition = 0;
    }
    if (state.scriptPosition < options.script.size()) {
        return options.script[state.scriptPosition++];
    }
    return Action{};
}

Reply replyTo(const Action& action, const Options& options, CounterState& state) {
    switch (action.kind) {
        case ActionKind::Ok:
            countVisitors(options, state);
            return immediately(totalAnswer(state.total));
        case ActionKind::Fault: return immediately(std::string(kAnswerMarker) + kFaultCode);
        case ActionKind::Silent: return Reply{};
        case ActionKind::Split: {
            countVisitors(options, state);
            const std::string answer = totalAnswer(state.total);
            const std::size_t headLength = kAnswerMarker.size() + kSplitHeadDigits;
            return Reply{{TimedBytes{0, answer.substr(0, headLength)},
                          TimedBytes{options.splitDelayMs, answer.substr(headLength)}},
                         false};
        }
        case ActionKind::Late:
            countVisitors(options, state);
            return Reply{{TimedBytes{options.splitDelayMs, totalAnswer(state.total)}}, false};
        case ActionKind::Garbage: return immediately(std::string(kGarbageBytes));
        case ActionKind::Flood: return immediately(floodBytes(options.floodBytes));
        case ActionKind::Hex: return immediately(action.bytes);
        case ActionKind::Close: return Reply{{}, true};
    }
    return Reply{};
}

}  // namespace pcsim
