// The poller's rules that other programs must apply exactly as it does:
// decoding the configuration values, the name of a day's report file, and
// when a poll cycle is due.  One copy of each rule, used by pcpoll, pcview
// and pcstat.
#pragma once

#include <string>

constexpr int daysPerWeek = 7;
constexpr int minInterval = 10;  // shorter record intervals are raised to this

// English day names, indexed by weekday number (0 = Sunday): the keys of
// the day-specific opening hours and the day names of the poller's logs.
inline constexpr const char* weekDays[daysPerWeek] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                      "Thursday", "Friday", "Saturday"};

// The record interval of a recordtime text: its leading decimal number,
// raised to minInterval when smaller or missing.
int decodeRecordtime(const std::string& text);

// Opening hours "HH:MM-HH:MM" (one or two digits a number, text after the
// fourth number ignored) as seconds-of-day; numbers receives the four
// decoded numbers.  False when fewer than four numbers decode.
bool decodeHours(const std::string& text, int& open, int& close, int numbers[4]);

// Splits entry at its first point into base and extension; without a point
// the base is the whole text and the extension empty.
void nameBreak(const std::string& entry, std::string& base, std::string& ext);

// The report file of a day: base + "_" + date (YYYYMMDD) + "." + extension.
std::string reportFileOf(const std::string& base, const std::string& ext, const std::string& date);
// What every report file name of base starts with: base + "_".
std::string reportFilePrefix(const std::string& base);

// The extension of the report files the viewer shows: its entry names only
// the base under its report directory.
inline constexpr const char* viewerReportExtension = "csv";

// The second at which a day's closing is tested: 24:00 (86400), which the
// clock never reads, becomes 23:59:59; any other value stays.
int closingSecond(int closeTime);

// Whether a sample of the clock at this second-of-day starts a poll cycle
// under the given opening and closing (already mapped by closingSecond):
// within the hours, both ends included, at every multiple of the interval
// counted from midnight and at the opening and closing second.
bool isDue(int second, int open, int close, int interval);
