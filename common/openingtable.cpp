// Building the opening table from opentime and the day keys.
#include "openingtable.h"

namespace {

void tell(const OpeningNotice& notice, OpeningStep step, int day, const int numbers[4]) {
    if (!notice) return;
    OpeningNote note;
    note.step = step;
    note.day = day;
    for (int i = 0; i < 4; ++i) note.numbers[i] = numbers[i];
    notice(note);
}

}  // namespace

bool buildOpeningTable(const std::string& opentime, const DayHoursLookup& lookup,
                       OpeningTable& table, const OpeningNotice& notice) {
    OpeningTable built;
    int open = 0, close = 0, numbers[4] = {};
    if (!decodeHours(opentime, open, close, numbers)) {
        tell(notice, OpeningStep::defaultBad, 0, numbers);
        return false;
    }
    tell(notice, OpeningStep::defaultHours, 0, numbers);
    for (int day = 0; day < daysPerWeek; ++day) {
        built.openTimes[day] = open;
        built.closeTimes[day] = close;
    }
    for (int day = 0; day < daysPerWeek; ++day) {
        std::string hours;
        if (!lookup || !lookup(day, hours)) continue;
        int dayNumbers[4] = {};
        if (!decodeHours(hours, built.openTimes[day], built.closeTimes[day], dayNumbers)) {
            tell(notice, OpeningStep::dayBad, day, dayNumbers);
            return false;
        }
        tell(notice, OpeningStep::dayHours, day, dayNumbers);
    }
    table = built;
    return true;
}
