// Running pcstat in a test: the scratch-root copy that the including test
// target names as PC_TEST_STAT, in a working directory, on a time zone
// and, when given, a faked clock.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "testsupport.h"

namespace testsupport {

inline ProcessResult runStat(const std::string& workDir, std::vector<std::string> args,
                             int timeoutMs, const std::string& timeZone = "UTC",
                             const std::string& fakeTime = "") {
    ProcessSetup setup;
    setup.program = PC_TEST_STAT;
    setup.args = std::move(args);
    setup.workDir = workDir;
    setup.timeZone = timeZone;
    setup.fakeTime = fakeTime;
    return runProcess(setup, timeoutMs);
}

}  // namespace testsupport
