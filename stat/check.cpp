// The check of a day's file against the poller's schedule and the record
// rules.  The file of a day is judged as the poller writes it: it holds
// the day's records and, at its head, the 23:59:59 record of a day before
// that is open until midnight.
//
// Expected moments come from the schedule of the configuration in force
// now, and only those due by the present moment count; they are matched
// with the records' times by MomentMatch.
#include "check.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "escape.h"
#include "expected.h"
#include "matching.h"
#include "pcutil.h"
#include "polish.h"
#include "record.h"
#include "stream.h"

namespace {

using std::chrono::days;

// The first and last time and the number of records of one kind.
struct Span {
    long long count = 0;
    char first[recordLineCapacity] = {};
    char last[recordLineCapacity] = {};

    void add(std::string_view time) {
        if (count++ == 0) copy(first, time);
        copy(last, time);
    }
    static void copy(char* to, std::string_view time) {
        std::memcpy(to, time.data(), time.size());
        to[time.size()] = '\0';
    }
};

const char* malformedText(MalformedReason reason) {
    switch (reason) {
        case MalformedReason::overlong: return "wiersz dłuższy niż 99 znaków";
        case MalformedReason::unterminated: return "ostatni wiersz bez znaku końca wiersza";
        case MalformedReason::time: return "czas nie jest postaci GG:MM ani GG:MM.SS";
        case MalformedReason::fields: break;
    }
    return "to nie jest cały rekord";
}

class DayCheck {
public:
    explicit DayCheck(const Entrance& entrance) : dayMoments_(entrance.schedule) {}
    // Checks the file of one day, expecting the moments due by now,
    // reporting its findings and adding their number to findings.
    void run(const Entrance& entrance, Day day, std::time_t now, IncreaseTracker& tracker,
             const std::function<void(const Finding&)>& report, long long& findings);

private:
    void emit(FindingKind kind, long line, std::string_view detail);
    void reportSkipped();
    void checkFile(const Entrance& entrance, Day day, IncreaseTracker& tracker);
    void checkOrder(const DayLine& line);
    void reportMissing();

    MomentMatch match_;
    DayMoments dayMoments_;
    std::vector<ExpectedMoment> moments_;
    std::function<void(const Finding&)> report_;
    Finding finding_;
    std::array<long long, findingKindCount> ofKind_{};  // findings of each kind today
    long long* findings_ = nullptr;
    int interval_ = minInterval;
    bool scheduled_ = false;
    int previous_ = -1;                 // seconds-of-day of the previous record of the day
    bool previousWithSeconds_ = false;  // and whether its time text shows seconds
    bool repeats_ = false;
    int repeatFrom_ = 0, repeatTo_ = 0;
};

// Every finding counts; only the first maxFindingsOfAKind of a kind on the
// day are reported, their detail escaped, so that the findings kept in
// memory do not grow with the file.
void DayCheck::emit(FindingKind kind, long line, std::string_view detail) {
    ++*findings_;
    if (++ofKind_[static_cast<std::size_t>(kind)] > maxFindingsOfAKind) return;
    finding_.kind = kind;
    finding_.line = line;
    finding_.detail.clear();
    appendEscaped(finding_.detail, detail);
    report_(finding_);
}

// One finding per kind that went beyond the cap, with the count of the rest.
void DayCheck::reportSkipped() {
    for (std::size_t k = 0; k < findingKindCount; ++k) {
        if (ofKind_[k] <= maxFindingsOfAKind) continue;
        finding_.kind = static_cast<FindingKind>(k);
        finding_.line = 0;
        finding_.detail = skippedText(ofKind_[k] - maxFindingsOfAKind);
        report_(finding_);
    }
}

// A time not later than the previous record's is out of order, apart from
// the hour an autumn change repeats (once) and an HH:MM text that the
// schedule gives twice.
void DayCheck::checkOrder(const DayLine& line) {
    int second = line.second;
    bool inOrder = previous_ < 0 || second > previous_;
    if (!inOrder && repeats_ && second >= repeatFrom_ && second < repeatTo_ &&
        previous_ >= repeatFrom_) {
        repeats_ = false;
        inOrder = true;
    }
    if (!inOrder && second == previous_ && !line.withSeconds && scheduled_ &&
        match_.momentsLike(second, false) >= 2)
        inOrder = true;
    if (!inOrder)
        emit(FindingKind::order, line.number,
             std::string(line.record.time) + " po " +
                 momentText(previous_, previousWithSeconds_ ? 1 : hourMinuteInterval));
    previous_ = second;
    previousWithSeconds_ = line.withSeconds;
}

void DayCheck::reportMissing() {
    long long run = 0;
    int first = 0, last = 0;
    auto flush = [&] {
        if (run == 0) return;
        emit(FindingKind::missingRecord, 0,
             timeRange(momentText(first, interval_), momentText(last, interval_), run));
        run = 0;
    };
    for (const ExpectedMoment& moment : moments_) {
        if (match_.takeRecordFor(moment.second)) {
            flush();
            continue;
        }
        if (run++ == 0) first = moment.second;
        last = moment.second;
    }
    flush();
}

void DayCheck::run(const Entrance& entrance, Day day, std::time_t now, IncreaseTracker& tracker,
                   const std::function<void(const Finding&)>& report, long long& findings) {
    report_ = report;
    findings_ = &findings;
    finding_.entrance = entrance.label;
    finding_.date = dashedDate(day);
    scheduled_ = entrance.scheduled;
    interval_ = entrance.schedule.interval;
    moments_.clear();
    if (scheduled_) dayMoments_.of(day, moments_);
    // Only what is due by now is expected: the moments are in file order.
    moments_.erase(std::find_if(moments_.begin(), moments_.end(),
                                [&](const ExpectedMoment& m) { return !dueBy(m, now); }),
                   moments_.end());
    ofKind_.fill(0);
    checkFile(entrance, day, tracker);
    reportSkipped();
}

void DayCheck::checkFile(const Entrance& entrance, Day day, IncreaseTracker& tracker) {
    DayFile file;
    std::string problem;
    Opened opened = openDayFile(file, reportPathOf(entrance, day), problem);
    if (opened == Opened::error) {
        emit(FindingKind::unreadable, 0, problem);
        return;
    }
    if (opened == Opened::missing) {
        if (!moments_.empty())
            emit(FindingKind::missingFile, 0,
                 "brak pliku " + reportPathOf(entrance, day) + ", oczekiwano " +
                     polishCount(static_cast<long long>(moments_.size()), "rekordu", "rekordów",
                                 "rekordów"));
        return;
    }
    match_.startFile(interval_);
    for (const ExpectedMoment& moment : moments_) match_.addMoment(moment.second);
    previous_ = -1;
    repeats_ = repeatedHour(day, repeatFrom_, repeatTo_);
    Span unanswered, faults;
    DayLine line;
    while (file.next(line)) {
        if (line.kind == LineClass::malformed) {
            emit(FindingKind::malformed, line.number, malformedText(line.reason));
            continue;
        }
        if (line.kind == LineClass::checksum) {
            char computed[16];
            std::size_t length = computeChecksumText(line.record.body, computed);
            emit(FindingKind::checksum, line.number,
                 "jest " + std::string(line.record.checksum) + ", wyliczona " +
                     std::string(computed, length));
            continue;
        }
        if (line.kind == LineClass::range) {
            emit(FindingKind::range, line.number, rangeText(line.record));
            continue;
        }
        if (!line.dayBefore) checkOrder(line);
        match_.addRecord(line.second, line.withSeconds);
        if (line.record.faults > 0) faults.add(line.record.time);
        if (!answered(line)) {
            unanswered.add(line.record.time);
            continue;
        }
        long before = tracker.previous();
        Fall fall;
        tracker.take(line.record.total, fall);
        if (fall == Fall::reset)
            emit(FindingKind::reset, line.number,
                 "stan " + std::to_string(before) + " -> " + std::to_string(line.record.total));
    }
    if (scheduled_) reportMissing();
    if (unanswered.count > 0)
        emit(FindingKind::unanswered, 0,
             timeRange(unanswered.first, unanswered.last, unanswered.count));
    if (faults.count > 0)
        emit(FindingKind::fault, 0, timeRange(faults.first, faults.last, faults.count));
}

}  // namespace

