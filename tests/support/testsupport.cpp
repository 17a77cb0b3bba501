// Scratch directories, processes started with libfaketime and waited for
// with a bound, files read and written, bounded polling for a condition,
// the lines and record fields of a text, and the built programs' paths.
#include "testsupport.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace testsupport {

namespace {

constexpr int pollStepMs = 20;

std::vector<std::string> childEnvironment(const ProcessSetup& setup) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text = *entry;
        if (text.rfind("TZ=", 0) == 0 || text.rfind("FAKETIME", 0) == 0 ||
            text.rfind("JOURNAL_STREAM=", 0) == 0 || text.rfind("LD_PRELOAD=", 0) == 0 ||
            text.rfind("ASAN_OPTIONS=", 0) == 0)
            continue;
        env.push_back(text);
    }
    env.push_back("TZ=" + setup.timeZone);
    // libfaketime comes first in the link order only through LD_PRELOAD,
    // which AddressSanitizer would otherwise refuse.
    env.push_back("ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1");
    if (!setup.fakeTimeFile.empty()) {
        env.push_back("FAKETIME_TIMESTAMP_FILE=" + setup.fakeTimeFile);
        env.push_back("FAKETIME_NO_CACHE=1");
        // The monotonic clock keeps real time, as on a machine whose wall
        // clock is set: a step of the file is a step of the wall clock only.
        env.push_back("FAKETIME_DONT_FAKE_MONOTONIC=1");
        env.push_back("LD_PRELOAD=" + fakeTimeLibrary());
    } else if (!setup.fakeTime.empty()) {
        env.push_back("FAKETIME=" + setup.fakeTime);
        env.push_back("FAKETIME_NO_CACHE=1");
        env.push_back("LD_PRELOAD=" + fakeTimeLibrary());
    }
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (auto& text : texts) result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

// Names the files of a process's standard streams after its program, so
// that several processes can share a working directory.
std::string streamPath(const ProcessSetup& setup, const std::string& stream) {
    return setup.workDir + "/." + std::filesystem::path(setup.program).filename().string() + "." +
           stream;
}

// The directory of this test program's scratch directories: a fresh one in
// /tmp, whose name has no point, so that no path the tests give the
// programs inherits a point of the checkout's path (the poller splits its
// report entry at the first point).  Removed at exit when empty.
struct WorkRoot {
    WorkRoot() {
        char pattern[] = "/tmp/pctest-XXXXXX";
        path = mkdtemp(pattern) != nullptr ? pattern : PC_TEST_WORK_DIR;
    }
    ~WorkRoot() { rmdir(path.c_str()); }
    std::string path;
};

const std::string& workRoot() {
    static const WorkRoot root;
    return root.path;
}

}  // namespace

ScratchDir::ScratchDir(const std::string& name) {
    // The process id keeps apart tests that ctest runs side by side.
    path = workRoot() + "/" + name + "-" + std::to_string(getpid());
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
}

ScratchDir::~ScratchDir() {
    if (std::getenv("PC_KEEP_TEST_DIRS") == nullptr) {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
}

std::string ScratchDir::root(const std::string& fixedPath) const {
    return path + "/" + PC_TEST_ROOT_NAME + fixedPath;
}

pid_t startProcess(const ProcessSetup& setup) {
    std::vector<std::string> argv{setup.argv0.empty() ? setup.program : setup.argv0};
    argv.insert(argv.end(), setup.args.begin(), setup.args.end());
    std::vector<std::string> env = childEnvironment(setup);
    std::string inputPath = streamPath(setup, "in");
    writeFile(inputPath, setup.input);
    std::string outPath = streamPath(setup, "out");
    std::string errPath = streamPath(setup, "err");

    pid_t pid = fork();
    if (pid != 0) return pid;
    // Child: set up the working directory and standard streams, then exec.
    if (chdir(setup.workDir.c_str()) != 0) _exit(126);
    int in = open(inputPath.c_str(), O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) _exit(126);
    if (setup.fileSizeLimit > 0) {
        // Only the soft limit: the test may lift it again while the
        // process runs.
        struct rlimit limit {};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = static_cast<rlim_t>(setup.fileSizeLimit);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    }
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    int gone[2];
    if (setup.journalGone && pipe(gone) == 0) {
        dup2(gone[1], 2);
        close(gone[0]);
        close(gone[1]);
    }
    struct stat errStatus {};
    if (setup.journalStream && fstat(2, &errStatus) == 0)
        env.push_back("JOURNAL_STREAM=" + std::to_string(errStatus.st_dev) + ":" +
                      std::to_string(errStatus.st_ino));
    std::vector<char*> args = pointers(argv);
    std::vector<char*> envp = pointers(env);
    execve(setup.program.c_str(), args.data(), envp.data());
    _exit(127);
}

ProcessResult waitProcess(pid_t pid, const ProcessSetup& setup, int timeoutMs) {
    ProcessResult result;
    int status = 0;
    if (!waitUntil([&] { return waitpid(pid, &status, WNOHANG) != 0; }, timeoutMs)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.status = 128 + WTERMSIG(status);
    result.out = readFile(streamPath(setup, "out"));
    result.err = readFile(streamPath(setup, "err"));
    return result;
}

ProcessResult runProcess(const ProcessSetup& setup, int timeoutMs) {
    return waitProcess(startProcess(setup), setup, timeoutMs);
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool pathExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
}

void makeDirs(const std::string& path) { std::filesystem::create_directories(path); }

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += pollStepMs) {
        if (done()) return true;
        sleepMs(pollStepMs);
    }
    return done();
}

bool waitForText(const std::string& path, const std::string& text, int timeoutMs) {
    return waitUntil([&] { return readFile(path).find(text) != std::string::npos; }, timeoutMs);
}

void sleepMs(int ms) {
    timespec pause{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

std::string field(const std::string& line, int index) {
    std::size_t from = 0;
    for (int i = 0; i < index; ++i) from = line.find(';', from) + 1;
    return line.substr(from, line.find(';', from) - from);
}

std::string pollerProgram() { return PC_TEST_POLLER; }
std::string viewerProgram() { return PC_TEST_VIEWER; }
std::string simulatorProgram() { return PC_TEST_SIMULATOR; }
std::string fakeTimeLibrary() { return PC_FAKETIME_LIBRARY; }

}  // namespace testsupport
