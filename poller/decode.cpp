// The report file name and the settings summary.
#include "metrics.h"
#include "poller.h"

// The decoding of recordtime and the opening hours, nameBreak and the
// report file name are shared with pcstat and pcview
// (common/pollrules.cpp), and so is the opening table
// (common/openingtable.cpp).

std::string reportFileName(const Settings& s, const std::string& date) {
    return reportFileOf(s.base, s.ext, date);
}

std::string settingsSummary(const Settings& s, int today) {
    auto hours = [&](int day) {
        return fmt("%2d:%02d-%2d:%02d", sTh(s.openTimes[day]), sTm(s.openTimes[day]),
                   sTh(s.closeTimes[day]), sTm(s.closeTimes[day]));
    };
    std::string text = fmt("Zdekodowany odstep rekordow = %d sek.\n", s.interval);
    text += fmt("nazwa raportu = %s\n", reportFileName(s, getdate('0')).c_str());
    for (int day = 0; day < daysPerWeek; ++day)
        text += fmt("%s, %s\n", weekDays[day], hours(day).c_str());
    text += fmt("Dzisiaj %s, otwarte: %s\n", weekDays[today], hours(today).c_str());
    text += s.comlog ? "comlog yes\n" : "comlog no\n";
    text += metricsSummary(s);
    return text;
}
