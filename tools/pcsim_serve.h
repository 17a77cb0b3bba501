// The simulated counter at work: a session of the counter on its
// pseudo-terminal, the loop that serves the poller's queries until a stop
// or the end of the device, and the whole run of the program after its
// command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "pcsim_counter.h"
#include "pcsim_log.h"
#include "pcsim_options.h"
#include "pcsim_pty.h"

constexpr int exitStopped = 0;
constexpr int exitFailure = 1;
constexpr int exitBadUsage = 2;

// Bytes waiting to go out to the poller, not before dueMs.
struct PendingOutput {
    std::int64_t dueMs = 0;
    std::string bytes;
    std::size_t sent = 0;
};

struct SimSession {
    SimOptions options;
    PtyPair pty;
    EventLog log;
    CounterState counter;
    std::deque<PendingOutput> output;  // in the order it goes out
};

enum class LoopEnd { stopped, deviceClosed };

// What SIGINT and SIGTERM do: the serving loop ends within its idle poll.
void requestStop();

// Answers every query byte read from the session's open pseudo-terminal,
// sends the output when it is due and obeys the signals, until a stop is
// requested (stopped) or a close action or SIGUSR2 ends the device
// (deviceClosed).  A request that ended the loop is used up.
LoopEnd serveQueries(SimSession& session);

// Closes the device and the event log after the loop ended that way, and
// removes the link when it still points at the device.
void shutDown(SimSession& session, LoopEnd end);

// The whole run: signal handlers, event log, device and link, the slave's
// path on standard output, the loop and the shut-down.  Returns the exit
// status.
int runSimulator(SimSession& session);
