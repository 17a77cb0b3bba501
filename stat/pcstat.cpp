// pcstat: visitor statistics from the daily reports of pcpoll, and checks
// that the reports are complete and intact.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "chart_input.h"
#include "check.h"
#include "escape.h"
#include "findings_out.h"
#include "loadmain.h"
#include "output.h"
#include "pcconfig.h"
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

// The table's chart into the file; standard output gets one line about it.
int writeChart(const StatTable& table, const Options& options) {
    std::string error;
    if (!drawChart(chartInputFromTable(table), options.chart, options.chartFormat,
                   options.chartWidth, options.chartHeight, error))
        return fail(error);
    std::printf("Zapisano wykres %s (%s, %dx%d)\n", escapedText(options.chart).c_str(),
                chartFormatName(options.chartFormat), options.chartWidth, options.chartHeight);
    return 0;
}

int runStatistics(const std::vector<Entrance>& entrances, const Options& options) {
    StatTable table;
    std::string error;
    if (!computeStatTable(entrances, options, table, error)) return fail(error);
    if (!options.chart.empty()) return writeChart(table, options);
    writeStatTable(table, options.format, stdout);
    return 0;
}

// The days into PostgreSQL; standard output gets one line about them.
int runLoadMode(const std::vector<Entrance>& entrances, const Options& options) {
    LoadSummary summary;
    std::string error;
    if (!runLoad(entrances, options, summary, error)) return fail(error);
    std::fputs(loadSummaryText(summary).c_str(), stdout);
    return 0;
}

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
    options.now = now;
    Places places{PC_POLLER_CONF_DIR, PC_VIEWER_REPORT_DIR, reportUnreadable};
    std::vector<Entrance> entrances;
    if (!resolveEntrances(options, places, entrances, error)) return fail(error);
    if (!options.load.empty()) return runLoadMode(entrances, options);
    return options.check ? runCheckMode(entrances, options) : runStatistics(entrances, options);
}
