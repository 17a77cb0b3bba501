// pcstat --format html: the statistics as one self-contained HTML page,
// with the table as the text format lays it out, its notes and its chart.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "rows.h"

// The page of the table, written at the moment now.  Each of
// extraSections is a finished <section> element placed after the chart
// (the comparison with another range goes there).
std::string htmlReport(const StatTable& table, std::time_t now,
                       const std::vector<std::string>& extraSections = {});

// The table of the statistics as an HTML table with its caption.
std::string htmlStatTable(const StatTable& table);

// A moment as the pages show the time of writing: 2011-03-14 09:15.
std::string pageTime(std::time_t now);
