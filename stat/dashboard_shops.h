// pcstat --dashboard over several shops (report directories): a page per
// shop, named after it, and the league of the shops as the index, linking
// to each shop's page and telling how complete each shop's numbers are.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "entrance.h"

// The file name of a shop's page: "sklep-", the shop's name in lower-case
// ASCII letters and digits with a '-' for each run of other characters
// (at most 60), then "-2", "-3", ... when a page of taken has the name
// already; ".html".  The name is added to taken.
std::string shopPageName(const std::string& shop, std::vector<std::string>& taken);

// Writes the page of every shop of the entrances into dir, one shop at a
// time, and then dir/index.html; every file written whole.  False with a
// message when a file cannot be read or a page cannot be written.
bool writeShopDashboards(const std::string& dir, const std::vector<Entrance>& entrances,
                         std::time_t now, std::string& error);
