// Reading an entrance's files, day by day.
#include "stream.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

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

bool lookBack(const Entrance& entrance, Day from, IncreaseTracker& tracker, std::string& error) {
    DayFile file;
    for (int back = 1; back <= lookBackDays; ++back) {
        Opened opened = openDay(file, entrance, from - std::chrono::days{back}, error);
        if (opened == Opened::error) return false;
        if (opened == Opened::missing) continue;
        bool found = false;
        long last = 0;
        DayLine line;
        while (file.next(line)) {
            if (line.kind != LineClass::record || !answered(line)) continue;
            found = true;
            last = line.record.total;
        }
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
