// pcsim - a simulated people counter for developing and testing the poller
// without the real device.
//
// pcsim opens a pseudo-terminal, prints the path of its slave side (for
// example /dev/pts/3) as the only line on standard output, and then acts as
// the counter at the far end of the serial line: for every query byte 'r' it
// receives it answers a line feed, a carriage return and the running total
// as six digits ("\n\r000123"). Point the poller at the printed path, or at
// the name given with --link, instead of a real serial port. pcsim keeps its
// own descriptor of the slave side open, so the poller may close and reopen
// the port at will.
//
// Options:
//   --link PATH        also make PATH a symbolic link to the slave device
//                      (replaced atomically; removed at exit if still ours)
//   --start N          initial running total (default 0)
//   --step N           visitors added before each counted answer (default 1)
//   --step-random MAX  add a uniformly random 0..MAX instead of --step
//                      (drawn only for actions that count)
//   --seed S           seed of the random steps, for repeatable runs (default 1)
//   --script LIST      comma-separated actions, one per query byte received:
//                        ok       count, then answer the total
//                        fault    answer "\n\rF" (photocell fault)
//                        silent   answer nothing
//                        split    count, send "\n\r" and four digits, the
//                                 last two digits --split-delay later
//                        late     count, send the whole answer --split-delay later
//                        garbage  send junk that holds no "\n\r" marker
//                        flood    send --flood-bytes bytes of junk
//                        hex:HEX  send exactly these bytes
//                        close    close the device and exit
//                      once the list is used up every query is answered ok
//   --loop             repeat the script instead
//   --split-delay MS   delay of split and late answers (default 1500)
//   --flood-bytes N    size of a flood (default 4096)
//   --stale HEX        bytes sent on SIGUSR1, to leave stale input waiting
//   --log FILE         append one line per event to FILE, each written at
//                      once so it can be read while pcsim runs:
//                        start PATH            ready, serving PATH
//                        rx HH                 one received byte, in hex
//                        action NAME [total NNNNNN | HEX]
//                        tx HEX                bytes sent by one write
//                        stale HEX | none      SIGUSR1 handled
//                        vanish                SIGUSR2 handled
//                        close                 the device was closed
//                        stop                  pcsim exits
//                        rx-error / tx-error   MESSAGE
// The total wraps from 999999 to 0. Output goes out in order; a delayed part
// holds back whatever is queued after it, as on a real serial line.
//
// Signals: SIGINT or SIGTERM stops pcsim; SIGUSR1 sends the --stale bytes;
// SIGUSR2 closes the device at once, as if it were unplugged. On Linux the
// poller's open descriptor is then hung up: unread input is gone, read()
// returns 0 bytes, write() and the termios calls fail with EIO, poll()
// reports POLLHUP, and the slave path no longer exists.
//
// Exit status: 0 when stopped, 1 when the pseudo-terminal, link or log
// cannot be made, 2 on bad usage.

#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>

#include "pcsim_counter.h"
#include "pcsim_hex.h"
#include "pcsim_log.h"
#include "pcsim_options.h"
#include "pcsim_pty.h"

namespace {

using namespace pcsim;

constexpr int kExitStopped = 0;
constexpr int kExitFailure = 1;
constexpr int kExitBadUsage = 2;

constexpr int kIdlePollMs = 100;      // how soon an idle loop notices a signal flag
constexpr int kIoErrorRetryMs = 100;  // pause after the master reports an error
constexpr std::size_t kReadBufferSize = 256;
constexpr std::int64_t kMillisecondsPerSecond = 1000;
constexpr std::int64_t kNanosecondsPerMillisecond = 1000000;

volatile std::sig_atomic_t gStopRequested = 0;
volatile std::sig_atomic_t gStaleRequested = 0;
volatile std::sig_atomic_t gVanishRequested = 0;

void onStopSignal(int /*signal*/) { gStopRequested = 1; }
void onStaleSignal(int /*signal*/) { gStaleRequested = 1; }
void onVanishSignal(int /*signal*/) { gVanishRequested = 1; }

// Bytes waiting to go out to the poller, not before dueMs.
struct PendingOutput {
    std::int64_t dueMs = 0;
    std::string bytes;
    std::size_t sent = 0;
};

struct Session {
    Options options;
    PtyPair pty;
    EventLog log;
    CounterState counter;
    std::deque<PendingOutput> output;
};

enum class LoopEnd { Stopped, DeviceClosed };

std::int64_t monotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t seconds = now.tv_sec;
    const std::int64_t nanoseconds = now.tv_nsec;
    return seconds * kMillisecondsPerSecond + nanoseconds / kNanosecondsPerMillisecond;
}

