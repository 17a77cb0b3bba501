// Computing the dashboard from pcstat's table and check, and writing its
// files.
#include "dashboard.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "filewrite.h"
#include "stats.h"

namespace {

using std::chrono::days;

Options optionsFor(Day from, Day to, Period by, std::time_t now) {
    Options options;
    options.from = from;
    options.to = to;
    options.by = by;
    options.now = now;
    return options;
}

// Adds the counts of a later period: the days add up.
void addCounts(PeriodCounts& into, const PeriodCounts& from) {
    addRecordCounts(into, from);
    into.days += from.days;
    into.openDays += from.openDays;
}

bool runDashboardCheck(const std::vector<Entrance>& entrances, Dashboard& dashboard,
                       std::string& error) {
    dashboard.checkFrom = dashboard.today - days{dashboardCheckDays - 1};
    dashboard.findings.assign(entrances.size(), EntranceFindings{});
    std::size_t current = 0;
    auto keep = [&](const Finding& finding) {
        // Findings come in entrance order.
        while (current < entrances.size() && entrances[current].label != finding.entrance)
            ++current;
        if (current == entrances.size()) current = 0;
        EntranceFindings& found = dashboard.findings[current];
        ++found.count;
        ++found.ofKind[static_cast<std::size_t>(finding.kind)];
        if (found.shown.size() < shownFindings) found.shown.push_back(finding);
    };
    return runCheck(entrances,
                    optionsFor(dashboard.checkFrom, dashboard.today, Period::day, dashboard.now),
                    keep, dashboard.check, error);
}

}  // namespace

StatTable weekdayTable(const StatTable& dayTable) {
    StatTable table = dayTable;
    table.by = Period::weekday;
    table.rows.clear();
    for (int weekday = 0; weekday < daysPerWeek; ++weekday)
        table.rows.push_back({.weekday = weekday,
                              .entrances = std::vector<PeriodCounts>(dayTable.entrances.size())});
    for (const PeriodRow& row : dayTable.rows) {
        PeriodRow& into = table.rows[static_cast<std::size_t>(isoWeekday(row.day))];
        for (std::size_t k = 0; k < row.entrances.size(); ++k)
            addCounts(into.entrances[k], row.entrances[k]);
    }
    return table;
}

bool computeDashboard(const std::vector<Entrance>& entrances, std::time_t now, Dashboard& dashboard,
                      std::string& error) {
    dashboard = Dashboard{};
    dashboard.now = now;
    dashboard.today = localDayOf(now);
    // A directory of reports names each of its entrances: once is enough.
    for (const Entrance& entrance : entrances)
        if (std::find(dashboard.named.begin(), dashboard.named.end(), entrance.given) ==
            dashboard.named.end())
            dashboard.named.push_back(entrance.given);
    const Day today = dashboard.today;
    const Day weekAgo = today - days{daysPerWeek};
    if (!computeStatTable(entrances, optionsFor(today, today, Period::hour, now),
                          dashboard.todayHours, error) ||
        !computeStatTable(entrances, optionsFor(weekAgo, weekAgo, Period::hour, now),
                          dashboard.weekAgoHours, error) ||
        !computeStatTable(entrances,
                          optionsFor(today - days{dashboardWeeks * daysPerWeek}, today - days{1},
                                     Period::day, now),
                          dashboard.days, error))
        return false;
    dashboard.weekdays = weekdayTable(dashboard.days);
    dashboard.latest.resize(entrances.size());
    for (std::size_t k = 0; k < entrances.size(); ++k)
        if (!latestReading(entrances[k], today, dashboard.latest[k], error)) return false;
    return runDashboardCheck(entrances, dashboard, error);
}

bool writeDashboardFiles(const std::string& dir, const std::vector<DashboardFile>& files,
                         std::string& error) {
    // The directory itself is made when missing, not its parents.
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        error = "nie mozna utworzyc katalogu " + dir + ": " + std::strerror(errno);
        return false;
    }
    for (const DashboardFile& file : files) {
        const std::string path = dir + "/" + file.name;
        std::string reason;
        ReplaceRules rules;
        rules.onlyRegular = true;  // a page, never a device or a directory
        if (!replaceFile(path, file.text, rules, reason)) {
            error = "nie mozna zapisac " + path + ": " + reason;
            return false;
        }
    }
    return true;
}
