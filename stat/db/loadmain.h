// pcstat --load as a whole: one transaction that brings the schema up to
// date, loads the entrances' changed files and the sales, and commits.
#pragma once

#include <string>
#include <vector>

#include "entrance.h"
#include "loader.h"
#include "options.h"
#include "sales.h"

// False with libpq's or the reader's message; the database is then as it
// was before.  The sales file's bad lines are told to badSale and left out.
bool runLoad(const std::vector<Entrance>& entrances, const Options& options,
             const BadSalesLine& badSale, LoadSummary& summary, std::string& error);

// The line pcstat prints after a load.
std::string loadSummaryText(const LoadSummary& summary);
