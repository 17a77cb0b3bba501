// The database schema of pcstat --load: its versions, the steps from each
// to the next, and the month partitions of the records.
#pragma once

#include <string>

#include "calendar.h"
#include "pgconn.h"

// The version this pcstat writes.
constexpr int schemaVersion = 2;

// The version the database holds: 0 when it holds no schema yet.
bool readSchemaVersion(PgConn& conn, int& version, std::string& error);

// Brings the schema to target (at most schemaVersion), creating it when
// missing and taking each migration step in turn.  Runs inside the
// caller's transaction; false with libpq's message, or for a database of a
// later version than target.
bool upgradeSchema(PgConn& conn, int target, std::string& error);

// The name of the records' partition of the month of the day:
// records_YYYYMM.
std::string monthPartition(Day day);

// Creates the records' partition for the month of the day unless it exists.
bool ensureMonthPartition(PgConn& conn, Day day, std::string& error);
