// Command line of the simulated people counter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

constexpr std::uint32_t defaultSeed = 1;
constexpr std::int64_t defaultSplitDelayMs = 1500;
constexpr std::size_t defaultFloodBytes = 4096;

// What the counter does when it receives one query byte.
enum class ActionKind { ok, fault, silent, split, late, garbage, flood, hex, close };

struct Action {
    ActionKind kind = ActionKind::ok;
    std::string bytes;  // Hex only: the exact bytes to send
};

struct SimOptions {
    std::string linkPath;  // empty: no link
    std::uint64_t startTotal = 0;
    std::uint64_t step = 1;
    bool stepRandom = false;  // draw the step from 0..stepRandomMax
    std::uint64_t stepRandomMax = 0;
    std::uint32_t seed = defaultSeed;
    std::vector<Action> script;  // empty: every query is answered ok
    bool loopScript = false;
    std::int64_t splitDelayMs = defaultSplitDelayMs;
    std::size_t floodBytes = defaultFloodBytes;
    bool haveStaleBytes = false;
    std::string staleBytes;  // sent on SIGUSR1
    std::string logPath;     // empty: no event log
};

enum class ParseOutcome { run, showHelp, badUsage };

struct ParseResult {
    ParseOutcome outcome = ParseOutcome::badUsage;
    SimOptions options;
};

// Reads the options; reports the reason on stderr when they are unusable.
ParseResult parseCommandLine(int argc, char* argv[]);

void printUsage(std::FILE* stream);

// Short name of an action as written on the command line and in the log.
const char* actionName(ActionKind kind);
