// pcstat's output: the statistics as csv, JSON Lines or a table for a
// person, and the findings of the check.
#pragma once

#include <cstdio>
#include <string>

#include "check.h"
#include "compare.h"
#include "rows.h"

// extras adds the columns of comparisons and sales, the csv separator and
// the notes about schedules.
void writeCsv(const StatTable& table, std::FILE* out, const TableExtras& extras = {});
void writeJson(const StatTable& table, std::FILE* out, const TableExtras& extras = {});
void writeTable(const StatTable& table, std::FILE* out, const TableExtras& extras = {});

// A field as RFC 4180 wants it: quoted when it holds the separator, a
// quote or a line end, with its quotes doubled.
std::string csvField(const std::string& text, char sep = ',');
// A JSON string, quotes included.
std::string jsonString(const std::string& text);

// Writes the findings of a check in one of the formats, as they come.
class FindingWriter {
public:
    FindingWriter(const std::string& format, std::FILE* out);
    void write(const Finding& finding);
    // The summary line of the table format.
    void finish(const CheckSummary& summary);

private:
    std::string format_;
    std::FILE* out_;
};