void pauseMs(int milliseconds) {
    poll(nullptr, 0, milliseconds);  // returns early on a signal, unlike sleep
}

// Installed without SA_RESTART, so a signal ends a waiting poll() at once.
bool installHandler(int signalNumber, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    return sigaction(signalNumber, &action, nullptr) == 0;
}

bool installSignalHandlers() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    // A reader of standard output that goes away must not kill the counter.
    return sigaction(SIGPIPE, &ignore, nullptr) == 0 && installHandler(SIGINT, onStopSignal) &&
           installHandler(SIGTERM, onStopSignal) && installHandler(SIGUSR1, onStaleSignal) &&
           installHandler(SIGUSR2, onVanishSignal);
}

void queueOutput(Session& session, std::int64_t dueMs, std::string bytes) {
    session.output.push_back(PendingOutput{dueMs, std::move(bytes), 0});
}

void logAction(const Session& session, const Action& action) {
    std::string detail = actionName(action.kind);
    const bool counts = action.kind == ActionKind::Ok || action.kind == ActionKind::Split ||
                        action.kind == ActionKind::Late;
    if (counts) {
        detail += " total " + formatTotal(session.counter.total);
    }
    if (action.kind == ActionKind::Hex) {
        detail += " " + encodeHex(action.bytes);
    }
    logEvent(session.log, "action", detail);
}

// Answers one query byte; returns true when the action closes the device.
bool answerQuery(Session& session, std::int64_t nowMs) {
    const Action action = nextAction(session.options, session.counter);
    const Reply reply = replyTo(action, session.options, session.counter);
    logAction(session, action);
    for (const auto& part : reply.parts) {
        queueOutput(session, nowMs + part.delayMs, part.bytes);
    }
    return reply.closeDevice;
}

// Handles the bytes of one read; returns true when the device is to close.
bool handleReceivedBytes(Session& session, std::string_view bytes, std::int64_t nowMs) {
    for (const char byte : bytes) {
        logBytes(session.log, "rx", std::string_view(&byte, 1));
        if (byte == kQueryByte && answerQuery(session, nowMs)) {
            return true;
        }
    }
    return false;
}

// Reads what the poller sent; returns true when the device is to close.
bool receiveFromPoller(Session& session) {
    std::array<char, kReadBufferSize> buffer{};
    const ssize_t count = read(session.pty.masterFd, buffer.data(), buffer.size());
    if (count > 0) {
        const std::string_view bytes(buffer.data(), static_cast<std::size_t>(count));
        return handleReceivedBytes(session, bytes, monotonicMs());
    }
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return false;
    }
    // EIO means no slave descriptor is open; pcsim keeps one, so this is rare.
    logEvent(session.log, "rx-error", count == 0 ? "end of file" : std::strerror(errno));
    pauseMs(kIoErrorRetryMs);
    return false;
}

bool headIsDue(const Session& session, std::int64_t nowMs) {
    return !session.output.empty() && session.output.front().dueMs <= nowMs;
}

// Writes whatever output is due, in order, until the master would block.
void sendDueOutput(Session& session) {
    while (gStopRequested == 0 && gVanishRequested == 0 && headIsDue(session, monotonicMs())) {
        PendingOutput& head = session.output.front();
        if (head.sent < head.bytes.size()) {
            const std::size_t remaining = head.bytes.size() - head.sent;
            const ssize_t written =
                write(session.pty.masterFd, head.bytes.data() + head.sent, remaining);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;  // the poller's input queue is full: wait for POLLOUT
            }
            if (written < 0) {
                logEvent(session.log, "tx-error", std::strerror(errno));
                session.output.pop_front();
                continue;
            }
            const auto count = static_cast<std::size_t>(written);
            logBytes(session.log, "tx", std::string_view(head.bytes).substr(head.sent, count));
            head.sent += count;
        }
        if (head.sent == head.bytes.size()) {
            session.output.pop_front();
        }
    }
}

