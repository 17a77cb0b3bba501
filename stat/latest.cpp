// Finding the latest reading of an entrance.
#include "latest.h"

#include "escape.h"
#include "stream.h"

bool latestReading(const Entrance& entrance, Day today, LatestReading& latest, std::string& error) {
    latest = LatestReading{};
    for (int back = 0; back <= lookBackDays && !latest.found; ++back) {
        const Day day = today - std::chrono::days{back};
        DayFile file;
        const Opened opened = openDay(file, entrance, day, error);
        if (opened == Opened::error) return false;
        if (opened == Opened::missing) continue;
        DayLine line;
        while (file.next(line)) {
            if (line.kind != LineClass::record) continue;
            latest.found = true;
            latest.day = line.dayBefore ? day - std::chrono::days{1} : day;
            latest.time = escapedText(line.record.time);
            latest.answered = answered(line);
        }
    }
    return true;
}
