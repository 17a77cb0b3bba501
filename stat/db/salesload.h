// pcstat --load --sales FILE: the sales lines of a till export into the
// sales table, replacing what an earlier load of the same file stored.
#pragma once

#include <string>

#include "pgconn.h"
#include "sales.h"

// Loads the file inside the caller's transaction, read as pcstat's --sales
// reads it with its shop column; each bad line is told to bad and not
// stored.  False with the reader's or libpq's message.
bool loadSales(PgConn& conn, const std::string& path, const BadSalesLine& bad, long long& lines,
               std::string& error);
