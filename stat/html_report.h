// pcstat --format html: the statistics as one self-contained HTML page,
// with the table as the text format lays it out (the comparison and the
// sales beside it), its summary lines and notes, and its chart.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "compare.h"
#include "rows.h"

// The page of the table, written at the moment now, with what extras add
// to the text table: the columns of the comparison and the sales, the
// summary lines, the notes, and the compared periods on the chart.
std::string htmlReport(const StatTable& table, std::time_t now, const TableExtras& extras = {});

// The table of the statistics as an HTML table with its caption, and the
// columns extras adds after the entrances' (and their sum).
std::string htmlStatTable(const StatTable& table, const TableExtras& extras = {});

// A moment as the pages show the time of writing: 2011-03-14 09:15.
std::string pageTime(std::time_t now);
