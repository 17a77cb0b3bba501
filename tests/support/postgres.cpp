// The tests' PostgreSQL server: initdb, pg_ctl and psql run through the
// shell, as the unprivileged user nobody when the tests run as root.
#include "postgres.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "testsupport.h"

namespace testsupport {

namespace {

constexpr const char* serverUser = "nobody";
constexpr const char* databaseUser = "pcstat";
constexpr int startSeconds = 30;  // pg_ctl's own bound on its waits
constexpr int stopSeconds = 10;

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The postmaster's pid from the first line of postmaster.pid, or -1.
pid_t readPostmasterPid(const std::string& dataDir) {
    std::string text = readFile(dataDir + "/postmaster.pid");
    long pid = std::strtol(text.c_str(), nullptr, 10);
    return pid > 0 ? static_cast<pid_t>(pid) : -1;
}

}  // namespace

std::string postgresBinDir() { return "/usr/lib/postgresql/15/bin"; }

bool havePostgres() {
    return access((postgresBinDir() + "/initdb").c_str(), X_OK) == 0 &&
           access((postgresBinDir() + "/pg_ctl").c_str(), X_OK) == 0 && haveProgram("psql");
}

PostgresServer::~PostgresServer() {
    stop();
    if (!dir_.empty() && std::getenv("PC_KEEP_TEST_DIRS") == nullptr)
        runCommand("rm -rf " + shellQuoted(dir_));
}

std::string PostgresServer::asServerUser(const std::string& command) const {
    if (geteuid() != 0) return command;
    return std::string("setpriv --reuid=") + serverUser + " --regid=nogroup --clear-groups " +
           "--reset-env sh -c " + shellQuoted(command);
}

bool PostgresServer::start(std::string& error) {
    char pattern[] = "/tmp/pcpg.XXXXXX";  // short: a socket path holds at most 107 bytes
    if (mkdtemp(pattern) == nullptr) {
        error = std::string("mkdtemp: ") + std::strerror(errno);
        return false;
    }
    dir_ = pattern;
    if (geteuid() == 0) {
        struct passwd* user = getpwnam(serverUser);
        if (user == nullptr || chown(dir_.c_str(), user->pw_uid, user->pw_gid) != 0) {
            error = std::string("cannot give ") + dir_ + " to " + serverUser;
            return false;
        }
    }
    CommandResult made = runCommand(asServerUser(
        postgresBinDir() + "/initdb --no-sync --auth=trust --encoding=UTF8 --locale=C -U " +
        databaseUser + " -D " + shellQuoted(dir_ + "/data")));
    if (made.status != 0) {
        error = "initdb failed: " + made.output;
        return false;
    }
    return launch(error);
}

bool PostgresServer::restart(std::string& error) { return running() || launch(error); }

bool PostgresServer::launch(std::string& error) {
    std::string options = "-c listen_addresses= -c unix_socket_directories=" + dir_ +
                          " -c fsync=off -c synchronous_commit=off -c full_page_writes=off";
    CommandResult started = runCommand(
        asServerUser(postgresBinDir() + "/pg_ctl start -w -t " + std::to_string(startSeconds) +
                     " -D " + shellQuoted(dir_ + "/data") + " -l " + shellQuoted(dir_ + "/log") +
                     " -o " + shellQuoted(options)));
    pid_ = readPostmasterPid(dir_ + "/data");
    if (started.status != 0 || pid_ <= 0) {
        error = "pg_ctl start failed: " + started.output + readFile(dir_ + "/log");
        stop();
        return false;
    }
    return true;
}

void PostgresServer::stop() {
    if (dir_.empty()) return;
    if (pid_ <= 0) pid_ = readPostmasterPid(dir_ + "/data");
    if (pid_ <= 0) return;
    runCommand(asServerUser(postgresBinDir() + "/pg_ctl stop -m fast -w -t " +
                            std::to_string(stopSeconds) + " -D " + shellQuoted(dir_ + "/data")));
    // The postmaster is not our child: it has ended when its pid file is
    // gone or the pid is no longer there.
    std::string pidFile = dir_ + "/data/postmaster.pid";
    auto ended = [&] { return !pathExists(pidFile) || kill(pid_, 0) != 0; };
    if (!waitUntil(ended, 2000)) {
        kill(pid_, SIGKILL);
        waitUntil([&] { return kill(pid_, 0) != 0; }, 5000);
    }
    pid_ = -1;
}

std::string PostgresServer::conninfo(const std::string& database) const {
    return "host=" + dir_ + " dbname=" + database + " user=" + databaseUser;
}

CommandResult PostgresServer::psql(const std::string& sql, const std::string& database) const {
    return runCommand("psql -X -q -A -t -F, -v ON_ERROR_STOP=1 " + shellQuoted(conninfo(database)) +
                      " -c " + shellQuoted(sql));
}

bool PostgresServer::createDatabase(const std::string& name, std::string& error) const {
    // One statement a call: CREATE DATABASE runs outside a transaction.
    CommandResult made = psql("DROP DATABASE IF EXISTS " + name);
    if (made.status == 0) made = psql("CREATE DATABASE " + name);
    if (made.status != 0) error = made.output;
    return made.status == 0;
}

}  // namespace testsupport
