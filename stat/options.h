// pcstat's command line: which entrances, which days, what to print.
#pragma once

#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include "calendar.h"
#include "chart.h"
#include "rows.h"

// How the statistics or the findings are written.
enum class OutputFormat { table, csv, json, html };

// The range a comparison sets beside the chosen one (--compare).
enum class CompareWith {
    none,
    previous,  // the same number of days just before
    year,      // 364 days earlier: the same weekdays
};

struct Options {
    std::vector<std::string> entrances;  // as named; empty for every configured poller
    Day from{};
    Day to{};
    Period by = Period::day;  // --by; without it hour for one day, day for several
    OutputFormat format = OutputFormat::table;
    bool check = false;
    // The present moment: nothing expected after it counts.  Set by the
    // program from the clock; the default puts no limit.
    std::time_t now = std::numeric_limits<std::time_t>::max();
    std::string chart;  // --chart FILE: a picture instead of the text; empty for none
    ChartFormat chartFormat = ChartFormat::png;  // by the extension of chart
    int chartWidth = chartDefaultWidth;          // --size WxH
    int chartHeight = chartDefaultHeight;
    // Comparisons, sales and shops.
    CompareWith compare = CompareWith::none;  // --compare previous|year
    std::string sales;                        // --sales FILE; empty for none
    std::vector<std::string> labels;          // --label NAME=ENTRANCE, as given
    bool byShop = false;                      // --by-shop: a column per shop
    bool league = false;                      // --league: a row per shop for the range
    char csvSep = ',';                        // --csv-sep: ',' or ';' (with decimal commas)
    // --dashboard DIR: the dashboard's pages into DIR; empty for none.
    std::string dashboard;
    bool help = false;
    bool version = false;
    // --load CONNINFO: the days into PostgreSQL instead of statistics (and
    // the sales of --sales into their table); empty for none.
    std::string load;
};

// Reads the command line, with today as the default day.  False with a
// short message in error for a usage error.
bool parseOptions(int argc, char** argv, Day today, Options& options, std::string& error);

// The usage text, for --help and after a usage error.
std::string usageText();
