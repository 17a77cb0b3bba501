// Reading an entrance's files, day by day.
#include "stream.h"

#include <atomic>
#include <climits>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "expected.h"
#include "pollrules.h"

long long IncreaseTracker::take(long total, Fall& fall) {
    fall = Fall::none;
    long long increase = 0;
    if (known_) {
        long long previous = previous_;
        if (total >= previous) {
            increase = total - previous;
        } else if (previous >= wrapFrom && total < wrapTo) {
            fall = Fall::wrap;  // the counter went past 999999
            increase = total + counterRange - previous;
        } else {
            fall = Fall::reset;  // counted afresh from 0
            increase = total;
        }
    }
    seed(total);
    return increase;
}

void IncreaseTracker::seed(long total) {
    known_ = true;
    previous_ = total;
}

Opened openDayFile(DayFile& file, const std::string& path, std::string& problem) {
    if (file.open(path)) return Opened::yes;
    if (file.openStatus() == ReportFileStatus::absent) return Opened::missing;
    problem = "nie mozna czytac " + path + ": " +
              (file.openStatus() == ReportFileStatus::notRegular ? "to nie jest zwykly plik"
                                                                 : std::strerror(errno));
    return Opened::error;
}

Opened openDay(DayFile& file, const Entrance& entrance, Day day, std::string& error) {
    std::string problem;
    Opened opened = openDayFile(file, reportPathOf(entrance, day), problem);
    if (opened == Opened::error) error = entrance.label + ": " + problem;
    return opened;
}

namespace {

// The moments of a day that the schedule expects by now; none without one.
void dueMomentsOf(const Entrance& entrance, DayMoments& dayMoments, Day day, std::time_t now,
                  std::vector<ExpectedMoment>& moments) {
    moments.clear();
    if (!entrance.scheduled) return;
    dayMoments.of(day, moments);
    std::erase_if(moments, [&](const ExpectedMoment& m) { return !dueBy(m, now); });
}

// The last second a record's time text stands for: HH:MM stands for the
// whole minute.
int lastSecondOf(const DayLine& line) {
    constexpr int restOfMinute = 59;
    return fileOrder(line.second, line.dayBefore) + (line.withSeconds ? 0 : restOfMinute);
}

}  // namespace

bool lookBack(const Entrance& entrance, Day from, std::time_t now, IncreaseTracker& tracker,
              bool& gap, std::string& error) {
    gap = false;
    DayFile file;
    std::vector<ExpectedMoment> moments;
    DayMoments dayMoments(entrance.schedule);
    for (int back = 1; back <= lookBackDays; ++back) {
        Day day = from - std::chrono::days{back};
        dueMomentsOf(entrance, dayMoments, day, now, moments);
        Opened opened = openDay(file, entrance, day, error);
        if (opened == Opened::error) return false;
        if (opened == Opened::missing) {
            if (!moments.empty()) gap = true;
            continue;
        }
        bool found = false;
        bool unansweredSince = false;  // unanswered records after the last answered one
        long last = 0;
        int lastRecord = INT_MIN;  // where the file's last record lies
        DayLine line;
        while (file.next(line)) {
            if (line.kind != LineClass::record) continue;
            lastRecord = lastSecondOf(line);
            if (!answered(line)) {
                unansweredSince = true;
                continue;
            }
            found = true;
            unansweredSince = false;
            last = line.record.total;
        }
        bool momentsAfter = !moments.empty() &&
                            fileOrder(moments.back().second, moments.back().dayBefore) > lastRecord;
        if (unansweredSince || momentsAfter) gap = true;
        if (found) {
            tracker.seed(last);
            return true;
        }
    }
    return true;
}

bool forEachEntrance(std::size_t count, const std::function<bool(std::size_t, std::string&)>& work,
                     std::string& error) {
    std::vector<std::string> errors(count);
    std::vector<char> failed(count, 0);
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t k = next++; k < count; k = next++) failed[k] = work(k, errors[k]) ? 0 : 1;
    };
    // At most four: more would hardly be faster on a few disks, and each
    // costs its buffers.
    constexpr std::size_t maxThreads = 4;
    std::size_t threads = std::thread::hardware_concurrency();
    if (threads < 1) threads = 1;
    if (threads > maxThreads) threads = maxThreads;
    if (threads > count) threads = count;
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < threads; ++i) helpers.emplace_back(worker);
    worker();
    for (std::thread& helper : helpers) helper.join();
    for (std::size_t k = 0; k < count; ++k)
        if (failed[k]) {
            error = errors[k];
            return false;
        }
    return true;
}
