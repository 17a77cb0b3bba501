// The integrity check of the reports: findings per entrance and day.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "entrance.h"
#include "options.h"
#include "record.h"

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
    range,          // a record with a number the poller never writes
    unreadable,     // a day's file that cannot be read, or is not a regular file
};
constexpr std::size_t findingKindCount = static_cast<std::size_t>(FindingKind::unreadable) + 1;

// At most this many findings of one kind are kept for an entrance and a
// day; one more finding of the kind then counts the rest, so that a file
// of any size leaves few findings in memory.
constexpr long long maxFindingsOfAKind = 100;

// The word of a kind in every format: "malformed", "missing-file", ...
const char* findingKindName(FindingKind kind);

struct Finding {
    std::string entrance;  // label
    std::string date;      // YYYY-MM-DD of the file
    FindingKind kind = FindingKind::malformed;
    long line = 0;       // the line it is about, from 1; 0 when not about one line
    std::string detail;  // outside text in it is escaped (escapedText)
};

struct CheckSummary {
    long long findings = 0;
    std::size_t entrances = 0;
    long days = 0;
    std::vector<std::string> unscheduled;  // labels of entrances without a schedule
};

// Checks the files of the options' days for the entrances, entrance by
// entrance and day by day, handing each finding to report as it is found.
// A day's file that cannot be read is an unreadable finding; a file
// before the days that cannot be read ends the look back for the previous
// record.  False with a message when the check could not be made.
bool runCheck(const std::vector<Entrance>& entrances, const Options& options,
              const std::function<void(const Finding&)>& report, CheckSummary& summary,
              std::string& error);

// Texts of findings, shared with their tests.
std::string timeRange(const std::string& first, const std::string& last, long long count);
// The detail of the finding that counts the findings of a kind beyond
// maxFindingsOfAKind: "pominięto 5 dalszych uwag tego rodzaju".
std::string skippedText(long long count);
// The detail of a range finding: each number out of its range, as
// "stan 1000000 poza 0..999999".
std::string rangeText(const RecordView& record);
