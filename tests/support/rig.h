// A poller under test: the scratch-root copy of pcpoll on a faked clock,
// talking to the simulated counter over a pseudo-terminal.
#pragma once

#include <signal.h>

#include "testsupport.h"

namespace testsupport {

struct Simulator {
    pid_t pid = -1;
    ProcessSetup setup;
    std::string link;     // path of the port: a link to ownLink
    std::string ownLink;  // this simulator's link to its pty
    std::string logPath;  // what the simulator received and sent
};

// Starts pcsim with its port link at linkPath (through a link of this
// simulator's own); waits until the link exists.
Simulator startSimulator(const std::string& workDir, const std::string& linkPath,
                         const std::vector<std::string>& args);
void stopSimulator(Simulator& sim, int signal = SIGTERM);

struct PollerRig {
    explicit PollerRig(const std::string& name, const std::string& invocation = "door1");
    ~PollerRig();

    // Writes the configuration: port at the simulator's link, the report
    // entry under the scratch root, and the given values and extra lines.
    void configure(const std::string& recordtime, const std::string& opentime,
                   const std::string& extra = "");
    void simulate(const std::vector<std::string>& args);
    void startPoller(const std::string& fakeTime, const std::vector<std::string>& args = {},
                     const std::string& timeZone = "UTC", long fileSizeLimit = 0);
    // Starts the poller on the clock kept in the rig's clock file, which
    // setClock rewrites while it runs: a step of its wall clock.
    void startPollerOnClock(const std::string& clock, const std::vector<std::string>& args = {});
    void setClock(const std::string& clock) const;
    // Sends the signal and waits for the poller to end.
    ProcessResult stopPoller(int signal = SIGTERM, int timeoutMs = 20000);

    std::string reportPath(const std::string& date) const;
    std::string report(const std::string& date) const;
    std::string verboseLog() const;
    std::string eventLog() const;
    std::string comLog() const;
    std::string simulatorLog() const;
    // Waits until the verbose log holds the text count times.
    bool waitForVerbose(const std::string& text, int count = 1, int timeoutMs = 30000) const;
    bool waitForEvent(const std::string& text, int timeoutMs = 30000) const;
    // Waits until the report of the date holds at least that many lines.
    bool waitForLines(const std::string& date, int lines, int timeoutMs = 60000) const;

    ScratchDir dir;
    std::string invocation;
    std::string port;
    Simulator sim;
    ProcessSetup pollerSetup;
    pid_t poller = -1;
};

// Number of times text occurs in haystack.
int occurrences(const std::string& haystack, const std::string& text);

}  // namespace testsupport
