// The report viewer: shows one entrance's daily report as a table of times,
// increases and totals, and asks the operator which day to show next.
#pragma once

#include <cstdio>
#include <string>

// ---- numbers (numbers.cpp)

// Reads a decimal number that fills the whole text apart from blanks
// around it: optional blanks, an optional sign, digits, optional blanks.
// False when there is none or it does not fit the type.
bool parseDecimal(const std::string& text, long long& value);

// ---- the table (report.cpp)

// Writes text as it is, null bytes included.
void putText(std::FILE* out, const std::string& text);

// Path of the report file of entry for the date text (YYYYMMDD).
std::string reportPath(const std::string& reportDir, const std::string& entry,
                       const std::string& date);

// Text of the increase from previous to total, printed as "%6ld" would,
// exact even where the difference does not fit in a long.
std::string increaseText(long total, long previous);

// Prints the rows of every record line of report, in file order; lines
// that are not records are skipped.  Times are written through
// escapedText.  Returns the number of rows printed.
long printRows(std::FILE* report, std::FILE* out);

// Shows the report of entry for the date text: the title, the header, the
// rows and the closing line feeds; or, when the file cannot be opened or
// is not a regular file, the "not found" message and the error banner.
void showReport(std::FILE* out, const std::string& reportDir, const std::string& entry,
                const std::string& date);

// The "not found" message for path, followed by the error banner.
void reportMissing(std::FILE* out, const std::string& path);

void errorBanner(std::FILE* out);

// ---- the operator's answers (answer.cpp)

constexpr std::size_t maxAnswerLength = 1000;  // longer typed lines are not numbers

// Reads one line from in, without its line feed.  Returns false at end of
// input when nothing was read.  A line longer than maxAnswerLength is
// consumed whole and comes back marked overlong, its text cut short.
bool readAnswerLine(std::FILE* in, std::string& line, bool& overlong);

// The day a number of days back names can be dated.
bool dayExists(long long daysBack);

// Prints the prompt and reads answers until one is a usable number of days
// (negative, or a day that can be dated); lines that are not are thrown
// away and the prompt is printed again.  Output is flushed before every
// read.  Returns false at end of input.
bool askDaysBack(std::FILE* in, std::FILE* out, long long& daysBack);

// ---- the dialogue (viewer.cpp)

constexpr int endOfInputStatus = 0;

// Exit status for the negative number typed to end the viewer.
int exitStatusFor(long long negative);

// Reads entry from the configuration file; prints the failure messages and
// returns false when the file is missing or holds no entry.
bool readEntry(std::FILE* out, const std::string& confPath, std::string& entry);

// The whole viewer: configuration once, then a report (or the error
// banner) and the prompt in turn until a negative number is typed or the
// input ends.  Returns the exit status.
// What --help prints, with the configuration file of this build.
std::string viewerUsageText(const std::string& confFile);

int viewerRun(std::FILE* in, std::FILE* out, const std::string& confPath,
              const std::string& reportDir);
