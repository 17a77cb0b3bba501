// Helpers of the end-to-end tests: running the scratch-root copies of the
// programs in a directory of their own, on a clock driven by libfaketime,
// and reading what they wrote.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh directory, named after the test and the process, in a directory
// of the test program under /tmp whose path has no point; removed at
// destruction unless the environment variable PC_KEEP_TEST_DIRS is set.
struct ScratchDir {
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string path;
    // Absolute path of a file or directory below the scratch root that the
    // test copies use for their fixed paths ("scratch/opt/velmora/...").
    std::string root(const std::string& fixedPath) const;
};

struct ProcessSetup {
    std::string program;            // path of the executable
    std::string argv0;              // invocation name; program when empty
    std::vector<std::string> args;  // further arguments
    std::string workDir;            // working directory
    std::string fakeTime;           // FAKETIME value; empty for the real clock
    // A file holding the FAKETIME value instead, which the test may rewrite
    // while the process runs (a clock that is stepped).
    std::string fakeTimeFile;
    // Standard error stands for the systemd journal: JOURNAL_STREAM holds
    // its device and inode.
    bool journalStream = false;
    // With journalStream: standard error is a pipe that nobody reads (a
    // journal that has gone away), so a write to it raises SIGPIPE.
    bool journalGone = false;
    std::string timeZone = "UTC";  // TZ value
    std::string input;             // written to standard input, then closed
    long fileSizeLimit = 0;        // RLIMIT_FSIZE in bytes; 0 for none
};

struct ProcessResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Starts the process; its standard output and error go to files in the
// working directory.
pid_t startProcess(const ProcessSetup& setup);
// Waits for a started process at most timeoutMs; kills it after that.
ProcessResult waitProcess(pid_t pid, const ProcessSetup& setup, int timeoutMs);
// Starts and waits.
ProcessResult runProcess(const ProcessSetup& setup, int timeoutMs);

std::string readFile(const std::string& path);
bool pathExists(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
void makeDirs(const std::string& path);
// Polls done until it holds or timeoutMs passes; returns its last result.
bool waitUntil(const std::function<bool()>& done, int timeoutMs);
// Polls until the file contains the text or timeoutMs passes.
bool waitForText(const std::string& path, const std::string& text, int timeoutMs);
void sleepMs(int ms);
// Lines of a text, line feeds removed.
std::vector<std::string> splitLines(const std::string& text);
// Field index of a record line (0 is the time), the text between its
// semicolons, blanks kept: field("10:00;   100; 0; 1;0X...", 3) is " 1".
std::string field(const std::string& line, int index);

// Locations of the built programs and of libfaketime, from the build.
std::string pollerProgram();
std::string viewerProgram();
std::string simulatorProgram();
std::string fakeTimeLibrary();

}  // namespace testsupport
