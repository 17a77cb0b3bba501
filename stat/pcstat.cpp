// pcstat: visitor statistics from the daily reports of pcpoll, and checks
// that the reports are complete and intact.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "chart_input.h"
#include "check.h"
#include "compare_output.h"
#include "dashboard.h"
#include "dashboard_shops.h"
#include "escape.h"
#include "findings_out.h"
#include "league.h"
#include "league_page.h"
#ifdef PC_LOADER_PROGRAM
#include "loadmain.h"
#endif
#include "output.h"
#include "pcconfig.h"
#include "sales.h"
#include "shops.h"
#include "stats.h"

namespace {

constexpr int statusFindings = 1;
constexpr int statusTrouble = 2;  // a usage error, or files that cannot be read

// Messages name paths and entrances as they were given: escaped.
int fail(const std::string& message) {
    std::fprintf(stderr, "pcstat: %s\n", escapedText(message).c_str());
    return statusTrouble;
}

// A poller configuration that cannot be read is left out, with a line on
// standard error: standard output carries only the results.
void reportUnreadable(const std::string& path, int error) {
    std::fprintf(stderr, "pcstat: nie mozna czytac konfiguracji %s: %s\n",
                 escapedText(path).c_str(), std::strerror(error));
}

int runCheckMode(const std::vector<Entrance>& entrances, const Options& options) {
    FindingWriter writer(options.format, stdout);
    CheckSummary summary;
    std::string error;
    bool read = runCheck(
        entrances, options, [&](const Finding& f) { writer.write(f); }, summary, error);
    if (!read) {
        std::fflush(stdout);
        return fail(error);
    }
    writer.finish(summary);
    return summary.findings > 0 ? statusFindings : 0;
}

const char* chartFormatName(ChartFormat format) {
    switch (format) {
        case ChartFormat::png: return "PNG";
        case ChartFormat::svg: return "SVG";
        case ChartFormat::pdf: return "PDF";
    }
    return "";
}

// The table's chart into the file, with the compared periods when there
// are; standard output gets one line about it.
int writeChart(const StatTable& table, const Comparison& comparison, const Options& options) {
    std::string error;
    const ChartInput input = comparedChartInput(table, comparison);
    if (!drawChart(input, options.chart, options.chartFormat, options.chartWidth,
                   options.chartHeight, error))
        return fail(error);
    std::printf("Zapisano wykres %s (%s, %dx%d)\n", escapedText(options.chart).c_str(),
                chartFormatName(options.chartFormat), options.chartWidth, options.chartHeight);
    return 0;
}

// Tells each bad line of the sales file of --sales on standard error and
// marks the run as finding something.
BadSalesLine salesLineTeller(const Options& options, bool& badLines) {
    return [&options, &badLines](long line, const std::string& reason) {
        std::fprintf(stderr, "pcstat: %s: wiersz %ld: %s\n", options.sales.c_str(), line,
                     reason.c_str());
        badLines = true;
    };
}

// Reads the sales file of --sales into the range's days (per shop for the
// league); each bad line is told.  False with a message when the file
// cannot be read.
bool readSalesOption(const Options& options, const std::vector<std::string>& shops,
                     SalesTable& sales, bool& badLines, std::string& error) {
    SalesPlan plan{options.from, options.to, shops};
    return readSales(options.sales, plan, sales, salesLineTeller(options, badLines), error);
}

int runLeague(const std::vector<Entrance>& entrances, const Options& options) {
    std::string error;
    SalesTable sales;
    bool badLines = false;
    std::vector<std::size_t> shopOf;
    if (!options.sales.empty() &&
        !readSalesOption(options, shopsOf(entrances, shopOf), sales, badLines, error))
        return fail(error);
    League league;
    if (!computeLeague(entrances, options, options.sales.empty() ? nullptr : &sales, league, error))
        return fail(error);
    switch (options.format) {
        case OutputFormat::csv: writeLeagueCsv(league, options.csvSep, stdout); break;
        case OutputFormat::json: writeLeagueJson(league, stdout); break;
        case OutputFormat::table: writeLeagueTable(league, stdout); break;
        case OutputFormat::html: {
            const std::string page = htmlLeagueReport(league, options.now);
            std::fwrite(page.data(), 1, page.size(), stdout);
            break;
        }
    }
    return badLines ? statusFindings : 0;
}

int runStatistics(const std::vector<Entrance>& entrances, const Options& options) {
    StatTable table;
    std::string error;
    if (!computeStatTable(entrances, options, table, error)) return fail(error);
    TableExtras extras;
    extras.csvSep = options.csvSep;
    extras.entrances = entrances;
    Conversion conversion;
    bool badLines = false;
    if (!options.sales.empty()) {
        SalesTable sales;
        if (!readSalesOption(options, {}, sales, badLines, error)) return fail(error);
        applySales(sales, options, table, conversion);
        extras.conversion = &conversion;
    }
    Comparison comparison;
    if (!computeComparison(entrances, options, table, comparison, error)) return fail(error);
    extras.comparison = &comparison;
    bool anyScheduled = false, fromDirectory = false;
    for (const Entrance& entrance : entrances) {
        anyScheduled = anyScheduled || entrance.scheduled;
        fromDirectory = fromDirectory || entrance.inDirectory;
    }
    if (anyScheduled || fromDirectory)
        for (const Entrance& entrance : entrances)
            if (!entrance.scheduled) extras.unscheduled.push_back(entrance.label);
    if (options.byShop) {
        std::vector<std::size_t> shopOf;
        std::size_t shops = shopsOf(entrances, shopOf).size();
        table = tableByShop(table, entrances);
        comparisonByShop(comparison, shopOf, shops);
    }
    if (!options.chart.empty()) return writeChart(table, comparison, options);
    writeStatTable(table, options.format, stdout, extras);
    return badLines ? statusFindings : 0;
}

// The dashboard's pages into their directory: with several shops, a page
// per shop and their league as the index.  Standard output stays empty,
// as for a timer's run.
int runDashboard(const std::vector<Entrance>& entrances, const Options& options) {
    Dashboard dashboard;
    std::string error;
    std::vector<std::size_t> shopOf;
    if (shopsOf(entrances, shopOf).size() > 1)
        return writeShopDashboards(options.dashboard, entrances, options.now, error) ? 0
                                                                                     : fail(error);
    if (!computeDashboard(entrances, options.now, dashboard, error) ||
        !writeDashboardFiles(options.dashboard, dashboardFiles(dashboard), error))
        return fail(error);
    return 0;
}

#ifdef PC_LOADER_PROGRAM
// The days into PostgreSQL; standard output gets one line about them.  The
// sales file's bad lines are told and left out, as for the statistics.
int runLoadMode(const std::vector<Entrance>& entrances, const Options& options) {
    LoadSummary summary;
    std::string error;
    bool badLines = false;
    if (!runLoad(entrances, options, salesLineTeller(options, badLines), summary, error))
        return fail(error);
    std::fputs(loadSummaryText(summary).c_str(), stdout);
    return badLines ? statusFindings : 0;
}
#else
// --load: the loader, a program of its own that links libpq, takes over
// with the same arguments; it says what goes wrong itself.
int runLoader(char** argv) {
    ::execv(PC_LOADER_PATH, argv);
    return fail(std::string("nie mozna uruchomic ") + PC_LOADER_PATH + ": " + std::strerror(errno));
}
#endif

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    std::time_t now = std::time(nullptr);
    if (!parseOptions(argc, argv, localDayOf(now), options, error)) {
        std::fprintf(stderr, "pcstat: %s\n\n%s", escapedText(error).c_str(), usageText().c_str());
        return statusTrouble;
    }
    if (options.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("pcstat %s\n", PC_VERSION);
        return 0;
    }
#ifndef PC_LOADER_PROGRAM
    if (!options.load.empty()) return runLoader(argv);
#endif
    options.now = now;
    Places places{PC_POLLER_CONF_DIR, PC_VIEWER_REPORT_DIR, reportUnreadable};
    std::vector<Entrance> entrances;
    if (!resolveEntrances(options, places, entrances, error)) return fail(error);
#ifdef PC_LOADER_PROGRAM
    if (!options.load.empty()) return runLoadMode(entrances, options);
#endif
    if (!options.dashboard.empty()) return runDashboard(entrances, options);
    if (options.check) return runCheckMode(entrances, options);
    return options.league ? runLeague(entrances, options) : runStatistics(entrances, options);
}
