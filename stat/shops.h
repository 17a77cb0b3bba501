// Many shops: a directory of copied reports as entrances, the shop of an
// entrance (its report directory), the schedule of a poller configuration
// copied beside the reports, labels that stay apart, and the columns of a
// table summed per shop.
#pragma once

#include <string>
#include <vector>

#include "entrance.h"
#include "rows.h"

// Whether name is a directory given as an entrance: a directory named with
// a slash, or a bare name with no poller configuration in confDir.
bool isReportDirectory(const std::string& name, const std::string& confDir);

// Appends the entrances of every report series in dir (files
// NAME_YYYYMMDD.EXT, one entrance per NAME and EXT), in name order; false
// with a message when dir cannot be read or holds no report file.
bool directoryEntrances(const std::string& dir, std::vector<Entrance>& entrances,
                        std::string& error);

// The shop of an entrance: the last component of its report directory (a
// relative one resolved first).
std::string shopOfBase(const std::string& base);

// A poller configuration copied beside an entrance's reports (DIR/NAME.conf
// next to DIR/NAME_YYYYMMDD.csv) gives an entrance without a schedule its
// schedule; a configuration that does not give one is left alone.
void copiedSchedule(Entrance& entrance);

// Each entrance's name is its label as resolved; labels that clash become SHOP/NAME; then each
// --label NAME=ENTRANCE sets the label of the entrance it names (as given on the command line, its
// report path without the date, SHOP/NAME, or its label).  False with a message for
// a --label that names no entrance.
bool settleLabels(std::vector<Entrance>& entrances, const std::vector<std::string>& labels,
                  std::string& error);

// The shops of the entrances, in order of first appearance, and the shop
// index of each entrance.
std::vector<std::string> shopsOf(const std::vector<Entrance>& entrances,
                                 std::vector<std::size_t>& shopOfEntrance);

// Adds the counts of one entrance's period to a sum of counts.
void addCounts(PeriodCounts& sum, const PeriodCounts& counts);

// The table with one column per shop: the entrances of each shop summed.
StatTable tableByShop(const StatTable& table, const std::vector<Entrance>& entrances);
