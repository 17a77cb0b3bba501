// pcstat --load: the selected entrances' days into PostgreSQL.  Every
// counting decision is pcstat's own (FileCounter); the database receives
// each record with its increase, its hour and whether it is carried, the
// expected moments per hour and each entrance-day, and only sums them.
#pragma once

#include <string>
#include <vector>

#include "entrance.h"
#include "options.h"
#include "pgconn.h"

struct LoadSummary {
    long filesRead = 0;       // files counted and stored (a missing day's file too)
    long filesUnchanged = 0;  // files the database already holds as they are
    long long records = 0;    // records stored
    long long sales = 0;      // sales lines stored
};

// Loads the days of the options for the entrances, inside the caller's
// transaction.  A file whose size, modification time and starting state
// are those stored, and all of whose moments were due, is not read again.
bool loadEntrances(PgConn& conn, const std::vector<Entrance>& entrances, const Options& options,
                   LoadSummary& summary, std::string& error);
