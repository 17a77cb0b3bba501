// The example of collecting reports centrally, end to end: the example
// script's rsync over SSH against a local sshd (started here on a free
// loopback port with a throwaway host key, a throwaway user key and a
// known_hosts file, and ended by its process id), then pcstat --league
// over what it copied, with the copied configurations as schedules.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "realtools.h"
#include "record.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

constexpr int runTimeoutMs = 60000;
constexpr int startTimeoutMs = 10000;

// Whether something on the loopback port answers with an SSH banner
// within timeoutMs.
bool sshAnswers(int port, int timeoutMs) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool answered = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        pollfd wait{fd, POLLIN, 0};
        char banner[8] = {};
        answered = poll(&wait, 1, timeoutMs) == 1 && read(fd, banner, 4) == 4 &&
                   std::string(banner, 4) == "SSH-";
    }
    close(fd);
    return answered;
}

std::string program(const std::string& name) {
    std::string found = findProgram(name);
    if (found.empty() && pathExists("/usr/sbin/" + name)) found = "/usr/sbin/" + name;
    return found;
}

std::string rec(const std::string& time, int total) {
    return recordLine(recordBodyText(time, total, 0, 0));
}

// The public key part of a .pub file: its type and key, without the comment.
std::string publicKey(const std::string& path) {
    std::string text = readFile(path);
    std::size_t second = text.find(' ', text.find(' ') + 1);
    return text.substr(0, second);
}

std::string userName() {
    CommandResult who = runCommand("id -un");
    return who.output.substr(0, who.output.find('\n'));
}

}  // namespace

TEST(CollectExample, RsyncOverSshThenTheLeague) {
    std::string sshd = program("sshd"), rsync = program("rsync"), keygen = program("ssh-keygen");
    for (const auto& [path, name, package] :
         {std::tuple{sshd, "sshd", "openssh-server"}, std::tuple{rsync, "rsync", "rsync"},
          std::tuple{keygen, "ssh-keygen", "openssh-client"}}) {
        if (!path.empty()) continue;
        if (inCi()) FAIL() << name << " is missing: install the Debian package " << package;
        GTEST_SKIP() << name << " is missing: install the Debian package " << package;
    }
    ScratchDir dir("collect");
    std::string confdir = dir.path + "/etc", central = dir.path + "/central";
    makeDirs(confdir);
    makeDirs(central);
    // The shops' side: reports and a poller configuration each.
    for (const char* shop : {"north", "south"}) {
        std::string base = dir.path + "/" + shop;
        makeDirs(base + "/log");
        makeDirs(base + "/conf");
        int step = std::string(shop) == "north" ? 10 : 30;
        writeFile(base + "/log/door1_20240229.csv",
                  rec("09:00", 0) + rec("10:00", step) + rec("11:00", 2 * step));
        writeFile(base + "/log/door1_20240301.csv", rec("09:00", 2 * step));
        writeFile(base + "/log/notes.txt", "not copied\n");
        writeFile(base + "/conf/door1.conf",
                  "portname = /dev/ttyS0\nentry = /var/log/korvane/door1.csv\n"
                  "recordtime = 3600\nopentime = 09:00-11:00\nSunday = 00:00-00:00\n");
    }
    // Keys and the server's configuration.
    ASSERT_EQ(runCommand(keygen + " -q -t ed25519 -N '' -f " + dir.path + "/host_key").status, 0);
    ASSERT_EQ(runCommand(keygen + " -q -t ed25519 -N '' -f " + confdir + "/id_ed25519").status, 0);
    writeFile(dir.path + "/authorized_keys", readFile(confdir + "/id_ed25519.pub"));
    int port = freeLoopbackPort();
    ASSERT_GT(port, 0);
    writeFile(confdir + "/known_hosts", "[127.0.0.1]:" + std::to_string(port) + " " +
                                            publicKey(dir.path + "/host_key.pub") + "\n");
    writeFile(dir.path + "/sshd_config",
              "Port " + std::to_string(port) + "\nListenAddress 127.0.0.1\nHostKey " + dir.path +
                  "/host_key\nAuthorizedKeysFile " + dir.path +
                  "/authorized_keys\nStrictModes no\nPasswordAuthentication no\n"
                  "KbdInteractiveAuthentication no\nUsePAM no\nPermitRootLogin "
                  "prohibit-password\nPidFile none\nLogLevel ERROR\n");
    // Run as root, sshd wants its privilege separation directory.
    if (geteuid() == 0 && !pathExists("/run/sshd")) mkdir("/run/sshd", 0755);

    ProcessSetup server;
    server.program = sshd;
    server.args = {"-D", "-e", "-f", dir.path + "/sshd_config"};
    server.workDir = dir.path;
    pid_t serverPid = startProcess(server);
    ASSERT_GT(serverPid, 0);
    bool up = waitUntil([&] { return sshAnswers(port, 500); }, startTimeoutMs);

    std::string host = userName() + "@127.0.0.1";
    writeFile(confdir + "/shops", "# the shops\n\nnorth " + host + " " + std::to_string(port) +
                                      " " + dir.path + "/north/log " + dir.path +
                                      "/north/conf\nsouth " + host + " " + std::to_string(port) +
                                      " " + dir.path + "/south/log " + dir.path + "/south/conf\n");
    ProcessSetup collect;
    collect.program = "/bin/sh";
    collect.args = {PC_COLLECT_SCRIPT, confdir, central};
    collect.workDir = dir.path;
    ProcessResult copied = runProcess(collect, runTimeoutMs);

    kill(serverPid, SIGTERM);
    ProcessResult serverEnd = waitProcess(serverPid, server, startTimeoutMs);
    ASSERT_TRUE(up) << "sshd did not answer on port " << port << ": " << serverEnd.err;
    EXPECT_EQ(copied.status, 0) << copied.err << serverEnd.err;
    EXPECT_TRUE(pathExists(central + "/north/door1_20240229.csv"));
    EXPECT_TRUE(pathExists(central + "/south/door1.conf"));
    EXPECT_FALSE(pathExists(central + "/north/notes.txt"));

    ProcessSetup league;
    league.program = PC_TEST_STAT;
    league.args = {"--league", "--from",           "2024-02-29",
                   "--to",     "2024-03-03",       "--format",
                   "csv",      central + "/north", central + "/south"};
    league.workDir = dir.path;
    league.fakeTime = "@2024-03-04 12:00:00";
    ProcessResult result = runProcess(league, runTimeoutMs);
    EXPECT_EQ(result.status, 0) << result.err;
    // Open every day but Sunday (2024-03-03): three open days; 2024-03-01
    // lacks its 10:00 and 11:00 records and 2024-03-02 its file (3 more).
    EXPECT_EQ(result.out,
              "shop,entrances,visitors,days,open_days,visitors_per_open_day,unanswered,faults,"
              "unusable_lines,missing,carried\n"
              "south,1,60,4,3,20.0,0,0,0,5,0\n"
              "north,1,20,4,3,6.7,0,0,0,5,0\n");
}
