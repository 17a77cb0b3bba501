// The words pcstat prints about periods and days: the csv and JSON text
// of a row's period, the weekday names, the word for what a row or a bar
// stands for, and the opening of a title.  The table and the chart both
// take them from here.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "calendar.h"
#include "pollrules.h"
#include "rows.h"

// The English weekday names of the csv's weekday rows, Monday first.
extern const char* const isoWeekdayNames[daysPerWeek];
// Polish weekday names, Monday first: "pn".."nd" and "poniedziałek".."niedziela".
extern const char* const weekdayShort[daysPerWeek];
extern const char* const weekdayLong[daysPerWeek];

// The period of a row as csv and JSON write it: 2011-03-14T09 for an hour,
// 2011-03-14, 2011-W11, 2011-03, Monday.
std::string periodKey(Period by, const PeriodRow& row);

// What one row stands for, after "na": "godzinę", "dzień", "tydzień (ISO)",
// "miesiąc", "dzień tygodnia".
const char* periodWord(Period by);

// "Odwiedzający, wejście: door1" or "Odwiedzający, wejścia: door1, door2";
// more entrances than namedAtMost are counted ("Odwiedzający, 5 wejść").
std::string visitorsTitle(const std::vector<std::string>& entrances, std::size_t namedAtMost);

// The range of days in words: "dzień 2011-03-14, poniedziałek" or
// "dni 2011-03-14 - 2011-03-20 (7 dni)".
std::string rangeText(Day from, Day to);

// The period of a row as the table names it: "09:00-10:00" (with its date
// before it when the table spans several days), "2011-03-14 pn",
// "poniedziałek", weeks and months as csv writes them.
std::string tableLabel(const StatTable& table, const PeriodRow& row);
