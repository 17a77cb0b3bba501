// Writing the findings of pcstat's check as they come: a line each in the
// table, csv or JSON Lines format, and the table's summary at the end; or
// one HTML page with the summary and a table of the findings at the end.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "check.h"
#include "options.h"

// The summary of a check in words, a line or two each ending in a line
// feed: "Sprawdzono 2 wejścia, 7 dni: bez uwag. ..."
std::string checkSummaryText(const CheckSummary& summary);

class FindingWriter {
public:
    FindingWriter(OutputFormat format, std::FILE* out);
    void write(const Finding& finding);
    // The summary line of the table format.
    void finish(const CheckSummary& summary);

private:
    OutputFormat format_;
    std::FILE* out_;
    std::vector<std::vector<std::string>> htmlRows_;  // the html format's, until finish
};
