// --league: one row per shop (report directory) for the whole range,
// sorted by visitors: the visitors, the average per open day, the change
// against the compared range, the conversion with the shop's sales, and
// how complete the counts are.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "entrance.h"
#include "options.h"
#include "sales.h"

struct LeagueRow {
    std::string shop;
    std::size_t entrances = 0;
    long long visitors = 0;
    long days = 0;           // days of the range
    long openDays = 0;       // of them, up to today, those a schedule opens (every one without)
    bool scheduled = false;  // some entrance of the shop has a schedule
    long long compareVisitors = 0;
    SalesAmount sales;
    long long unanswered = 0;  // records without a reading
    long long faults = 0;      // records with a photocell fault
    long long unusable = 0;    // lines that are not records
    long long missing = 0;     // expected moments without a record (with a schedule)
    long long carried = 0;     // visitors from increases across a gap
};

struct League {
    std::vector<LeagueRow> rows;  // sorted by visitors, most first
    std::string fromDate, toDate;
    bool compare = false;
    std::string compareFrom, compareTo;
    bool sales = false;
};

// The league of the entrances' shops, a shop at a time, so that memory
// grows with one shop's days, not with all of them.  sales, when given,
// must be planned with the shops' names (shopsOf).  False with a message
// when a file cannot be read.
bool computeLeague(const std::vector<Entrance>& entrances, const Options& options,
                   const SalesTable* sales, League& league, std::string& error);

// The league as a person reads it, in the text table and on the page: the
// column heads, the cells of a row (the shop's name first), and the row of
// all shops together (named "razem", without an average).
std::vector<std::string> leagueHeader(const League& league);
std::vector<std::string> leagueCells(const League& league, const LeagueRow& row);
LeagueRow leagueTotal(const League& league);

// The title lines of the league: what it is, its days and the compared ones.
std::vector<std::string> leagueTitle(const League& league);

void writeLeagueCsv(const League& league, char sep, std::FILE* out);
void writeLeagueJson(const League& league, std::FILE* out);
void writeLeagueTable(const League& league, std::FILE* out);