int pollTimeoutMs(const Session& session, std::int64_t nowMs) {
    if (session.output.empty() || headIsDue(session, nowMs)) {
        return kIdlePollMs;
    }
    const std::int64_t untilDue = session.output.front().dueMs - nowMs;
    return static_cast<int>(std::min<std::int64_t>(untilDue, kIdlePollMs));
}

void sendStaleBytes(Session& session) {
    gStaleRequested = 0;
    if (!session.options.haveStaleBytes) {
        logEvent(session.log, "stale", "none");
        return;
    }
    logBytes(session.log, "stale", session.options.staleBytes);
    queueOutput(session, monotonicMs(), session.options.staleBytes);
}

// Waits for queries, output room, due output or a signal, and handles them.
LoopEnd serveQueries(Session& session) {
    while (true) {
        if (gStopRequested != 0) {
            return LoopEnd::Stopped;
        }
        if (gVanishRequested != 0) {
            logEvent(session.log, "vanish");
            return LoopEnd::DeviceClosed;
        }
        if (gStaleRequested != 0) {
            sendStaleBytes(session);
        }
        sendDueOutput(session);

        const std::int64_t nowMs = monotonicMs();
        pollfd master{session.pty.masterFd, POLLIN, 0};
        if (headIsDue(session, nowMs)) {
            master.events |= POLLOUT;
        }
        const int ready = poll(&master, 1, pollTimeoutMs(session, nowMs));
        if (ready <= 0) {
            continue;  // timeout, or a signal (EINTR): look at the flags again
        }
        if ((master.revents & POLLIN) != 0) {
            if (receiveFromPoller(session)) {
                return LoopEnd::DeviceClosed;
            }
        } else if ((master.revents & (POLLHUP | POLLERR)) != 0) {
            pauseMs(kIoErrorRetryMs);
        }
    }
}

void printSlavePath(const std::string& slavePath) {
    std::printf("%s\n", slavePath.c_str());
    std::fflush(stdout);
}

void shutDown(Session& session, LoopEnd end) {
    if (end == LoopEnd::DeviceClosed) {
        closeMaster(session.pty);
        logEvent(session.log, "close");
    }
    removeLinkIfOurs(session.options.linkPath, session.pty.slavePath);
    closePty(session.pty);
    logEvent(session.log, "stop");
    closeEventLog(session.log);
}

int runSimulator(Session& session) {
    if (!installSignalHandlers()) {
        std::perror("pcsim: cannot install signal handlers");
        return kExitFailure;
    }
    if (!openEventLog(session.log, session.options.logPath)) {
        return kExitFailure;
    }
    if (!openPty(session.pty)) {
        closeEventLog(session.log);
        return kExitFailure;
    }
    if (!session.options.linkPath.empty() &&
        !createLink(session.options.linkPath, session.pty.slavePath)) {
        closePty(session.pty);
        closeEventLog(session.log);
        return kExitFailure;
    }
    session.counter = makeCounterState(session.options);
    printSlavePath(session.pty.slavePath);
    logEvent(session.log, "start", session.pty.slavePath);
    shutDown(session, serveQueries(session));
    return kExitStopped;
}

}  // namespace

int main(int argc, char* argv[]) {
    ParseResult parsed = parseCommandLine(argc, argv);
    if (parsed.outcome == ParseOutcome::ShowHelp) {
        printUsage(stdout);
        return kExitStopped;
    }
    if (parsed.outcome == ParseOutcome::BadUsage) {
        printUsage(stderr);
        return kExitBadUsage;
    }
    Session session;
    session.options = std::move(parsed.options);
    return runSimulator(session);
}
