// The simulated counter in process: its command line, the exact bytes and
// delays of every answer script action, the looping script, the total's
// steps and wrap, the hex bytes; and the serving loop on a real
// pseudo-terminal, where a delayed part holds back what follows it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "pcsim_counter.h"
#include "pcsim_hex.h"
#include "pcsim_options.h"
#include "pcsim_serve.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

ParseResult parse(std::initializer_list<const char*> args) {
    std::vector<std::string> words{"pcsim"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    return parseCommandLine(static_cast<int>(words.size()), argv.data());
}

SimOptions optionsOf(std::initializer_list<const char*> args) {
    ParseResult parsed = parse(args);
    EXPECT_EQ(parsed.outcome, ParseOutcome::run);
    return parsed.options;
}

// One reply as text: each part as "+delay:bytes-in-hex", and "close" for a
// reply that closes the device.
std::string shown(const Reply& reply) {
    std::string text;
    for (const TimedBytes& part : reply.parts)
        text += "+" + std::to_string(part.delayMs) + ":" + encodeHex(part.bytes) + " ";
    if (reply.closeDevice) text += "close";
    return text;
}

// The replies to the next count queries.
std::vector<std::string> answers(const SimOptions& options, int count) {
    CounterState state = makeCounterState(options);
    std::vector<std::string> replies;
    for (int i = 0; i < count; ++i) {
        const Action action = nextAction(options, state);
        replies.push_back(std::string(actionName(action.kind)) + " " +
                          shown(replyTo(action, options, state)));
    }
    return replies;
}

// Reads from fd until want bytes came or timeoutMs passed.
std::string readBytes(int fd, std::size_t want, int timeoutMs) {
    std::string bytes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (bytes.size() < want) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) != 1) break;
        char buffer[256];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return bytes;
}

