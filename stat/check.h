// The integrity check of the reports: findings per entrance and day.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "entrance.h"
#include "options.h"

// What a finding is about.
enum class FindingKind {
    malformed,      // a line that is not a whole record
    checksum,       // a record whose checksum does not match
    order,          // a record time not after the one before
    missingFile,    // no file for a day with expected records
    missingRecord,  // expected moments without a record
    unanswered,     // records without the counter's answer
    fault,          // records with photocell faults
    reset,          // a total that fell: the counter counted afresh
};

// The word of a kind in every format: "malformed", "missing-file", ...
const char* findingKindName(FindingKind kind);

struct Finding {
    std::string entrance;  // label
    std::string date;      // YYYY-MM-DD of the file
    FindingKind kind = FindingKind::malformed;
    long line = 0;  // the line it is about, from 1; 0 when not about one line
    std::string detail;
};

struct CheckSummary {
    long long findings = 0;
    std::size_t entrances = 0;
    long days = 0;
    std::vector<std::string> unscheduled;  // labels of entrances without a schedule
};

// Checks the files of the options' days for the entrances, entrance by
// entrance and day by day, handing each finding to report as it is found.
// False with a message when a file cannot be read.
bool runCheck(const std::vector<Entrance>& entrances, const Options& options,
              const std::function<void(const Finding&)>& report, CheckSummary& summary,
              std::string& error);

// Texts of findings, shared with their tests.
std::string timeRange(const std::string& first, const std::string& last, long long count);
