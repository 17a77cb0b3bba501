// The statistics: visitors, records, unanswered records and records with
// photocell faults per period and entrance.
#pragma once

#include <string>
#include <vector>

#include "entrance.h"
#include "options.h"
#include "rows.h"

// The entrances the options name (every configured poller when none is
// named), resolved; false with a message for a usage error or an entrance
// whose files cannot be read at all.
bool resolveEntrances(const Options& options, const Places& places,
                      std::vector<Entrance>& entrances, std::string& error);

// Computes the table of the options' days and period for the entrances;
// false with a message when a file cannot be read.
bool computeStatTable(const std::vector<Entrance>& entrances, const Options& options,
                      StatTable& table, std::string& error);

// The English weekday names of the weekday rows, Monday first.
extern const char* const isoWeekdayNames[daysPerWeek];
