// pcstat's command line: which entrances, which days, what to print.
#pragma once

#include <string>
#include <vector>

#include "calendar.h"
#include "chart.h"

struct Options {
    std::vector<std::string> entrances;  // as named; empty for every configured poller
    Day from{};
    Day to{};
    std::string by;                // hour|day|week|month|weekday
    std::string format = "table";  // table|csv|json
    bool check = false;
    std::string chart;  // --chart FILE: a picture instead of the text; empty for none
    ChartFormat chartFormat = ChartFormat::png;  // by the extension of chart
    int chartWidth = chartDefaultWidth;          // --size WxH
    int chartHeight = chartDefaultHeight;
    // Comparisons, sales and shops.
    std::string compare;              // --compare previous|year; empty for none
    std::string sales;                // --sales FILE; empty for none
    std::vector<std::string> labels;  // --label NAME=ENTRANCE, as given
    bool byShop = false;              // --by-shop: a column per shop
    bool league = false;              // --league: a row per shop for the range
    char csvSep = ',';                // --csv-sep: ',' or ';' (with decimal commas)
    bool help = false;
    bool version = false;
};

// Reads the command line, with today as the default day.  False with a
// short message in error for a usage error.
bool parseOptions(int argc, char** argv, Day today, Options& options, std::string& error);

// The usage text, for --help and after a usage error.
std::string usageText();
