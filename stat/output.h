// pcstat's statistics as csv, JSON Lines, a table for a person or an HTML
// page.
#pragma once

#include <cstdio>

#include "compare.h"
#include "options.h"
#include "rows.h"

// extras adds the columns of comparisons and sales, the csv separator and
// the notes about schedules.
void writeCsv(const StatTable& table, std::FILE* out, const TableExtras& extras = {});
void writeJson(const StatTable& table, std::FILE* out, const TableExtras& extras = {});
void writeTable(const StatTable& table, std::FILE* out, const TableExtras& extras = {});

// The table in the format asked for.
void writeStatTable(const StatTable& table, OutputFormat format, std::FILE* out,
                    const TableExtras& extras = {});
