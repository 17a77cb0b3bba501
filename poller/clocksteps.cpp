// Steps of the wall clock: how far it moved beyond the real time that
// passed between two samples of the main loop (measured on the monotonic
// clock, which no setting of the time moves), the lines that say so, and
// the due moments a step forward jumped over.
#include <time.h>

#include <cmath>

#include "poller.h"

namespace {

constexpr double nanosPerSecond = 1e9;

double seconds(const timespec& at) {
    return static_cast<double>(at.tv_sec) + static_cast<double>(at.tv_nsec) / nanosPerSecond;
}

// Due moments of one local day whose seconds-of-day lie in first..last.
int dueMomentsOfDay(const Settings& s, int weekdayNumber, int first, int last) {
    int open = s.openTimes[weekdayNumber];
    int close = closingSecond(s.closeTimes[weekdayNumber]);
    if (open == close) return 0;  // a closed day writes no record
    int from = std::max(first, open), to = std::min(last, close);
    if (from > to) return 0;
    // Multiples of the interval in from..to (both non-negative), then the
    // opening and closing second when they are no multiple.
    int count = to / s.interval - (from + s.interval - 1) / s.interval + 1;
    if (from == open && open % s.interval != 0) ++count;
    if (to == close && close % s.interval != 0 && close != open) ++count;
    return count;
}

}  // namespace

int secondOfDay(const std::tm& parts) {
    return parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec;
}

long clockStep(ClockWatch& watch) {
    timespec wall{}, mono{};
    clock_gettime(CLOCK_REALTIME, &wall);
    clock_gettime(CLOCK_MONOTONIC, &mono);
    long step = 0;
    if (watch.started)
        step = std::lround((seconds(wall) - seconds(watch.wall)) -
                           (seconds(mono) - seconds(watch.mono)));
    watch.started = true;
    watch.wall = wall;
    watch.mono = mono;
    return step;
}

std::string clockBackText(std::time_t now, long seconds) {
    return fmt("%s - %s Zegar cofniety o %ld s\n", dateText(now, '-').c_str(),
               timeText(now).c_str(), seconds);
}

std::string clockForwardText(std::time_t now, long seconds, int skipped) {
    return fmt("%s - %s Zegar przesuniety o %ld s, pominieto %d pomiarow\n",
               dateText(now, '-').c_str(), timeText(now).c_str(), seconds, skipped);
}

int dueMomentsBetween(const Settings& s, std::time_t from, std::time_t to) {
    if (to <= from || s.interval <= 0) return 0;
    std::tm first{}, last{};
    localtime_r(&from, &first);
    std::time_t end = to - 1;
    localtime_r(&end, &last);
    // Walks the local days from the first to the last, at noon, far from
    // any daylight-saving change.
    std::tm day = first;
    int count = 0;
    constexpr int noon = 12;
    while (true) {
        bool isFirst = day.tm_year == first.tm_year && day.tm_yday == first.tm_yday;
        bool isLast = day.tm_year == last.tm_year && day.tm_yday == last.tm_yday;
        count += dueMomentsOfDay(s, day.tm_wday, isFirst ? secondOfDay(first) : 0,
                                 isLast ? secondOfDay(last) : secondsPerDay - 1);
        if (isLast || day.tm_year > last.tm_year) break;
        day.tm_mday += 1;
        day.tm_hour = noon;
        day.tm_min = day.tm_sec = 0;
        day.tm_isdst = -1;
        if (std::mktime(&day) == static_cast<std::time_t>(-1)) break;
    }
    return count;
}