const char* findingKindName(FindingKind kind) {
    switch (kind) {
        case FindingKind::malformed: return "malformed";
        case FindingKind::checksum: return "checksum";
        case FindingKind::order: return "order";
        case FindingKind::missingFile: return "missing-file";
        case FindingKind::missingRecord: return "missing-record";
        case FindingKind::unanswered: return "unanswered";
        case FindingKind::fault: return "fault";
        case FindingKind::reset: return "reset";
        case FindingKind::range: return "range";
        case FindingKind::unreadable: return "unreadable";
    }
    return "";
}

std::string timeRange(const std::string& first, const std::string& last, long long count) {
    std::string text = std::to_string(count) + " (" + first;
    if (count > 1) text += "-" + last;
    return text + ")";
}

std::string skippedText(long long count) {
    return "pominięto " + polishCount(count, "dalszą uwagę", "dalsze uwagi", "dalszych uwag") +
           " tego rodzaju";
}

std::string rangeText(const RecordView& record) {
    std::vector<std::string> parts;
    if (record.total < 0 || record.total > maxRecordTotal)
        parts.push_back("stan " + std::to_string(record.total) + " poza 0.." +
                        std::to_string(maxRecordTotal));
    if (record.faults < 0 || record.faults > maxRecordFaults)
        parts.push_back("liczba usterek " + std::to_string(record.faults) + " poza 0.." +
                        std::to_string(maxRecordFaults));
    if (record.noAnswer < 0 || record.noAnswer > maxRecordNoAnswer)
        parts.push_back("znacznik braku odpowiedzi " + std::to_string(record.noAnswer) +
                        " poza 0.." + std::to_string(maxRecordNoAnswer));
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i > 0 ? ", " : "") + parts[i];
    return text;
}

bool runCheck(const std::vector<Entrance>& entrances, const Options& options,
              const std::function<void(const Finding&)>& report, CheckSummary& summary,
              std::string& error) {
    summary = CheckSummary{};
    summary.entrances = entrances.size();
    summary.days = (options.to - options.from).count() + 1;
    // The entrances are checked side by side; their findings are reported
    // in entrance order.
    std::vector<std::vector<Finding>> found(entrances.size());
    std::vector<long long> counts(entrances.size(), 0);
    auto checkEntrance = [&](std::size_t k, std::string&) {
        DayCheck check(entrances[k]);
        IncreaseTracker tracker;
        auto keep = [&](const Finding& finding) { found[k].push_back(finding); };
        // A file before the days that cannot be read is not theirs to
        // report: the look back stops there, the previous record unknown.
        std::string before;
        bool gapBefore = false;
        lookBack(entrances[k], options.from, options.now, tracker, gapBefore, before);
        for (Day day = options.from; day <= options.to; day += days{1})
            check.run(entrances[k], day, options.now, tracker, keep, counts[k]);
        return true;
    };
    bool read = forEachEntrance(entrances.size(), checkEntrance, error);
    for (std::size_t k = 0; k < entrances.size(); ++k) {
        if (!entrances[k].scheduled) summary.unscheduled.push_back(entrances[k].label);
        for (const Finding& finding : found[k]) report(finding);
        summary.findings += counts[k];
    }
    return read;
}
