// pcstat --load --sales FILE: the sales lines of a till export into the
// sales table, replacing what an earlier load of the same file stored.
#pragma once

#include <string>

#include "pgconn.h"

// Loads the file inside the caller's transaction; false with a message
// naming the file and line of the first bad line, or libpq's message.
bool loadSales(PgConn& conn, const std::string& path, long long& lines, std::string& error);
