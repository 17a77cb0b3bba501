// The statistics: visitors, records, unanswered records and records with
// photocell faults per period and entrance.
#pragma once

#include <string>
#include <vector>

#include "entrance.h"
#include "options.h"
#include "rows.h"

// Computes the table of the options' days and period for the entrances;
// false with a message when a file cannot be read.
bool computeStatTable(const std::vector<Entrance>& entrances, const Options& options,
                      StatTable& table, std::string& error);
