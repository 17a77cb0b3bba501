// The columns, summary lines and notes that comparisons and sales add to
// pcstat's csv, JSON Lines, table and page, and the compared periods on
// the chart.
#pragma once

#include <string>
#include <vector>

#include "chart.h"
#include "compare.h"
#include "rows.h"

// csv: the names of the added columns and the fields of row r, entrance k,
// each with its leading separator.
std::string extraCsvHeader(const TableExtras& extras);
std::string extraCsvFields(const TableExtras& extras, const StatTable& table, std::size_t r,
                           std::size_t k);
// JSON: the added members of row r, entrance k, each with its leading comma.
std::string extraJsonFields(const TableExtras& extras, const StatTable& table, std::size_t r,
                            std::size_t k);

// The table: the added column heads, the cells of row r (of all entrances
// together) and of the totals.
std::vector<std::string> extraTableHeader(const TableExtras& extras);
std::vector<std::string> extraTableCells(const TableExtras& extras, const StatTable& table,
                                         std::size_t r);
std::vector<std::string> extraTableTotals(const TableExtras& extras, const StatTable& table);

// The summary lines under the table: the busiest hour (hour rows), the
// busiest day (day rows of more days), the average per open day, and with
// a comparison the change of the whole range.
std::string summaryLines(const TableExtras& extras, const StatTable& table);
// Notes on compared rows that are incomplete, sales without visitors,
// sales without an hour and entrances without a schedule.
std::string extraNotes(const TableExtras& extras, const StatTable& table);

// The change as the table shows it: "+12,5%", "-3,0%", or "" for none.
std::string signedChange(long long now, long long before);

// The chart of the table, with the compared period of every row (of all
// entrances together) as an outline over its bar when the comparison is on.
ChartInput comparedChartInput(const StatTable& table, const Comparison& comparison);
