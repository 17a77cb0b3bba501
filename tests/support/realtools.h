// Real components in the tests: running a command, plain HTTP GET on the
// loopback address, a free loopback port, and the rule that a missing tool
// fails the test in CI (CI=true) and is reported as skipped elsewhere.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testsupport {

struct CommandResult {
    int status = -1;     // exit status, -1 when it did not exit
    std::string output;  // standard output and error together
};

// Runs the command through the shell.
CommandResult runCommand(const std::string& command);

// The full path of the program found on the PATH, or "".
std::string findProgram(const std::string& program);
bool haveProgram(const std::string& program);
bool inCi();

struct HttpResponse {
    int status = 0;  // 0 when no answer came
    std::string body;
};

// GET http://127.0.0.1:port/target (HTTP/1.0), waiting at most timeoutMs.
HttpResponse httpGet(int port, const std::string& target, int timeoutMs = 5000);

// A TCP port on 127.0.0.1 that nothing listens on at the moment.
int freeLoopbackPort();

}  // namespace testsupport

// Fails the test (in CI) or skips it (elsewhere) when program is missing,
// naming the Debian package that provides it.
#define REQUIRE_PROGRAM(program, package)                                                     \
    do {                                                                                      \
        if (!testsupport::haveProgram(program)) {                                             \
            if (testsupport::inCi())                                                          \
                FAIL() << program << " is missing: install the Debian package " << package;   \
            GTEST_SKIP() << program << " is missing: install the Debian package " << package; \
        }                                                                                     \
    } while (0)
