// The counter itself: its running total, its script of actions and the
// bytes it sends back for each query.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "pcsim_options.h"

constexpr char queryByte = 'r';

struct CounterState {
    std::uint32_t total = 0;
    std::size_t scriptPosition = 0;
    std::mt19937 random;
};

// Bytes to send a given time after the query arrived.
struct TimedBytes {
    std::int64_t delayMs = 0;
    std::string bytes;
};

struct Reply {
    std::vector<TimedBytes> parts;  // in the order they go out
    bool closeDevice = false;
};

CounterState makeCounterState(const SimOptions& options);

// The action for the next query: the script in order, then ok (or the
// script again when it loops).
Action nextAction(const SimOptions& options, CounterState& state);

// Carries out an action: updates the total and says what to send.
Reply replyTo(const Action& action, const SimOptions& options, CounterState& state);

// The total as the counter shows it: six digits with leading zeros.
std::string formatTotal(std::uint32_t total);
