// The chart of a table of pcstat: the same rows and numbers as its csv,
// handed to the chart library.
#pragma once

#include "chart.h"
#include "rows.h"

// One bar per row of the table, one part per entrance, a title in the words
// of pcstat's table (more than four entrances counted, not named), and
// labels a person reads at a glance: hours as "09" (grouped by day when the
// table spans several days, a day without any hour keeping an empty place
// under its date, as wide as the longest day), days as "pn 14.03", weekdays
// by their Polish names, weeks and months as the csv writes them.
ChartInput chartInputFromTable(const StatTable& table);

// The same chart with the compared period of every row (the visitors of
// all entrances, one per row of the table) as an outline over its bar.
ChartInput chartInputFromTable(const StatTable& table, const std::vector<long long>& compared,
                               const std::string& comparedLabel);