// A session served on a thread, with the poller's end of the line open.
struct ServedCounter {
    explicit ServedCounter(SimOptions options) {
        session.options = std::move(options);
        if (!openEventLog(session.log, session.options.logPath) || !openPty(session.pty)) return;
        session.counter = makeCounterState(session.options);
        line = open(session.pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        server = std::thread([this] { end = serveQueries(session); });
    }
    ~ServedCounter() {
        if (server.joinable()) {
            requestStop();
            server.join();
        }
        if (line != -1) close(line);
        closePty(session.pty);
        closeEventLog(session.log);
    }
    void send(const std::string& bytes) const {
        ASSERT_EQ(write(line, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    SimSession session;
    int line = -1;
    std::thread server;
    LoopEnd end = LoopEnd::stopped;
};

}  // namespace

// ---- the command line

TEST(PcsimOptions, DefaultsAndEveryOption) {
    const SimOptions defaults = optionsOf({});
    EXPECT_EQ(defaults.startTotal, 0u);
    EXPECT_EQ(defaults.step, 1u);
    EXPECT_FALSE(defaults.stepRandom);
    EXPECT_EQ(defaults.seed, 1u);
    EXPECT_TRUE(defaults.script.empty());
    EXPECT_FALSE(defaults.loopScript);
    EXPECT_EQ(defaults.splitDelayMs, 1500);
    EXPECT_EQ(defaults.floodBytes, 4096u);
    EXPECT_FALSE(defaults.haveStaleBytes);
    EXPECT_EQ(defaults.linkPath, "");
    EXPECT_EQ(defaults.logPath, "");

    const SimOptions set =
        optionsOf({"--link", "tty", "--start", "122", "--step-random", "9", "--seed", "7",
                   "--script", "ok,hex:0A0d", "--loop", "--split-delay", "750", "--flood-bytes",
                   "10", "--stale", "303132", "--log", "sim.log"});
    EXPECT_EQ(set.linkPath, "tty");
    EXPECT_EQ(set.startTotal, 122u);
    EXPECT_TRUE(set.stepRandom);
    EXPECT_EQ(set.stepRandomMax, 9u);
    EXPECT_EQ(set.seed, 7u);
    ASSERT_EQ(set.script.size(), 2u);
    EXPECT_EQ(set.script[0].kind, ActionKind::ok);
    EXPECT_EQ(set.script[1].kind, ActionKind::hex);
    EXPECT_EQ(set.script[1].bytes, "\n\r");
    EXPECT_TRUE(set.loopScript);
    EXPECT_EQ(set.splitDelayMs, 750);
    EXPECT_EQ(set.floodBytes, 10u);
    EXPECT_TRUE(set.haveStaleBytes);
    EXPECT_EQ(set.staleBytes, "012");
    EXPECT_EQ(set.logPath, "sim.log");

    EXPECT_EQ(parse({"--help"}).outcome, ParseOutcome::showHelp);
}

TEST(PcsimOptions, BadValuesAreBadUsage) {
    for (const char* script : {"bogus", "ok,,fault", "ok,", "hex:", "hex:0", "hex:zz", "OK"})
        EXPECT_EQ(parse({"--script", script}).outcome, ParseOutcome::badUsage) << script;
    EXPECT_EQ(parse({"--start", "-1"}).outcome, ParseOutcome::badUsage);
    EXPECT_EQ(parse({"--step", "1x"}).outcome, ParseOutcome::badUsage);
    EXPECT_EQ(parse({"--seed", "4294967296"}).outcome, ParseOutcome::badUsage);
    EXPECT_EQ(parse({"--split-delay", "86400001"}).outcome, ParseOutcome::badUsage);
    EXPECT_EQ(parse({"--split-delay", "86400000"}).outcome, ParseOutcome::run);
    EXPECT_EQ(parse({"--flood-bytes", "67108865"}).outcome, ParseOutcome::badUsage);
    EXPECT_EQ(parse({"--stale", "0g"}).outcome, ParseOutcome::badUsage);
    EXPECT_EQ(parse({"--link", ""}).outcome, ParseOutcome::badUsage);
    EXPECT_EQ(parse({"--nonsense"}).outcome, ParseOutcome::badUsage);
    EXPECT_EQ(parse({"extra"}).outcome, ParseOutcome::badUsage);
}

// ---- the answer scripts

TEST(PcsimScript, EachActionSendsItsExactBytes) {
    const SimOptions options =
        optionsOf({"--start", "122", "--split-delay", "750", "--flood-bytes", "10", "--script",
                   "ok,fault,silent,split,late,garbage,flood,hex:0a0d46ff00,close"});
    EXPECT_EQ(answers(options, 10), (std::vector<std::string>{
                                        "ok +0:0a0d303030313233 ",           // \n\r000123
                                        "fault +0:0a0d46 ",                  // \n\rF, not counted
                                        "silent ",                           // nothing at all
                                        "split +0:0a0d30303031 +750:3234 ",  // \n\r0001, later 24
                                        "late +750:0a0d303030313235 ",       // all of it later
                                        "garbage +0:78797a0d0a313280a5ff7f ",
                                        "flood +0:41424344454647484142 ",  // ABCDEFGHAB
                                        "hex +0:0a0d46ff00 ", "close close",
                                        "ok +0:0a0d303030313236 ",  // the script used up: ok
                                    }));
}

TEST(PcsimScript, LoopRepeatsTheScript) {
    const SimOptions options = optionsOf({"--script", "fault,ok", "--loop"});
    EXPECT_EQ(answers(options, 5), (std::vector<std::string>{
                                       "fault +0:0a0d46 ",
                                       "ok +0:0a0d303030303031 ",
                                       "fault +0:0a0d46 ",
                                       "ok +0:0a0d303030303032 ",
                                       "fault +0:0a0d46 ",
                                   }));
}

TEST(PcsimScript, StepsAndTheWrapAfter999999) {
    EXPECT_EQ(answers(optionsOf({"--start", "999998", "--step", "1"}), 3),
              (std::vector<std::string>{"ok +0:0a0d393939393939 ", "ok +0:0a0d303030303030 ",
                                        "ok +0:0a0d303030303031 "}));
    EXPECT_EQ(answers(optionsOf({"--start", "1000005", "--step", "2000000"}), 1),
              (std::vector<std::string>{"ok +0:0a0d303030303035 "}))
        << "start and step are taken modulo 1000000";
    EXPECT_EQ(formatTotal(42), "000042");

    // Random steps stay within 0..MAX and repeat with the seed.
    const SimOptions random = optionsOf({"--step-random", "3", "--seed", "5"});
    CounterState state = makeCounterState(random);
    std::uint32_t previous = 0;
    for (int i = 0; i < 50; ++i) {
        replyTo(Action{}, random, state);
        EXPECT_LE(state.total - previous, 3u);
        previous = state.total;
    }
    EXPECT_EQ(answers(random, 20), answers(random, 20));
}

TEST(PcsimHex, BothCasesInLowerCaseOut) {
    EXPECT_EQ(decodeHex("0A0d46fF00"), std::string("\n\rF\xff\0", 5));
    EXPECT_EQ(encodeHex(std::string("\n\rF\xff\0", 5)), "0a0d46ff00");
    EXPECT_FALSE(decodeHex(""));
    EXPECT_FALSE(decodeHex("0a0"));
    EXPECT_FALSE(decodeHex("0x"));
}

// ---- the serving loop on a pseudo-terminal

TEST(PcsimServe, ADelayedPartHoldsBackWhatFollows) {
    ServedCounter counter(optionsOf({"--script", "split,ok", "--split-delay", "1000"}));
    ASSERT_NE(counter.line, -1);
    counter.send("rr");
    EXPECT_EQ(readBytes(counter.line, 6, 5000), "\n\r0000");
    // The tail of the split answer is due a second after the query; the ok
    // answer queued behind it waits for it.
    EXPECT_EQ(readBytes(counter.line, 1, 300), "");
    EXPECT_EQ(readBytes(counter.line, 10, 5000), "01\n\r000002");
}

TEST(PcsimServe, CloseEndsTheLoopAndIsLogged) {
    ScratchDir dir("pcsim_serve_close");
    const std::string log = dir.path + "/sim.log";
    ServedCounter counter(optionsOf({"--script", "ok,close", "--log", log.c_str()}));
    ASSERT_NE(counter.line, -1);
    counter.send("r");
    EXPECT_EQ(readBytes(counter.line, 8, 5000), "\n\r000001");
    counter.send("r");
    counter.server.join();
    EXPECT_EQ(counter.end, LoopEnd::deviceClosed);
    shutDown(counter.session, counter.end);
    EXPECT_EQ(readFile(log),
              "rx 72\naction ok total 000001\ntx 0a0d303030303031\nrx 72\naction close\nclose\n"
              "stop\n");
}

TEST(PcsimServe, AStopRequestEndsTheLoop) {
    ServedCounter counter(optionsOf({}));
    ASSERT_NE(counter.line, -1);
    counter.send("r");
    EXPECT_EQ(readBytes(counter.line, 8, 5000), "\n\r000001");
    requestStop();
    counter.server.join();
    EXPECT_EQ(counter.end, LoopEnd::stopped);
}
