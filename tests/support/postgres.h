// A real PostgreSQL server for the tests: a cluster made by initdb in a
// temporary directory, started with pg_ctl, listening only on a Unix
// socket in that directory, run as an unprivileged user (the server
// refuses root), and stopped by its pid.  Every wait is bounded.
#pragma once

#include <sys/types.h>

#include <string>

#include "realtools.h"

namespace testsupport {

// Where Debian's PostgreSQL 15 server programs lie.
std::string postgresBinDir();
bool havePostgres();

class PostgresServer {
public:
    PostgresServer() = default;
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Makes the cluster and starts it; false with a message in error.
    bool start(std::string& error);
    // Starts the stopped cluster again.
    bool restart(std::string& error);
    // pg_ctl stop -m fast; SIGKILL to the postmaster's pid when that does
    // not end it in time.
    void stop();
    bool running() const { return pid_ > 0; }

    // A libpq connection string for the server's superuser and a database.
    std::string conninfo(const std::string& database = "postgres") const;
    // Runs SQL through psql (unaligned, tuples only, fields separated by
    // commas, NULL as an empty field); the output holds standard output
    // and error.
    CommandResult psql(const std::string& sql, const std::string& database = "postgres") const;
    // A fresh empty database of that name; false with psql's output.
    bool createDatabase(const std::string& name, std::string& error) const;

    const std::string& dir() const { return dir_; }

private:
    bool launch(std::string& error);
    std::string asServerUser(const std::string& command) const;

    std::string dir_;  // the temporary directory: data/, the socket, the log
    pid_t pid_ = -1;   // the postmaster's pid while it runs
};

}  // namespace testsupport

// Fails the test (in CI) or skips it (elsewhere) when PostgreSQL 15 is
// missing.
#define REQUIRE_POSTGRES()                                                          \
    do {                                                                            \
        if (!testsupport::havePostgres()) {                                         \
            if (testsupport::inCi())                                                \
                FAIL() << "PostgreSQL 15 is missing: install the Debian package "   \
                          "postgresql-15";                                          \
            GTEST_SKIP() << "PostgreSQL 15 is missing: install the Debian package " \
                            "postgresql-15";                                        \
        }                                                                           \
    } while (0)
