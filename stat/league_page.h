// The league of shops on a page: as an HTML table whose shops may link to
// pages of their own (the dashboard's index), and as the page of
// pcstat --league --format html.
#pragma once

#include <ctime>
#include <map>
#include <string>

#include "league.h"

// The league's table with its title as the caption, the row of all shops
// as the foot; a shop named in pageOf links to the page given there.
std::string htmlLeagueTable(const League& league,
                            const std::map<std::string, std::string>& pageOf = {});

// The page of the league, written at the moment now.
std::string htmlLeagueReport(const League& league, std::time_t now);
