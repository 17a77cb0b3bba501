// The counter's replies: the running total and its six digits, the next
// action of the script, and the bytes and delays each action sends.
#include "pcsim_counter.h"

#include <string_view>

namespace {

constexpr std::uint32_t totalModulus = 1000000;  // the total has six digits
constexpr std::size_t totalDigits = 6;
constexpr std::uint32_t decimalBase = 10;
constexpr std::size_t splitHeadDigits = 4;  // digits in the first part of a split answer
constexpr std::string_view answerMarker = "\n\r";
constexpr char faultCode = 'F';  // photocell fault
// Junk without the "\n\r" marker: text, a reversed line end, high bytes, DEL.
constexpr std::string_view garbageBytes = "xyz\r\n12\x80\xA5\xFF\x7F";
constexpr std::string_view floodPattern = "ABCDEFGH";

std::uint32_t reduceToTotal(std::uint64_t value) {
    return static_cast<std::uint32_t>(value % totalModulus);
}

std::uint64_t drawStep(const SimOptions& options, CounterState& state) {
    if (!options.stepRandom) {
        return options.step;
    }
    std::uniform_int_distribution<std::uint64_t> distribution(0, options.stepRandomMax);
    return distribution(state.random);
}

void countVisitors(const SimOptions& options, CounterState& state) {
    const std::uint64_t step = reduceToTotal(drawStep(options, state));
    state.total = reduceToTotal(state.total + step);
}

std::string floodBytes(std::size_t count) {
    std::string bytes;
    bytes.reserve(count);
    while (bytes.size() < count) {
        bytes += floodPattern.substr(0, count - bytes.size());
    }
    return bytes;
}

std::string totalAnswer(std::uint32_t total) {
    return std::string(answerMarker) + formatTotal(total);
}

Reply immediately(std::string bytes) { return Reply{{TimedBytes{0, std::move(bytes)}}, false}; }

}  // namespace

std::string formatTotal(std::uint32_t total) {
    std::string digits(totalDigits, '0');
    std::uint32_t rest = reduceToTotal(total);
    for (auto position = digits.rbegin(); position != digits.rend() && rest != 0; ++position) {
        *position = static_cast<char>('0' + rest % decimalBase);
        rest /= decimalBase;
    }
    return digits;
}

CounterState makeCounterState(const SimOptions& options) {
    CounterState state;
    state.total = reduceToTotal(options.startTotal);
    state.random.seed(options.seed);
    return state;
}

Action nextAction(const SimOptions& options, CounterState& state) {
    if (options.loopScript && state.scriptPosition == options.script.size()) {
        state.scriptPosition = 0;
    }
    if (state.scriptPosition < options.script.size()) {
        return options.script[state.scriptPosition++];
    }
    return Action{};
}

Reply replyTo(const Action& action, const SimOptions& options, CounterState& state) {
    switch (action.kind) {
        case ActionKind::ok:
            countVisitors(options, state);
            return immediately(totalAnswer(state.total));
        case ActionKind::fault: return immediately(std::string(answerMarker) + faultCode);
        case ActionKind::silent: return Reply{};
        case ActionKind::split: {
            countVisitors(options, state);
            const std::string answer = totalAnswer(state.total);
            const std::size_t headLength = answerMarker.size() + splitHeadDigits;
            return Reply{{TimedBytes{0, answer.substr(0, headLength)},
                          TimedBytes{options.splitDelayMs, answer.substr(headLength)}},
                         false};
        }
        case ActionKind::late:
            countVisitors(options, state);
            return Reply{{TimedBytes{options.splitDelayMs, totalAnswer(state.total)}}, false};
        case ActionKind::garbage: return immediately(std::string(garbageBytes));
        case ActionKind::flood: return immediately(floodBytes(options.floodBytes));
        case ActionKind::hex: return immediately(action.bytes);
        case ActionKind::close: return Reply{{}, true};
    }
    return Reply{};
}
