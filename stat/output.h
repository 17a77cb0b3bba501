// pcstat's statistics as csv, JSON Lines or a table for a person.
#pragma once

#include <cstdio>

#include "options.h"
#include "rows.h"

void writeCsv(const StatTable& table, std::FILE* out);
void writeJson(const StatTable& table, std::FILE* out);
void writeTable(const StatTable& table, std::FILE* out);

// The table in the format asked for.
void writeStatTable(const StatTable& table, OutputFormat format, std::FILE* out);
