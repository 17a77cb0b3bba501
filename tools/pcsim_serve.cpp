// The simulated counter at work: the signals it obeys, the loop that reads
// query bytes from the pseudo-terminal and answers them in order with the
// delays the script asks for, and the whole run from opening the device to
// the last line of the event log.
#include "pcsim_serve.h"

#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "pcsim_hex.h"

namespace {

constexpr int idlePollMs = 100;      // how soon an idle loop notices a signal flag
constexpr int ioErrorRetryMs = 100;  // pause after the master reports an error
constexpr std::size_t readBufferSize = 256;
constexpr std::int64_t millisecondsPerSecond = 1000;
constexpr std::int64_t nanosecondsPerMillisecond = 1000000;

// Set by the signal handlers (or requestStop), read by the loop.
std::atomic<bool> stopRequested{false};
std::atomic<bool> staleRequested{false};
std::atomic<bool> vanishRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets the flags");

void onStopSignal(int /*signal*/) { stopRequested = true; }
void onStaleSignal(int /*signal*/) { staleRequested = true; }
void onVanishSignal(int /*signal*/) { vanishRequested = true; }

std::int64_t monotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t seconds = now.tv_sec;
    const std::int64_t nanoseconds = now.tv_nsec;
    return seconds * millisecondsPerSecond + nanoseconds / nanosecondsPerMillisecond;
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

void queueOutput(SimSession& session, std::int64_t dueMs, std::string bytes) {
    session.output.push_back(PendingOutput{dueMs, std::move(bytes), 0});
}

void logAction(const SimSession& session, const Action& action) {
    std::string detail = actionName(action.kind);
    const bool counts = action.kind == ActionKind::ok || action.kind == ActionKind::split ||
                        action.kind == ActionKind::late;
    if (counts) {
        detail += " total " + formatTotal(session.counter.total);
    }
    if (action.kind == ActionKind::hex) {
        detail += " " + encodeHex(action.bytes);
    }
    logEvent(session.log, "action", detail);
}

// Answers one query byte; returns true when the action closes the device.
bool answerQuery(SimSession& session, std::int64_t nowMs) {
    const Action action = nextAction(session.options, session.counter);
    const Reply reply = replyTo(action, session.options, session.counter);
    logAction(session, action);
    for (const auto& part : reply.parts) {
        queueOutput(session, nowMs + part.delayMs, part.bytes);
    }
    return reply.closeDevice;
}

// Handles the bytes of one read; returns true when the device is to close.
bool handleReceivedBytes(SimSession& session, std::string_view bytes, std::int64_t nowMs) {
    for (const char byte : bytes) {
        logBytes(session.log, "rx", std::string_view(&byte, 1));
        if (byte == queryByte && answerQuery(session, nowMs)) {
            return true;
        }
    }
    return false;
}

// Reads what the poller sent; returns true when the device is to close.
bool receiveFromPoller(SimSession& session) {
    std::array<char, readBufferSize> buffer{};
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
    pauseMs(ioErrorRetryMs);
    return false;
}

bool headIsDue(const SimSession& session, std::int64_t nowMs) {
    return !session.output.empty() && session.output.front().dueMs <= nowMs;
}

// Writes whatever output is due, in order, until the master would block.
void sendDueOutput(SimSession& session) {
    while (!stopRequested && !vanishRequested && headIsDue(session, monotonicMs())) {
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

int pollTimeoutMs(const SimSession& session, std::int64_t nowMs) {
    if (session.output.empty() || headIsDue(session, nowMs)) {
        return idlePollMs;
    }
    const std::int64_t untilDue = session.output.front().dueMs - nowMs;
    return static_cast<int>(std::min<std::int64_t>(untilDue, idlePollMs));
}

void sendStaleBytes(SimSession& session) {
    staleRequested = false;
    if (!session.options.haveStaleBytes) {
        logEvent(session.log, "stale", "none");
        return;
    }
    logBytes(session.log, "stale", session.options.staleBytes);
    queueOutput(session, monotonicMs(), session.options.staleBytes);
}

void printSlavePath(const std::string& slavePath) {
    std::printf("%s\n", slavePath.c_str());
    std::fflush(stdout);
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

}  // namespace

void requestStop() { stopRequested = true; }

// Waits for queries, output room, due output or a signal, and handles them.
LoopEnd serveQueries(SimSession& session) {
    while (true) {
        if (stopRequested.exchange(false)) {
            return LoopEnd::stopped;
        }
        if (vanishRequested.exchange(false)) {
            logEvent(session.log, "vanish");
            return LoopEnd::deviceClosed;
        }
        if (staleRequested) {
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
                return LoopEnd::deviceClosed;
            }
        } else if ((master.revents & (POLLHUP | POLLERR)) != 0) {
            pauseMs(ioErrorRetryMs);
        }
    }
}

void shutDown(SimSession& session, LoopEnd end) {
    if (end == LoopEnd::deviceClosed) {
        closeMaster(session.pty);
        logEvent(session.log, "close");
    }
    removeLinkIfOurs(session.options.linkPath, session.pty.slavePath);
    closePty(session.pty);
    logEvent(session.log, "stop");
    closeEventLog(session.log);
}

int runSimulator(SimSession& session) {
    if (!installSignalHandlers()) {
        std::perror("pcsim: cannot install signal handlers");
        return exitFailure;
    }
    if (!openEventLog(session.log, session.options.logPath)) {
        return exitFailure;
    }
    if (!openPty(session.pty)) {
        closeEventLog(session.log);
        return exitFailure;
    }
    if (!session.options.linkPath.empty() &&
        !createLink(session.options.linkPath, session.pty.slavePath)) {
        closePty(session.pty);
        closeEventLog(session.log);
        return exitFailure;
    }
    session.counter = makeCounterState(session.options);
    printSlavePath(session.pty.slavePath);
    logEvent(session.log, "start", session.pty.slavePath);
    shutDown(session, serveQueries(session));
    return exitStopped;
}
