// pcstat's dashboard: the page a shop's people open in a browser, with
// today so far per hour beside the same weekday a week ago, the last 7
// days against the 7 before, the last 4 weeks, the averages per weekday
// over the last 8 weeks, the latest reading of each entrance and the
// findings of the check of the last 7 days; per entrance and in all.
// Every number comes from pcstat's own table and check.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "check.h"
#include "latest.h"
#include "rows.h"

constexpr int dashboardWeeks = 8;          // the weeks of the weekday averages
constexpr int dashboardCheckDays = 7;      // the days of the completeness panel
constexpr std::size_t shownFindings = 10;  // findings listed per entrance; more are counted

// The findings of one entrance: the first few, and the count of each kind.
struct EntranceFindings {
    std::vector<Finding> shown;
    long long count = 0;
    long long ofKind[findingKindCount] = {};
};

struct Dashboard {
    std::time_t now = 0;
    Day today{};
    std::vector<std::string> named;          // the entrances as named, for the check command
    StatTable todayHours;                    // today so far, per hour
    StatTable weekAgoHours;                  // the same weekday a week ago, per hour
    StatTable days;                          // the dashboardWeeks weeks up to yesterday, per day
    StatTable weekdays;                      // the same days per weekday
    std::vector<LatestReading> latest;       // per entrance
    std::vector<EntranceFindings> findings;  // per entrance
    CheckSummary check;
    Day checkFrom{};  // the days of the check, up to today
};

// Computes the dashboard of the entrances at the moment now; false with a
// message when a file cannot be read.
bool computeDashboard(const std::vector<Entrance>& entrances, std::time_t now, Dashboard& dashboard,
                      std::string& error);

// The rows of a day table summed per weekday, as --by weekday counts the
// same days.
StatTable weekdayTable(const StatTable& days);

// The dashboard's page; with shop, the page of that shop among several,
// titled with its name and linking back to the index.
std::string dashboardPage(const Dashboard& dashboard, const std::string& shop = "");

// The paragraph at the top of the dashboard's pages: the moment of writing
// and its weekday.
std::string dashboardStamp(std::time_t now);

// A file of the dashboard: its name in the directory and its text.
struct DashboardFile {
    std::string name;
    std::string text;
};

// The page of the dashboard of one shop: index.html.  (Several shops:
// dashboard_shops.h.)
std::vector<DashboardFile> dashboardFiles(const Dashboard& dashboard);

// Writes each file whole into dir (a temporary file renamed into place),
// so that a reader never sees half a page; false with a message.
bool writeDashboardFiles(const std::string& dir, const std::vector<DashboardFile>& files,
                         std::string& error);
