// The poller rig: the simulator started on a link in the test's directory,
// the configuration written for it, the poller started and stopped on a
// faked clock, and its logs and reports read back.
#include "rig.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace testsupport {

namespace {
constexpr int linkTimeoutMs = 10000;
}  // namespace

Simulator startSimulator(const std::string& workDir, const std::string& linkPath,
                         const std::vector<std::string>& args) {
    // Each simulator makes a link of its own, and the port's link points to
    // it.  The test removes that link before the simulator ends, so that
    // the port never leads to a pseudo-terminal that another program on the
    // machine has been given the number of.
    static int instances = 0;
    Simulator sim;
    sim.link = linkPath;
    sim.ownLink = linkPath + "-sim" + std::to_string(++instances);
    sim.logPath = workDir + "/pcsim.log";
    sim.setup.program = simulatorProgram();
    sim.setup.workDir = workDir;
    sim.setup.args = {"--link", sim.ownLink, "--log", sim.logPath};
    sim.setup.args.insert(sim.setup.args.end(), args.begin(), args.end());
    sim.pid = startProcess(sim.setup);
    waitUntil([&] { return pathExists(sim.ownLink); }, linkTimeoutMs);
    std::string temporary = linkPath + "-new";
    unlink(temporary.c_str());
    std::string target = std::filesystem::path(sim.ownLink).filename().string();
    if (symlink(target.c_str(), temporary.c_str()) == 0)
        std::rename(temporary.c_str(), linkPath.c_str());
    return sim;
}

void stopSimulator(Simulator& sim, int signal) {
    if (sim.pid <= 0) return;
    unlink(sim.ownLink.c_str());
    kill(sim.pid, signal);
    waitProcess(sim.pid, sim.setup, linkTimeoutMs);
    sim.pid = -1;
}

PollerRig::PollerRig(const std::string& name, const std::string& invocation)
    : dir(name), invocation(invocation), port(dir.path + "/tty") {
    makeDirs(dir.root("/opt/velmora/log"));
    makeDirs(dir.root("/var/log/korvane"));
}

PollerRig::~PollerRig() {
    if (poller > 0) {
        kill(poller, SIGKILL);
        waitpid(poller, nullptr, 0);
    }
    stopSimulator(sim);
}

void PollerRig::configure(const std::string& recordtime, const std::string& opentime,
                          const std::string& extra) {
    writeFile(dir.root("/opt/velmora/" + invocation + ".conf"),
              "portname = " + port + "\nentry = " + dir.root("/var/log/korvane/door1.csv") +
                  "\nrecordtime = " + recordtime + "\nopentime = " + opentime + "\n" + extra);
}

void PollerRig::simulate(const std::vector<std::string>& args) {
    sim = startSimulator(dir.path, port, args);
}

void PollerRig::startPoller(const std::string& fakeTime, const std::vector<std::string>& args,
                            const std::string& timeZone, long fileSizeLimit) {
    pollerSetup.timeZone = timeZone;
    pollerSetup.fileSizeLimit = fileSizeLimit;
    pollerSetup.program = pollerProgram();
    pollerSetup.argv0 = invocation;
    pollerSetup.args = args;
    pollerSetup.workDir = dir.path;
    pollerSetup.fakeTime = fakeTime;
    poller = startProcess(pollerSetup);
}

void PollerRig::startPollerOnClock(const std::string& clock, const std::vector<std::string>& args) {
    setClock(clock);
    pollerSetup.fakeTimeFile = dir.path + "/clock";
    startPoller("", args);
}

void PollerRig::setClock(const std::string& clock) const {
    writeFile(dir.path + "/clock", clock + "\n");
}

ProcessResult PollerRig::stopPoller(int signal, int timeoutMs) {
    kill(poller, signal);
    ProcessResult result = waitProcess(poller, pollerSetup, timeoutMs);
    poller = -1;
    return result;
}

std::string PollerRig::reportPath(const std::string& date) const {
    return dir.root("/var/log/korvane/door1_" + date + ".csv");
}

std::string PollerRig::report(const std::string& date) const { return readFile(reportPath(date)); }

std::string PollerRig::verboseLog() const {
    return readFile(dir.root("/opt/velmora/log/" + invocation + "_v.log"));
}

std::string PollerRig::eventLog() const {
    return readFile(dir.root("/opt/velmora/log/" + invocation + ".log"));
}

std::string PollerRig::comLog() const { return readFile(dir.root("/opt/velmora/log/comlog.txt")); }

std::string PollerRig::simulatorLog() const { return readFile(sim.logPath); }

bool PollerRig::waitForVerbose(const std::string& text, int count, int timeoutMs) const {
    return waitUntil([&] { return occurrences(verboseLog(), text) >= count; }, timeoutMs);
}

bool PollerRig::waitForEvent(const std::string& text, int timeoutMs) const {
    return waitForText(dir.root("/opt/velmora/log/" + invocation + ".log"), text, timeoutMs);
}

bool PollerRig::waitForLines(const std::string& date, int lines, int timeoutMs) const {
    return waitUntil([&] { return occurrences(report(date), "\n") >= lines; }, timeoutMs);
}

int occurrences(const std::string& haystack, const std::string& text) {
    int count = 0;
    for (std::size_t at = haystack.find(text); at != std::string::npos;
         at = haystack.find(text, at + text.size()))
        ++count;
    return count;
}

}  // namespace testsupport
